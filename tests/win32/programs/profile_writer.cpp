// Writes one key of a settings file over and over through the system's
// profile functions, as shut-down does, until it is ended from outside:
//   nubrel_profile_writer FOLDER FIRST   (writes GEN=FIRST, FIRST+1, ...)
#include "config/basNbComIni.h"
#include "frontend/win32/Win32Profile.h"
#include "text/Text.h"

#include <cwchar>
#include <string>

int wmain(int argc, wchar_t **argv)
{
    if (argc != 3)
        return 2;
    const std::wstring folder = argv[1];
    long generation = std::wcstol(argv[2], nullptr, 10);
    const Win32Profile profile;
    basNbComIni ini(std::u16string(folder.begin(), folder.end()));
    ini.setProfile(&profile);
    for (;; ++generation)
        ini.PutIniString(u"NUBREL", u"GEN", Text::number(generation));
}
