// What the tests write their texts with: u"…"s literals, and UTF-8 for messages.
#pragma once

#include "text/Utf.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

using namespace std::string_literals;

inline std::string utf8(std::u16string_view text)
{
    return Utf::toUtf8(text);
}

// Whether `text` holds `part`.
inline bool contains(std::u16string_view text, std::u16string_view part)
{
    return text.find(part) != std::u16string_view::npos;
}
inline bool contains(std::string_view bytes, std::string_view part)
{
    return bytes.find(part) != std::string_view::npos;
}
inline bool contains(std::u16string_view text, char16_t c)
{
    return text.find(c) != std::u16string_view::npos;
}

// How often `part` occurs in `text`, counted without overlaps.
template <typename Char>
long countOf(std::basic_string_view<Char> text, std::basic_string_view<Char> part)
{
    long n = 0;
    for (auto at = text.find(part); at != text.npos; at = text.find(part, at + part.size()))
        ++n;
    return n;
}
inline long countOf(std::u16string_view text, std::u16string_view part)
{
    return countOf<char16_t>(text, part);
}
inline long countOf(std::string_view bytes, std::string_view part)
{
    return countOf<char>(bytes, part);
}
inline long countOf(std::string_view bytes, char c)
{
    return static_cast<long>(std::count(bytes.begin(), bytes.end(), c));
}

// `text` `n` times over.
inline std::u16string repeated(std::u16string_view text, int n)
{
    std::u16string out;
    for (int i = 0; i < n; ++i)
        out += text;
    return out;
}

// The bytes in lower-case hexadecimal, for a test's messages.
inline std::string hex(std::string_view bytes)
{
    static constexpr char Digits[] = "0123456789abcdef";
    std::string out;
    for (const char b : bytes) {
        out += Digits[static_cast<unsigned char>(b) >> 4];
        out += Digits[static_cast<unsigned char>(b) & 15];
    }
    return out;
}

template <typename T, typename U> bool contains(const std::vector<T> &items, const U &item)
{
    return std::find(items.begin(), items.end(), item) != items.end();
}
template <typename T, typename U> long countOf(const std::vector<T> &items, const U &item)
{
    return static_cast<long>(std::count(items.begin(), items.end(), item));
}

// The parts of `text` between the separators, empty parts kept.
inline std::vector<std::u16string> split(std::u16string_view text, std::u16string_view separator)
{
    std::vector<std::u16string> parts;
    std::size_t at = 0;
    for (std::size_t hit = text.find(separator); hit != text.npos; hit = text.find(separator, at)) {
        parts.emplace_back(text.substr(at, hit - at));
        at = hit + separator.size();
    }
    parts.emplace_back(text.substr(at));
    return parts;
}
