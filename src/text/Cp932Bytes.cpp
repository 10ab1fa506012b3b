#include "text/Cp932Bytes.h"

namespace Cp932Bytes {

std::size_t widthAt(std::string_view bytes, std::size_t at)
{
    if (at + 1 < bytes.size() && isLeadByte(static_cast<unsigned char>(bytes[at])) &&
        isTrailByte(static_cast<unsigned char>(bytes[at + 1])))
        return 2;
    return 1;
}

std::string_view cutAt(std::string_view bytes, int limit)
{
    if (limit <= 0)
        return {};
    const auto max = static_cast<std::size_t>(limit);
    if (bytes.size() <= max)
        return bytes;
    std::size_t end = 0;
    while (end < max) {
        const std::size_t width = widthAt(bytes, end);
        if (end + width > max)
            break;
        end += width;
    }
    return bytes.substr(0, end);
}

} // namespace Cp932Bytes
