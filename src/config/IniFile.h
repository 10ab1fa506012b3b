// A settings file as bytes: finds sections and keys without regard to case and
// changes one line at a time, leaving every other byte as it was.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

class IniFile {
public:
    explicit IniFile(QByteArray bytes = {});

    // The value's bytes (blanks around it removed), or nothing when the
    // section or key is missing.
    std::optional<QByteArray> value(const QString &section, const QString &key) const;
    // Sets the key's value, adding the key at the end of its section or the
    // section at the end of the file.
    void setValue(const QString &section, const QString &key, const QByteArray &value);

    const QByteArray &bytes() const { return m_bytes; }
    // True when the file starts with a UTF-8 byte-order mark; its text is UTF-8 then.
    bool isUtf8() const;
    QString decode(const QByteArray &bytes) const;
    QByteArray encode(const QString &text) const;

private:
    struct Line {
        qsizetype begin;   // first byte of the line
        qsizetype textEnd; // end of its text, before CR LF or LF
        qsizetype end;     // after its line end
    };
    struct Found {
        qsizetype sectionHeader = -1; // index into lines
        qsizetype lastEntry = -1;     // last key line (or the header) of the section
        qsizetype keyLine = -1;
    };
    void split();
    Found find(const QString &section, const QString &key) const;
    QByteArray lineText(const Line &line) const;
    QByteArray newline() const;

    QByteArray m_bytes;
    QList<Line> m_lines;
};
