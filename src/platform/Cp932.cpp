#include "platform/Cp932.h"

#include <QList>
#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <vector>

namespace {

// One conversion through iconv; a byte sequence the source charset cannot
// read (or a character the target cannot hold) is replaced and skipped.
QByteArray convert(const char *to, const char *from, const QByteArray &input,
                   const QByteArray &replacement, int skipUnit)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return {};
    QByteArray output;
    output.reserve(input.size() * 2 + 16);
    std::vector<char> buffer(4096);
    char *in = const_cast<char *>(input.constData());
    size_t inLeft = static_cast<size_t>(input.size());
    while (inLeft > 0) {
        char *out = buffer.data();
        size_t outLeft = buffer.size();
        const size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
        output.append(buffer.data(), static_cast<qsizetype>(out - buffer.data()));
        if (rc != static_cast<size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        // EILSEQ or EINVAL (cut short): replace one unit and go on.
        output += replacement;
        const size_t skip = std::min(inLeft, static_cast<size_t>(skipUnit));
        in += skip;
        inLeft -= skip;
    }
    iconv_close(cd);
    return output;
}

} // namespace

namespace Cp932 {

QString decode(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return QString();
    const QByteArray utf8 = convert("UTF-8", "CP932", bytes, QByteArray("\xEF\xBF\xBD"), 1);
    return QString::fromUtf8(utf8);
}

QByteArray encode(const QString &text)
{
    if (text.isEmpty())
        return QByteArray();
    // UTF-32 gives a fixed unit to skip over a character CP932 cannot hold.
    const QList<uint> ucs4 = text.toUcs4();
    QByteArray input(reinterpret_cast<const char *>(ucs4.constData()),
                     ucs4.size() * static_cast<qsizetype>(sizeof(uint)));
    return convert("CP932", "UTF-32LE", input, QByteArray("?"), 4);
}

QByteArray cutAt(const QByteArray &bytes, int limit)
{
    if (limit <= 0)
        return QByteArray();
    if (bytes.size() <= limit)
        return bytes;
    int i = 0;
    while (i < limit) {
        const int width = isLeadByte(static_cast<unsigned char>(bytes[i])) ? 2 : 1;
        if (i + width > limit)
            break;
        i += width;
    }
    return bytes.left(i);
}

} // namespace Cp932
