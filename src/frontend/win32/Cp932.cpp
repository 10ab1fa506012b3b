// CP932 through Windows' own table for code page 932. The replacements are
// those of the other platforms: a byte sequence that is no character becomes
// U+FFFD and decoding goes on after it; a character CP932 cannot hold becomes '?'.
#include "platform/Cp932.h"

#include "frontend/win32/Win32Text.h"
#include "text/Cp932Bytes.h"

#include <windows.h>

namespace {

constexpr UINT CodePage = 932;

// Converts `bytes` whole; false when a sequence in them is not CP932.
bool decodeStrict(std::string_view bytes, std::u16string &out)
{
    if (bytes.empty())
        return true;
    const int size = static_cast<int>(bytes.size());
    const int needed =
        MultiByteToWideChar(CodePage, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
    if (needed <= 0)
        return false;
    std::wstring buffer(static_cast<std::size_t>(needed), L'\0');
    if (MultiByteToWideChar(CodePage, MB_ERR_INVALID_CHARS, bytes.data(), size, buffer.data(),
                            needed) != needed)
        return false;
    out += fromWide(buffer);
    return true;
}

// The JIS forms of characters whose CP932 pairs Windows reads as other code
// points; text typed or pasted elsewhere holds them, and the other platforms'
// CP932 writes them as those pairs too.
char16_t jisToWindows(char16_t c)
{
    switch (c) {
    case 0x2212:
        return 0xFF0D; // minus sign
    case 0x301C:
        return 0xFF5E; // wave dash
    case 0x2016:
        return 0x2225; // double vertical line
    case 0x00A2:
        return 0xFFE0; // cent sign
    case 0x00A3:
        return 0xFFE1; // pound sign
    case 0x00AC:
        return 0xFFE2; // not sign
    default:
        return c;
    }
}

// A character of `width` bytes at `at` that is one of the single bytes
// Windows' table fills with private or control characters CP932 has none for.
bool isUnassignedSingle(std::string_view bytes, std::size_t at, std::size_t width)
{
    const auto b = static_cast<unsigned char>(bytes[at]);
    return width == 1 && (b == 0x80 || b == 0xA0 || b >= 0xFD);
}

bool isAscii(std::string_view bytes)
{
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

} // namespace

namespace Cp932 {

std::u16string decode(std::string_view bytes)
{
    std::u16string out;
    if (isAscii(bytes))
        return std::u16string(bytes.begin(), bytes.end());
    bool unassigned = false;
    for (std::size_t at = 0; at < bytes.size() && !unassigned;) {
        const std::size_t width = Cp932Bytes::widthAt(bytes, at);
        unassigned = isUnassignedSingle(bytes, at, width);
        at += width;
    }
    if (!unassigned && decodeStrict(bytes, out))
        return out;
    // Character by character, so that only what is broken is replaced.
    out.clear();
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t width = Cp932Bytes::widthAt(bytes, at);
        if (isUnassignedSingle(bytes, at, width) || !decodeStrict(bytes.substr(at, width), out))
            out += u'\xFFFD';
        at += width;
    }
    return out;
}

std::string encode(std::u16string_view text)
{
    if (text.empty())
        return {};
    std::wstring source;
    source.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        // One character beyond the BMP, or a lone half of one, is one '?'.
        if (c >= 0xD800 && c <= 0xDFFF) {
            if (c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                text[i + 1] <= 0xDFFF)
                ++i;
            source += L'?';
            continue;
        }
        source += static_cast<wchar_t>(jisToWindows(c));
    }
    const int size = static_cast<int>(source.size());
    // No best fit: 'é' must not quietly become 'e'.
    const DWORD flags = WC_NO_BEST_FIT_CHARS;
    const int needed =
        WideCharToMultiByte(CodePage, flags, source.data(), size, nullptr, 0, "?", nullptr);
    if (needed <= 0)
        return {};
    std::string out(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CodePage, flags, source.data(), size, out.data(), needed, "?", nullptr);
    return out;
}

} // namespace Cp932
