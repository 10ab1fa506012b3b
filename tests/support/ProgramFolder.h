// A throw-away program folder with helpers to put and read its files.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

class ProgramFolder {
public:
    ProgramFolder();
    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.path() + u'/' + name; }
    // Writes the text as CP932 with every "\n" turned into CR LF.
    void writeIni(const QString &text) const;
    void writeBytes(const QString &name, const QByteArray &bytes) const;
    QByteArray readBytes(const QString &name) const;
    // The file decoded from CP932, CR LF kept.
    QString readText(const QString &name) const;
    bool exists(const QString &name) const;

private:
    QTemporaryDir m_dir;
};
