#include "frontend/win32/Win32MessageLoop.h"

#include <algorithm>
#include <vector>

namespace {
std::vector<HWND> &dialogs()
{
    static std::vector<HWND> open;
    return open;
}
bool g_quitting = false;
int g_exitCode = 0;
} // namespace

void Win32MessageLoop::addDialog(HWND dialog)
{
    dialogs().push_back(dialog);
}

void Win32MessageLoop::removeDialog(HWND dialog)
{
    auto &open = dialogs();
    open.erase(std::remove(open.begin(), open.end(), dialog), open.end());
}

void Win32MessageLoop::dispatch(MSG &msg)
{
    // The newest dialog first: a modal one sits above the rest.
    const auto &open = dialogs();
    for (auto it = open.rbegin(); it != open.rend(); ++it) {
        if (IsWindow(*it) && IsDialogMessageW(*it, &msg))
            return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

bool Win32MessageLoop::processPending()
{
    MSG msg{};
    while (!g_quitting && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit(static_cast<int>(msg.wParam));
            break;
        }
        dispatch(msg);
    }
    return !g_quitting;
}

int Win32MessageLoop::run()
{
    MSG msg{};
    while (!g_quitting) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            g_quitting = true;
            g_exitCode = static_cast<int>(msg.wParam);
            break;
        }
        if (got < 0)
            break;
        dispatch(msg);
    }
    return g_exitCode;
}

void Win32MessageLoop::quit(int code)
{
    if (!g_quitting)
        g_exitCode = code;
    g_quitting = true;
    // Modal loops of the system (a message box, a menu) end on the quit
    // message and post it again for the loop outside them.
    PostQuitMessage(code);
}

bool Win32MessageLoop::quitting()
{
    return g_quitting;
}
