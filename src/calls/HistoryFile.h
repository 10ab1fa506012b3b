// 着信履歴.TXT: one line per call, appended and closed again. A line that cannot
// be written is kept and written with the next line that succeeds.
#pragma once

#include "platform/Clock.h"

#include <string>
#include <string_view>

class DiagnosticLog;

class HistoryFile {
public:
    // Lines kept while the file cannot be written; beyond this the oldest go.
    static constexpr std::size_t MaxPendingBytes = 4 * 1024 * 1024;

    HistoryFile(std::u16string programFolder, const Clock &clock, const DiagnosticLog &log);

    void WriteHistory(const std::u16string &fileName, const std::u16string &number);
    // One more try for the lines kept, as the program ends; true when none is
    // left.
    bool WritePending(const std::u16string &fileName);

    // "yyyy/mm/dd,hh:nn:ss,number", without the line end.
    static std::u16string formatLine(const LocalTime &when, const std::u16string &number);

    // Bytes of lines not yet in the file.
    const std::string &pending() const { return m_pending; }

private:
    // Appends the kept lines; on failure takes a partly written tail off again.
    bool appendPending(const std::u16string &path);

    std::u16string m_folder;
    const Clock &m_clock;
    const DiagnosticLog &m_log;
    std::string m_pending;
    bool m_failing = false;
};
