// Brings the product list of a newly shipped Nubrel.ini into an installed one.
//   nubrel-iniupdate SHIPPED_FOLDER INSTALLED_FOLDER
#include "ProductListMerge.h"

#include "text/Utf.h"

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: nubrel-iniupdate SHIPPED_FOLDER INSTALLED_FOLDER\n");
        return 2;
    }
    return ProductListMerge::run(Utf::fromUtf8(argv[1]), Utf::fromUtf8(argv[2]));
}
