// The rules of CP932 bytes that the logic needs without converting: where a
// double-byte character starts and where bytes may be cut.
#pragma once

#include <cstddef>
#include <string_view>

namespace Cp932Bytes {
// True when byte b opens a double-byte character.
constexpr bool isLeadByte(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
// True when byte b can be the second byte of a double-byte character.
constexpr bool isTrailByte(unsigned char b)
{
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}
// Bytes taken by the character that starts at `at`: a lead byte with a trail
// byte after it makes a pair, anything else (including a lead byte at the end
// or before a byte that cannot follow it) stands alone.
std::size_t widthAt(std::string_view bytes, std::size_t at);
// The longest prefix of `bytes` of at most `limit` bytes that does not end in
// the middle of a double-byte character.
std::string_view cutAt(std::string_view bytes, int limit);
} // namespace Cp932Bytes
