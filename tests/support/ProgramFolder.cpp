#include "ProgramFolder.h"

#include "platform/Cp932.h"

#include <QFile>
#include <QFileInfo>

ProgramFolder::ProgramFolder() : m_dir(QStringLiteral("/tmp/nubrel-test-XXXXXX")) {}

void ProgramFolder::writeIni(const QString &text) const
{
    QString crlf = text;
    crlf.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    writeBytes(QStringLiteral("Nubrel.ini"), Cp932::encode(crlf));
}

void ProgramFolder::writeBytes(const QString &name, const QByteArray &bytes) const
{
    QFile f(file(name));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

QByteArray ProgramFolder::readBytes(const QString &name) const
{
    QFile f(file(name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QString ProgramFolder::readText(const QString &name) const
{
    return Cp932::decode(readBytes(name));
}

bool ProgramFolder::exists(const QString &name) const
{
    return QFileInfo::exists(file(name));
}
