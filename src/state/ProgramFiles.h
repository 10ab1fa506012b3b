// Names of the files the program keeps in its own folder. Each name carries
// its leading separator, so the path is the folder followed by the name.
#pragma once

#include <QString>

namespace ProgramFiles {
inline const QString LogFile = QStringLiteral("/Nubrel.log");
inline const QString HistoryFile = QStringLiteral("/着信履歴.TXT");
inline const QString IniFile = QStringLiteral("/Nubrel.ini");
inline const QString Manual = QStringLiteral("/説明書.html");
} // namespace ProgramFiles
