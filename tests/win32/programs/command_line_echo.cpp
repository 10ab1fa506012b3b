// A stand-in for the text editor: writes the command line it was started with,
// as UTF-16, to the file NUBREL_ECHO_FILE names, through a temporary file and
// a rename so the test never reads half of it.
#include <string>
#include <windows.h>

int main()
{
    wchar_t target[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"NUBREL_ECHO_FILE", target, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return 2;
    const std::wstring temporary = std::wstring(target) + L".part";
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 3;
    const wchar_t *line = GetCommandLineW();
    const DWORD bytes = static_cast<DWORD>(lstrlenW(line) * sizeof(wchar_t));
    DWORD written = 0;
    const bool ok = WriteFile(file, line, bytes, &written, nullptr) && written == bytes;
    CloseHandle(file);
    if (!ok || !MoveFileExW(temporary.c_str(), target, MOVEFILE_REPLACE_EXISTING))
        return 4;
    return 0;
}
