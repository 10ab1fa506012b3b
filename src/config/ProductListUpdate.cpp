#include "config/ProductListUpdate.h"

#include "config/basNbComIni.h"
#include "text/Text.h"

namespace ProductListUpdate {

Result merge(const basNbComIni &shipped, const basNbComIni &installed)
{
    const std::u16string section = u"NUBREL";
    const std::u16string countKey = u"PRODUCTSLISTCNT";
    const int shippedCount = shipped.GetIniInt(section, countKey, 0);
    const int installedCount = installed.GetIniInt(section, countKey, 0);
    Result result;
    for (int n = 0; n < shippedCount; ++n) {
        const std::u16string key = u"PRODUCTSLIST" + Text::number(n);
        const std::u16string entry = shipped.GetIniString(section, key, std::u16string());
        if (entry.empty() || !installed.GetIniString(section, key, std::u16string()).empty())
            continue;
        if (installed.PutIniString(section, key, entry) == 0) {
            result.failed = true;
            return result;
        }
        ++result.added;
    }
    if (shippedCount > installedCount &&
        installed.PutIniString(section, countKey, Text::number(shippedCount)) == 0)
        result.failed = true;
    return result;
}

} // namespace ProductListUpdate
