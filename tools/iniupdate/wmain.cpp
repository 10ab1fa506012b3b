// The same tool for the Windows setup program, which runs it on an update:
// folders come as UTF-16, so no code page can misspell them.
//   nubrel-iniupdate.exe SHIPPED_FOLDER INSTALLED_FOLDER
#include "ProductListMerge.h"

#include <cstdio>
#include <string>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wide characters are UTF-16");

int wmain(int argc, wchar_t *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: nubrel-iniupdate SHIPPED_FOLDER INSTALLED_FOLDER\n");
        return 2;
    }
    const auto folder = [](const wchar_t *arg) {
        return std::u16string(reinterpret_cast<const char16_t *>(arg));
    };
    return ProductListMerge::run(folder(argv[1]), folder(argv[2]));
}
