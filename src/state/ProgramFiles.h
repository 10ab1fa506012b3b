// Names of the files the program keeps in its own folder. Each name carries
// its leading separator, so the path is the folder followed by the name.
#pragma once

#include <string>

namespace ProgramFiles {
inline const std::u16string LogFile = u"/Nubrel.log";
inline const std::u16string HistoryFile = u"/着信履歴.TXT";
inline const std::u16string IniFile = u"/Nubrel.ini";
inline const std::u16string Manual = u"/説明書.html";
} // namespace ProgramFiles
