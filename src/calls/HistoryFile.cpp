#include "calls/HistoryFile.h"

#include "log/DiagnosticLog.h"
#include "platform/Cp932.h"
#include "platform/Files.h"
#include "state/ProgramFiles.h"
#include "text/DateText.h"
#include "text/Text.h"

HistoryFile::HistoryFile(std::u16string programFolder, const Clock &clock, const DiagnosticLog &log)
    : m_folder(std::move(programFolder)), m_clock(clock), m_log(log)
{
}

std::u16string HistoryFile::formatLine(const LocalTime &when, const std::u16string &number)
{
    return DateText::date(when.year, when.month, when.day) + u',' +
           DateText::time(when.hour, when.minute, when.second) + u',' + number;
}

void HistoryFile::WriteHistory(const std::u16string &fileName, const std::u16string &number)
{
    const std::u16string path = m_folder + std::u16string(Text::trimmed(fileName));
    m_pending += Cp932::encode(formatLine(m_clock.now(), number) + u"\r\n");
    if (appendPending(path)) {
        m_failing = false;
        return;
    }
    if (m_pending.size() > MaxPendingBytes) {
        const std::size_t cut = m_pending.find('\n', m_pending.size() - MaxPendingBytes);
        m_pending.erase(0, cut == std::string::npos ? m_pending.size() : cut + 1);
    }
    if (!m_failing) {
        m_failing = true;
        m_log.WriteLog(ProgramFiles::LogFile, u"Nubrel",
                       u"着信履歴を書き込めません。" + path + u"（次の記録のときに書き直します）");
    }
}

bool HistoryFile::WritePending(const std::u16string &fileName)
{
    return m_pending.empty() || appendPending(m_folder + std::u16string(Text::trimmed(fileName)));
}

bool HistoryFile::appendPending(const std::u16string &path)
{
    const std::optional<Files::Info> before = Files::info(path);
    if (Files::append(path, m_pending)) {
        m_pending.clear();
        return true;
    }
    // A full disk may have taken part of the lines: cut them off again, so the
    // retry does not leave a broken line in front of them.
    const std::optional<Files::Info> after = Files::info(path);
    if (before) {
        if (after && after->size > before->size)
            Files::resize(path, before->size);
    } else if (after && after->isFile && !Files::remove(path)) {
        // The append made the file: whatever it holds is a fragment.
        Files::resize(path, 0);
    }
    return false;
}
