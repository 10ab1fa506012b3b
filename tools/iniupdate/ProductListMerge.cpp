#include "ProductListMerge.h"

#include "config/basNbComIni.h"
#include "platform/Files.h"
#include "text/Text.h"
#include "text/Utf.h"

#include <cstdio>

int ProductListMerge::run(const std::u16string &shippedFolder,
                          const std::u16string &installedFolder)
{
    const basNbComIni shipped(shippedFolder);
    const basNbComIni installed(installedFolder);
    if (!Files::exists(shipped.path())) {
        std::fprintf(stderr, "nubrel-iniupdate: %s is missing\n",
                     Utf::toUtf8(shipped.path()).c_str());
        return 1;
    }
    const std::u16string section = u"NUBREL";
    const std::u16string countKey = u"PRODUCTSLISTCNT";
    const int shippedCount = shipped.GetIniInt(section, countKey, 0);
    const int installedCount = installed.GetIniInt(section, countKey, 0);
    int added = 0;
    for (int n = 0; n < shippedCount; ++n) {
        const std::u16string key = u"PRODUCTSLIST" + Text::number(n);
        const std::u16string entry = shipped.GetIniString(section, key, std::u16string());
        if (entry.empty() || !installed.GetIniString(section, key, std::u16string()).empty())
            continue;
        if (installed.PutIniString(section, key, entry) == 0) {
            std::fprintf(stderr, "nubrel-iniupdate: cannot write %s\n",
                         Utf::toUtf8(installed.path()).c_str());
            return 1;
        }
        ++added;
    }
    // Only raised: entries the user added after the shipped ones stay counted.
    if (shippedCount > installedCount &&
        installed.PutIniString(section, countKey, Text::number(shippedCount)) == 0) {
        std::fprintf(stderr, "nubrel-iniupdate: cannot write %s\n",
                     Utf::toUtf8(installed.path()).c_str());
        return 1;
    }
    std::printf("nubrel-iniupdate: %d product entries added\n", added);
    return 0;
}
