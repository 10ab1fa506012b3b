// A stand-in for the browser the About box starts: writes what it was given
// and how it was shown to the file named by NUBREL_FAKE_BROWSER_LOG, then
// ends. One line each: the number of arguments, each argument (UTF-8), the
// show state it was started with (-1: none given), and whether its window
// really came up visible.
#include <windows.h>

#include <shellapi.h>

#include <string>

namespace {
std::string utf8(const wchar_t *text)
{
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? static_cast<std::size_t>(n) : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}
} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    wchar_t logPath[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"NUBREL_FAKE_BROWSER_LOG", logPath, MAX_PATH))
        return 2;

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    const int given = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;

    // The first ShowWindow of a program takes the state its starter gave.
    HWND window = CreateWindowExW(0, L"STATIC", L"fake browser", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 200, 100, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, showCommand);
    const bool visible = window && IsWindowVisible(window);

    int argc = 0;
    wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::string text = std::to_string(argc > 0 ? argc - 1 : 0) + "\n";
    for (int i = 1; i < argc; ++i)
        text += utf8(argv[i]) + "\n";
    LocalFree(argv);
    text += std::to_string(given) + "\n" + (visible ? "1" : "0") + "\n";

    // Whole or not at all: the test reads it as soon as the name appears.
    const std::wstring partial = std::wstring(logPath) + L".part";
    HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 3;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    MoveFileExW(partial.c_str(), logPath, MOVEFILE_REPLACE_EXISTING);
    if (window)
        DestroyWindow(window);
    return 0;
}
