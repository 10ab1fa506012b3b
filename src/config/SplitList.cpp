#include "config/ProductEntry.h"

#include "text/Text.h"

ProductEntry SplitList(std::int16_t index, const std::u16string &entry)
{
    ProductEntry result;
    result.ListIndex = index;
    const std::size_t comma = entry.find(u',');
    if (comma == std::u16string::npos)
        return result;
    const std::optional<std::int32_t> kind =
        Text::toInt(Text::trimmed(std::u16string_view(entry).substr(0, comma)));
    // A kind that is no whole number, or beyond 16 bits, is the default kind 0.
    result.Kind =
        kind && *kind >= INT16_MIN && *kind <= INT16_MAX ? static_cast<std::int16_t>(*kind) : 0;
    result.ProductName = entry.substr(comma + 1);
    return result;
}
