// Brings the product list of a newly shipped Nubrel.ini into an installed one:
// missing product entries are added, the user's own keys are never changed.
//   nubrel-iniupdate SHIPPED_FOLDER INSTALLED_FOLDER
#include "config/ProductListUpdate.h"
#include "config/basNbComIni.h"
#include "platform/Files.h"
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
    const ProductListUpdate::Result result = ProductListUpdate::merge(shipped, installed);
    if (result.failed) {
        std::fprintf(stderr, "nubrel-iniupdate: cannot write %s\n",
                     Utf::toUtf8(installed.path()).c_str());
        return 1;
    }
    std::printf("nubrel-iniupdate: %d product entries added\n", result.added);
    return 0;
}
