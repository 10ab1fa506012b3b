// The one place that converts between the program's text and the Japanese
// Windows code page used by every file it reads or writes.
#pragma once

#include <QByteArray>
#include <QString>

namespace Cp932 {
// Bytes that are not valid CP932 become U+FFFD.
QString decode(const QByteArray &bytes);
// Characters CP932 cannot hold become '?', as the Windows conversion does.
QByteArray encode(const QString &text);
// True when byte b opens a double-byte character.
constexpr bool isLeadByte(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
// The longest prefix of `bytes` of at most `limit` bytes that does not end in
// the middle of a double-byte character.
QByteArray cutAt(const QByteArray &bytes, int limit);
} // namespace Cp932
