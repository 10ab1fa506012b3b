#include "frontend/win32/Win32MessageLoop.h"

#include <cwchar>

namespace {
bool g_quitting = false;
int g_exitCode = 0;
} // namespace

HWND Win32MessageLoop::dialogOf(HWND window)
{
    if (!window)
        return nullptr;
    HWND root = GetAncestor(window, GA_ROOT);
    wchar_t name[16] = {};
    // The dialog manager's class: the program's dialogs, message boxes and
    // the system's common dialogs alike.
    if (!root || GetClassNameW(root, name, 16) == 0 || std::wcscmp(name, L"#32770") != 0)
        return nullptr;
    return root;
}

void Win32MessageLoop::dispatch(MSG &msg)
{
    // Tab, Enter, Esc and the arrows of a dialog, whether it is modeless or
    // a modal one whose own loop is waiting below this pass.
    if (HWND dialog = dialogOf(msg.hwnd); dialog && IsDialogMessageW(dialog, &msg))
        return;
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
