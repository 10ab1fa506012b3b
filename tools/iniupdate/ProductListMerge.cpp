#include "ProductListMerge.h"

#include "config/ProductListUpdate.h"
#include "config/basNbComIni.h"
#include "platform/Files.h"
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
    // The program's own rule, the one its per-user data folder gets.
    const ProductListUpdate::Result result = ProductListUpdate::merge(shipped, installed);
    if (result.failed) {
        std::fprintf(stderr, "nubrel-iniupdate: cannot write %s\n",
                     Utf::toUtf8(installed.path()).c_str());
        return 1;
    }
    std::printf("nubrel-iniupdate: %d product entries added\n", result.added);
    return 0;
}
