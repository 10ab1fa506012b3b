// CP932 through glibc's iconv. Its "CP932" table is the Windows one (U+2212 is
// 81 7C, U+FF5E is 81 60, 0x5C stays a backslash); "SHIFT_JIS" is another table
// and must not be used.
#include "platform/Cp932.h"

#include "text/Cp932Bytes.h"
#include "text/Text.h"
#include "text/Utf.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <iconv.h>

namespace {

// Bytes of the UTF-8 sequence that starts with `lead` (Utf::toUtf8 writes only valid ones).
std::size_t utf8Width(unsigned char lead)
{
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

enum class Direction { ToCp932, FromCp932 };

// The one conversion between CP932 and UTF-8. What the source cannot hold or
// does not read as a character becomes the replacement, and conversion goes on
// after it.
std::string transcode(Direction direction, std::string_view input)
{
    const bool toCp932 = direction == Direction::ToCp932;
    iconv_t cd = toCp932 ? iconv_open("CP932", "UTF-8") : iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return {};
    const std::string_view replacement = toCp932 ? "?" : "\xEF\xBF\xBD";

    std::string output;
    output.reserve(input.size() * (toCp932 ? 1 : 2));
    std::array<char, 4096> buffer;
    char *in = const_cast<char *>(input.data()); // iconv's signature; it only reads
    size_t inLeft = input.size();
    while (inLeft > 0) {
        char *out = buffer.data();
        size_t outLeft = buffer.size();
        const size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
        const int error = errno;
        output.append(buffer.data(), static_cast<std::size_t>(out - buffer.data()));
        if (rc != static_cast<size_t>(-1) || error == E2BIG)
            continue;
        // EILSEQ, or EINVAL for a sequence cut short at the end.
        output += replacement;
        const auto at = static_cast<std::size_t>(in - input.data());
        const std::size_t width =
            toCp932 ? utf8Width(static_cast<unsigned char>(*in)) : Cp932Bytes::widthAt(input, at);
        const size_t skip = std::min(inLeft, width);
        in += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return output;
}

bool isAscii(std::string_view bytes)
{
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

namespace Cp932 {

std::u16string decode(std::string_view bytes)
{
    // CP932 keeps ASCII as it is; most settings and every key name are ASCII.
    if (isAscii(bytes))
        return Text::fromLatin1(bytes);
    return Utf::fromUtf8(transcode(Direction::FromCp932, bytes));
}

std::string encode(std::u16string_view text)
{
    // A lone surrogate becomes '?' here already, as CP932 would have it.
    std::string utf8 = Utf::toUtf8(text);
    if (isAscii(utf8))
        return utf8;
    return transcode(Direction::ToCp932, utf8);
}

} // namespace Cp932
