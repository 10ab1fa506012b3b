// A program started in the background: writes the arguments its C runtime
// split from its command line, each ended by a NUL, as UTF-16 to the file
// NUBREL_ECHO_FILE names, through a temporary file and a rename.
#include <string>
#include <windows.h>

int wmain(int argc, wchar_t **argv)
{
    wchar_t target[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"NUBREL_ECHO_FILE", target, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return 2;
    std::wstring all;
    for (int i = 1; i < argc; ++i)
        all += std::wstring(argv[i]) + L'\0';
    const std::wstring temporary = std::wstring(target) + L".part";
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 3;
    const DWORD bytes = static_cast<DWORD>(all.size() * sizeof(wchar_t));
    DWORD written = 0;
    const bool ok = WriteFile(file, all.data(), bytes, &written, nullptr) && written == bytes;
    CloseHandle(file);
    if (!ok || !MoveFileExW(temporary.c_str(), target, MOVEFILE_REPLACE_EXISTING))
        return 4;
    return 0;
}
