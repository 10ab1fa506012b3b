#include "text/Utf.h"

namespace Utf {

namespace {

constexpr char16_t Replacement = 0xFFFD;

bool isContinuation(unsigned char b)
{
    return (b & 0xC0) == 0x80;
}

void appendCode(std::u16string &out, char32_t code)
{
    if (code < 0x10000) {
        out.push_back(static_cast<char16_t>(code));
        return;
    }
    code -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
}

// Decodes the character whose lead byte is at `at`; returns the bytes it took,
// or 0 when it is no complete, well-formed character (the lead byte then
// stands for one replacement, and decoding goes on after it).
std::size_t decodeOne(std::string_view bytes, std::size_t at, std::u16string &out)
{
    const auto lead = static_cast<unsigned char>(bytes[at]);
    std::size_t width = 0;
    char32_t code = 0;
    char32_t lowest = 0;
    if (lead < 0xC2) {
        return 0; // a continuation byte, or the start of an overlong form
    } else if (lead < 0xE0) {
        width = 2;
        code = lead & 0x1F;
        lowest = 0x80;
    } else if (lead < 0xF0) {
        width = 3;
        code = lead & 0x0F;
        lowest = 0x800;
    } else if (lead < 0xF5) {
        width = 4;
        code = lead & 0x07;
        lowest = 0x10000;
    } else {
        return 0;
    }
    if (at + width > bytes.size())
        return 0;
    for (std::size_t i = 1; i < width; ++i) {
        const auto b = static_cast<unsigned char>(bytes[at + i]);
        if (!isContinuation(b))
            return 0;
        code = (code << 6) | (b & 0x3F);
    }
    if (code < lowest || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
        return 0;
    appendCode(out, code);
    return width;
}

std::u16string decode(std::string_view bytes, bool keepMark)
{
    std::u16string out;
    out.reserve(bytes.size());
    std::size_t at = 0;
    if (!keepMark && bytes.substr(0, 3) == "\xEF\xBB\xBF")
        at = 3;
    while (at < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[at]);
        if (b < 0x80) {
            out.push_back(b);
            ++at;
            continue;
        }
        const std::size_t width = decodeOne(bytes, at, out);
        if (width == 0) {
            out.push_back(Replacement);
            ++at;
        } else {
            at += width;
        }
    }
    return out;
}

} // namespace

std::u16string fromUtf8(std::string_view bytes)
{
    return decode(bytes, false);
}

std::u16string fromUtf8KeepingMark(std::string_view bytes)
{
    return decode(bytes, true);
}

std::string toUtf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDFFF) {
            const bool paired = code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                                text[i + 1] <= 0xDFFF;
            if (!paired) {
                out.push_back('?');
                continue;
            }
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return out;
}

std::u16string fromUtf16(std::string_view bytes, ByteOrder order)
{
    const bool little = order == ByteOrder::LittleEndian;
    std::u16string out;
    out.reserve(bytes.size() / 2);
    for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) {
        const auto first = static_cast<unsigned char>(bytes[at]);
        const auto second = static_cast<unsigned char>(bytes[at + 1]);
        const auto unit =
            static_cast<char16_t>(little ? first | (second << 8) : (first << 8) | second);
        if (at == 0 && unit == 0xFEFF)
            continue;
        out.push_back(unit);
    }
    return out;
}

std::string toUtf16(std::u16string_view text, ByteOrder order)
{
    const bool little = order == ByteOrder::LittleEndian;
    std::string out;
    out.reserve(text.size() * 2);
    for (const char16_t unit : text) {
        const auto low = static_cast<char>(unit & 0xFF);
        const auto high = static_cast<char>(unit >> 8);
        out.push_back(little ? low : high);
        out.push_back(little ? high : low);
    }
    return out;
}

} // namespace Utf
