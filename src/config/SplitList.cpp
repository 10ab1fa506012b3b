#include "config/ProductEntry.h"

ProductEntry SplitList(std::int16_t index, const QString &entry)
{
    ProductEntry result;
    result.ListIndex = index;
    const qsizetype comma = entry.indexOf(u',');
    if (comma < 0)
        return result;
    bool ok = false;
    const int kind = entry.left(comma).trimmed().toInt(&ok, 10);
    // A kind that is no whole number, or beyond 16 bits, is the default kind 0.
    result.Kind =
        ok && kind >= INT16_MIN && kind <= INT16_MAX ? static_cast<std::int16_t>(kind) : 0;
    result.ProductName = entry.mid(comma + 1);
    return result;
}
