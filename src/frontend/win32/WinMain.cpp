// Nubrel: shows who is calling on the telephone line.
#include "app/DataFolder.h"
#include "frontend/win32/Win32InstanceGuard.h"
#include "frontend/win32/Win32Program.h"
#include "frontend/win32/Win32Text.h"
#include "platform/Files.h"

#include <windows.h>

namespace {
// The folder of the executable, with the separators the program builds its
// paths with.
std::u16string programFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return u".";
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.find_last_of(L"\\/");
    return Files::fromNativeSeparators(
        fromWide(path.substr(0, slash == std::wstring::npos ? 0 : slash)));
}
} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    const DataFolder folders = DataFolder::choose(programFolder(), Files::userDataHome());
    // A second copy for the same files ends at once: no window, no message,
    // no file touched.
    Win32InstanceGuard guard(folders.path());
    if (!guard.tryLock())
        return 0;
    Win32Program program(folders);
    return program.run();
}
