// Conversions between the program's UTF-16 text and the Unicode byte forms of
// the files it reads. What cannot be decoded becomes U+FFFD, one for each byte
// that starts no complete character; what cannot be encoded (a lone
// surrogate) becomes '?'.
#pragma once

#include <string>
#include <string_view>

namespace Utf {

// UTF-8 text. A byte-order mark at the very start is dropped; one anywhere
// else is a character.
std::u16string fromUtf8(std::string_view bytes);
// The same, but a mark at the start is kept as the character U+FEFF: for a
// piece of a file (a name, a value) whose mark is part of what it holds.
std::u16string fromUtf8KeepingMark(std::string_view bytes);
std::string toUtf8(std::u16string_view text);

enum class ByteOrder { LittleEndian, BigEndian };
// UTF-16 of the given byte order. A byte-order mark at the start is dropped, an
// odd byte at the end is not read; surrogates pass as they are.
std::u16string fromUtf16(std::string_view bytes, ByteOrder order);
// Without a byte-order mark; surrogates pass as they are.
std::string toUtf16(std::u16string_view text, ByteOrder order);

} // namespace Utf
