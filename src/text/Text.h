// Small operations on the program's text (UTF-16, as the windows hold it) and
// on bytes, written once for every folder of the logic. Each one keeps the
// exact rules the program has always relied on: the whitespace a trim takes,
// the case folding of a case-blind comparison, what a decimal number is.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Text {

// Whitespace: the ASCII controls TAB to CR, the blank, U+0085, U+00A0 and the
// Unicode separators (the ideographic blank U+3000 among them).
bool isSpace(char16_t c);
// `text` without the whitespace at both ends.
std::u16string_view trimmed(std::u16string_view text);
// `bytes` without ASCII whitespace (TAB to CR, the blank) at both ends.
std::string_view trimmedBytes(std::string_view bytes);

// The character that stands for `c` when case is ignored (Unicode simple case
// folding; code points without a folding stand for themselves).
char32_t foldCase(char32_t c);
// Orders `a` and `b` by their folded characters, unit by unit (a shorter text
// before a longer one it begins); 0 when they are equal but for case.
int compareIgnoringCase(std::u16string_view a, std::u16string_view b);
bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b);
bool startsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix);

// A whole decimal number within 32 bits: an optional sign and ASCII digits,
// ASCII whitespace allowed around them; nothing else.
std::optional<std::int32_t> toInt(std::u16string_view text);
// The decimal form of `value`, '-' before a negative one.
std::u16string number(long long value);
// Lower-case hexadecimal, without prefix.
std::u16string hexNumber(unsigned long long value);

// Each byte as the character of the same code (ASCII and Latin-1).
std::u16string fromLatin1(std::string_view bytes);
// The text's characters as bytes; for text known to be ASCII.
std::string toAscii(std::u16string_view text);

// Every occurrence of `from` (not empty) replaced by `to`, left to right.
void replaceAll(std::u16string &text, std::u16string_view from, std::u16string_view to);
// Every `c` taken out.
void removeAll(std::u16string &text, char16_t c);

// A '/'-separated path with "." and empty parts taken out and each ".." taken
// back with the part before it, where there is one; no '/' at the end.
std::u16string cleanPath(std::u16string_view path);

} // namespace Text
