// CP932 through glibc's iconv. Its "CP932" table is the Windows one (U+2212 is
// 81 7C, U+FF5E is 81 60, 0x5C stays a backslash); "SHIFT_JIS" is another table
// and must not be used. A Windows build replaces transcode() with the system's
// code page 932 and keeps everything else.
#include "platform/Cp932.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <iconv.h>

namespace {

bool isTrailByte(unsigned char b)
{
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

// Bytes taken by the character that starts at `at`: a lead byte with a trail
// byte after it makes a pair, anything else (including a lead byte at the end
// or before a byte that cannot follow it) stands alone.
qsizetype cp932Width(const QByteArray &bytes, qsizetype at)
{
    if (at + 1 < bytes.size() && Cp932::isLeadByte(static_cast<unsigned char>(bytes[at])) &&
        isTrailByte(static_cast<unsigned char>(bytes[at + 1])))
        return 2;
    return 1;
}

// Bytes of the UTF-8 sequence that starts with `lead` (Qt writes only valid ones).
qsizetype utf8Width(unsigned char lead)
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
QByteArray transcode(Direction direction, const QByteArray &input)
{
    const bool toCp932 = direction == Direction::ToCp932;
    iconv_t cd = toCp932 ? iconv_open("CP932", "UTF-8") : iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return {};
    const QByteArray replacement =
        toCp932 ? QByteArrayLiteral("?") : QByteArrayLiteral("\xEF\xBF\xBD");

    QByteArray output;
    output.reserve(input.size() * (toCp932 ? 1 : 2));
    std::array<char, 4096> buffer;
    char *in = const_cast<char *>(input.constData()); // iconv's signature; it only reads
    size_t inLeft = static_cast<size_t>(input.size());
    while (inLeft > 0) {
        char *out = buffer.data();
        size_t outLeft = buffer.size();
        const size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
        const int error = errno;
        output.append(buffer.data(), static_cast<qsizetype>(out - buffer.data()));
        if (rc != static_cast<size_t>(-1) || error == E2BIG)
            continue;
        // EILSEQ, or EINVAL for a sequence cut short at the end.
        output += replacement;
        const qsizetype at = static_cast<qsizetype>(in - input.constData());
        const qsizetype width =
            toCp932 ? utf8Width(static_cast<unsigned char>(*in)) : cp932Width(input, at);
        const size_t skip = std::min(inLeft, static_cast<size_t>(width));
        in += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return output;
}

bool isAscii(const QByteArray &bytes)
{
    return std::all_of(bytes.cbegin(), bytes.cend(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

namespace Cp932 {

QString decode(const QByteArray &bytes)
{
    // CP932 keeps ASCII as it is; most settings and every key name are ASCII.
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    return QString::fromUtf8(transcode(Direction::FromCp932, bytes));
}

QByteArray encode(const QString &text)
{
    // A lone surrogate becomes U+FFFD here, which CP932 cannot hold: '?'.
    const QByteArray utf8 = text.toUtf8();
    if (isAscii(utf8))
        return utf8;
    return transcode(Direction::ToCp932, utf8);
}

QByteArray cutAt(const QByteArray &bytes, int limit)
{
    if (limit <= 0)
        return QByteArray();
    if (bytes.size() <= limit)
        return bytes;
    qsizetype end = 0;
    while (end < limit) {
        const qsizetype width = cp932Width(bytes, end);
        if (end + width > limit)
            break;
        end += width;
    }
    return bytes.left(end);
}

} // namespace Cp932
