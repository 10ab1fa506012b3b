#include "calls/HistoryFile.h"

#include "log/DiagnosticLog.h"
#include "platform/Cp932.h"
#include "platform/ProgramFiles.h"
#include "platform/TextFile.h"

#include <QFile>
#include <QFileInfo>

HistoryFile::HistoryFile(QString programFolder, const Clock &clock, const DiagnosticLog &log)
    : m_folder(std::move(programFolder)), m_clock(clock), m_log(log)
{
}

QString HistoryFile::formatLine(const QDateTime &when, const QString &number)
{
    return when.toString(QStringLiteral("yyyy/MM/dd,HH:mm:ss,")) + number;
}

void HistoryFile::WriteHistory(const QString &fileName, const QString &number)
{
    const QString path = m_folder + fileName.trimmed();
    m_pending += Cp932::encode(formatLine(m_clock.now(), number) + QStringLiteral("\r\n"));
    if (appendPending(path)) {
        m_failing = false;
        return;
    }
    if (m_pending.size() > MaxPendingBytes) {
        const qsizetype cut = m_pending.indexOf('\n', m_pending.size() - MaxPendingBytes);
        m_pending.remove(0, cut < 0 ? m_pending.size() : cut + 1);
    }
    if (!m_failing) {
        m_failing = true;
        m_log.WriteLog(ProgramFiles::LogFile, QStringLiteral("Nubrel"),
                       QStringLiteral("着信履歴を書き込めません。") + path +
                           QStringLiteral("（次の記録のときに書き直します）"));
    }
}

bool HistoryFile::WritePending(const QString &fileName)
{
    return m_pending.isEmpty() || appendPending(m_folder + fileName.trimmed());
}

bool HistoryFile::appendPending(const QString &path)
{
    const QFileInfo before(path);
    const qint64 sizeBefore = before.exists() ? before.size() : -1;
    if (TextFile::append(path, m_pending)) {
        m_pending.clear();
        return true;
    }
    // A full disk may have taken part of the lines: cut them off again, so the
    // retry does not leave a broken line in front of them.
    if (sizeBefore >= 0) {
        QFile file(path);
        if (file.size() > sizeBefore)
            file.resize(sizeBefore);
    } else if (QFileInfo(path).isFile() && !QFile::remove(path)) {
        // The append made the file: whatever it holds is a fragment.
        QFile(path).resize(0);
    }
    return false;
}
