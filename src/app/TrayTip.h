// The tooltip text of the notification-area icon, as the 64-byte ANSI field
// of the icon record holds it.
#pragma once

#include <string>

// Field width of szTip, in characters when filled and in CP932 bytes when passed.
inline constexpr int TrayTipLength = 64;

// What the icon shows for a record's szTip: the text before the first NUL,
// cut to 64 bytes of CP932 without splitting a double-byte character. A
// character CP932 cannot hold shows as '?', as it would on Windows.
std::u16string trayTooltip(const std::u16string &szTip);

// The field as the program fills it: text, a NUL, then blanks to 64
// characters; like the fixed-length field, a longer text is cut to 64.
std::u16string makeSzTip(const std::u16string &text);
