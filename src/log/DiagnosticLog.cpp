#include "log/DiagnosticLog.h"

#include "platform/Cp932.h"
#include "platform/TextFile.h"

DiagnosticLog::DiagnosticLog(QString programFolder, const Clock &clock)
    : m_folder(std::move(programFolder)), m_clock(clock)
{
}

QString DiagnosticLog::formatLine(const QDateTime &when, const QString &sourceName,
                                  const QString &entry)
{
    const QString source = (sourceName + QString(10, u' ')).left(10);
    return when.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")) + u' ' + source +
           QStringLiteral(" [") + entry + u']';
}

bool DiagnosticLog::WriteLog(const QString &fileName, const QString &sourceName,
                             const QString &entry) const
{
    const QString path = m_folder + fileName.trimmed();
    const QString line = formatLine(m_clock.now(), sourceName, entry) + QStringLiteral("\r\n");
    return TextFile::append(path, Cp932::encode(line));
}
