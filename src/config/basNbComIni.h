// Access to Nubrel.ini in the program folder. Every call opens the file by
// path, does its one operation and lets go.
#pragma once

#include <QString>
#include <cstdint>

class basNbComIni {
public:
    explicit basNbComIni(QString programFolder);

    QString path() const;

    std::int16_t GetIniInt(const QString &section, const QString &key,
                           std::int16_t defaultValue) const;
    QString GetIniString(const QString &section, const QString &key,
                         const QString &defaultValue) const;
    // Nonzero when the file was written.
    int PutIniString(const QString &section, const QString &key, const QString &value) const;

private:
    QString m_path;
};
