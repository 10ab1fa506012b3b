#include "log/DiagnosticLog.h"

#include "platform/Cp932.h"
#include "platform/Files.h"
#include "text/DateText.h"
#include "text/Text.h"

DiagnosticLog::DiagnosticLog(std::u16string programFolder, const Clock &clock)
    : m_folder(std::move(programFolder)), m_clock(clock)
{
}

std::u16string DiagnosticLog::formatLine(const LocalTime &when, const std::u16string &sourceName,
                                         const std::u16string &entry)
{
    const std::u16string source = (sourceName + std::u16string(10, u' ')).substr(0, 10);
    return DateText::date(when.year, when.month, when.day) + u' ' +
           DateText::time(when.hour, when.minute, when.second) + u' ' + source + u" [" + entry +
           u']';
}

bool DiagnosticLog::WriteLog(const std::u16string &fileName, const std::u16string &sourceName,
                             const std::u16string &entry) const
{
    const std::u16string path = m_folder + std::u16string(Text::trimmed(fileName));
    const std::u16string line = formatLine(m_clock.now(), sourceName, entry) + u"\r\n";
    return Files::append(path, Cp932::encode(line));
}
