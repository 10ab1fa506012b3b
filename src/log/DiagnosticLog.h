// Nubrel.log: one line per failure of the device link, appended and closed again.
#pragma once

#include "platform/Clock.h"

#include <string>

class DiagnosticLog {
public:
    DiagnosticLog(std::u16string programFolder, const Clock &clock);

    // The line: "yyyy/mm/dd hh:nn:ss " + source padded or cut to 10 + " [" +
    // entry + "]" + CR LF, in CP932. False when it could not be written.
    bool WriteLog(const std::u16string &fileName, const std::u16string &sourceName,
                  const std::u16string &entry) const;

    // The line WriteLog writes, without the line end.
    static std::u16string formatLine(const LocalTime &when, const std::u16string &sourceName,
                                     const std::u16string &entry);

private:
    std::u16string m_folder;
    const Clock &m_clock;
};
