// Brings the product list of a newly shipped Nubrel.ini into an installed one:
// missing product entries are added, the user's own keys are never changed.
//   nubrel-iniupdate SHIPPED_FOLDER INSTALLED_FOLDER
#include "config/basNbComIni.h"
#include "platform/Files.h"
#include "text/Text.h"
#include "text/Utf.h"

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: nubrel-iniupdate SHIPPED_FOLDER INSTALLED_FOLDER\n");
        return 2;
    }
    const basNbComIni shipped(Utf::fromUtf8(argv[1]));
    const basNbComIni installed(Utf::fromUtf8(argv[2]));
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
    if (shippedCount > installedCount)
        installed.PutIniString(section, countKey, Text::number(shippedCount));
    std::printf("nubrel-iniupdate: %d product entries added\n", added);
    return 0;
}
