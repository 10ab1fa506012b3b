#include "frontend/win32/Win32Launcher.h"

#include "frontend/win32/Win32Text.h"
#include "platform/Files.h"

#include <windows.h>

#include <shellapi.h>

namespace {
constexpr wchar_t ClassName[] = L"NubrelLauncher";
constexpr UINT ProcessEnded = WM_APP + 2;

// The wait's thread tells the window; the window runs `ended` on the UI thread.
struct EndNotice {
    HWND window;
    UINT_PTR id;
};
} // namespace

Win32Launcher::Win32Launcher()
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Win32Launcher::proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = ClassName;
    RegisterClassExW(&wc);
    m_hwnd = CreateWindowExW(0, ClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             GetModuleHandleW(nullptr), this);
}

Win32Launcher::~Win32Launcher()
{
    for (auto &[id, running] : m_running) {
        // Waits for the callback to finish, so nothing posts to a window gone.
        UnregisterWaitEx(running.wait, INVALID_HANDLE_VALUE);
        CloseHandle(running.process);
    }
    if (m_hwnd)
        DestroyWindow(m_hwnd);
}

std::wstring Win32Launcher::quoted(const std::wstring &argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return argument;
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote escaped.
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    out += L'"';
    return out;
}

bool Win32Launcher::openTextFile(const std::u16string &path, LateFailure)
{
    // The path as the user reads it everywhere else, with backslashes.
    std::wstring commandLine =
        quoted(m_textEditor) + L' ' + quoted(toWide(Files::toNativeSeparators(path)));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return false;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
}

bool Win32Launcher::openUrl(const std::u16string &url, LateFailure)
{
    // The user's default browser; above 32 means it was started.
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", wide(url), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

bool Win32Launcher::startProgram(const std::u16string &program,
                                 const std::vector<std::u16string> &arguments)
{
    const std::wstring application = toWide(program);
    std::wstring commandLine = quoted(application);
    for (const std::u16string &argument : arguments)
        commandLine += L' ' + quoted(toWide(argument));
    // A normal window that takes the focus: the program's first ShowWindow
    // follows this, whatever it asks for itself.
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info{};
    // The path itself names the program: nothing is looked for elsewhere.
    if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
}

bool Win32Launcher::runProgram(const std::u16string &program,
                               const std::vector<std::u16string> &arguments,
                               std::function<void()> ended)
{
    std::wstring commandLine = quoted(toWide(program));
    for (const std::u16string &argument : arguments)
        commandLine += L' ' + quoted(toWide(argument));

    // Its output goes nowhere, its input is empty, and it gets no window.
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE nul =
        CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = nul;
    startup.hStdOutput = nul;
    startup.hStdError = nul;
    PROCESS_INFORMATION info{};
    // The program is looked for as the system looks for a command: no shell.
    const BOOL started =
        CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, nul != INVALID_HANDLE_VALUE,
                       CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info);
    if (nul != INVALID_HANDLE_VALUE)
        CloseHandle(nul);
    if (!started)
        return false;
    CloseHandle(info.hThread);

    const UINT_PTR id = m_nextId++;
    Running &running = m_running[id];
    running.process = info.hProcess;
    running.ended = std::move(ended);
    auto *notice = new EndNotice{m_hwnd, id};
    if (!RegisterWaitForSingleObject(&running.wait, info.hProcess, &Win32Launcher::processEnded,
                                     notice, INFINITE, WT_EXECUTEONLYONCE)) {
        delete notice;
        running.wait = nullptr;
        // Without a wait it is counted as ended at once.
        PostMessageW(m_hwnd, ProcessEnded, id, 0);
    }
    return true;
}

void CALLBACK Win32Launcher::processEnded(void *context, BOOLEAN)
{
    auto *notice = static_cast<EndNotice *>(context);
    PostMessageW(notice->window, ProcessEnded, notice->id, 0);
    delete notice;
}

void Win32Launcher::finish(UINT_PTR id)
{
    const auto it = m_running.find(id);
    if (it == m_running.end())
        return;
    Running running = std::move(it->second);
    m_running.erase(it);
    if (running.wait)
        UnregisterWaitEx(running.wait, nullptr);
    CloseHandle(running.process);
    if (running.ended)
        running.ended();
}

LRESULT CALLBACK Win32Launcher::proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto *create = reinterpret_cast<CREATESTRUCTW *>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    if (message == ProcessEnded) {
        if (auto *self = reinterpret_cast<Win32Launcher *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)))
            self->finish(static_cast<UINT_PTR>(wParam));
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}
