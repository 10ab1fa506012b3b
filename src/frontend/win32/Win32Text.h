// The program's UTF-16 text as the W functions of Windows take it, and back.
#pragma once

#include <string>
#include <string_view>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wide characters are UTF-16");

inline const wchar_t *wide(const std::u16string &text)
{
    return reinterpret_cast<const wchar_t *>(text.c_str());
}

inline std::wstring toWide(std::u16string_view text)
{
    return std::wstring(reinterpret_cast<const wchar_t *>(text.data()), text.size());
}

inline std::u16string fromWide(std::wstring_view text)
{
    return std::u16string(reinterpret_cast<const char16_t *>(text.data()), text.size());
}

inline std::u16string fromWide(const wchar_t *text)
{
    return text ? fromWide(std::wstring_view(text)) : std::u16string();
}

// A message box or label shows a lone CR as no line break: CR LF does.
inline std::wstring withLineBreaks(std::u16string_view text)
{
    std::wstring out;
    out.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        out += static_cast<wchar_t>(text[i]);
        if (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n'))
            out += L'\n';
    }
    return out;
}
