// A settings file as bytes: finds sections and keys without regard to case and
// changes one line at a time, leaving every other byte as it was.
//
// Lines end at LF; a CR before the LF is not part of the line's text. After
// blanks, '[' opens a section header (when a ']' closes it), ';' or '#' a
// comment, and a line with '=' is a key line (key and value trimmed of blanks
// and tabs). The first matching section and the first matching key in it
// count; key lines before the first header belong to no section. A file that
// starts with a UTF-8 byte-order mark is read and written as UTF-8; one with a
// UTF-16 mark (what Notepad saves as "Unicode") as UTF-16 of that byte order,
// held as UTF-8 in between; any other as CP932.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

class IniFile {
public:
    explicit IniFile(QByteArray bytes = {});

    // The file's bytes: as read until a value is set.
    QByteArray bytes() const;
    bool isUtf8() const { return m_utf8 && m_utf16 == Utf16::None; }
    bool isUtf16() const { return m_utf16 != Utf16::None; }
    QString decode(const QByteArray &bytes) const;
    QByteArray encode(const QString &text) const;
    // The longest prefix of at most `limit` bytes that ends between two
    // characters of the file's encoding.
    QByteArray cut(const QByteArray &bytes, int limit) const;

    // The value's bytes, or nothing when the section or the key is missing.
    std::optional<QByteArray> value(const QString &section, const QString &key) const;
    // Rewrites the key's line, or adds the key after the last key of its
    // section, or adds the section at the end. False, and nothing changed, when
    // the names or the value cannot be written as a line that reads back (an
    // empty name, a line end, '=' in a key, ']' in a section, blanks around a
    // name, a key that would read as a comment or a header, a name the file's
    // encoding cannot hold).
    bool setValue(const QString &section, const QString &key, const QString &value);

    struct Entry {
        QString section;
        QString key;
    };
    // The key lines that belong to a section, in file order.
    QList<Entry> entries() const;

private:
    enum class Kind { Other, Section, Key };
    struct Line {
        qsizetype begin = 0;   // first byte of the line
        qsizetype textEnd = 0; // end of its text, before CR LF or LF
        qsizetype end = 0;     // after its line end
        Kind kind = Kind::Other;
        qsizetype nameBegin = 0; // section name or key, blanks trimmed
        qsizetype nameEnd = 0;
        qsizetype valueBegin = 0; // key lines only, blanks trimmed
        qsizetype valueEnd = 0;
        QString name;
    };
    struct Place {
        qsizetype header = -1; // line of the section header
        qsizetype last = -1;   // last key line of the section, or its header
        qsizetype key = -1;    // line of the key
    };

    void parse();
    Line parseLine(qsizetype begin, qsizetype textEnd, qsizetype end) const;
    qsizetype sectionNameEnd(qsizetype from, qsizetype textEnd) const;
    Place find(const QString &section, const QString &key) const;
    QByteArray newline() const;
    QByteArray missingLineEnd(const Line &line) const;

    enum class Utf16 { None, LittleEndian, BigEndian };

    QByteArray m_bytes; // UTF-16 files as UTF-8 with its mark
    bool m_utf8 = false;
    Utf16 m_utf16 = Utf16::None;
    QByteArray m_read; // a UTF-16 file's bytes as read
    bool m_changed = false;
    QList<Line> m_lines;
};
