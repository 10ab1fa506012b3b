#include "frontend/win32/Win32WaitCursor.h"

namespace {
bool g_waiting = false;
}

void Win32WaitCursor::set(bool waiting)
{
    g_waiting = waiting;
    SetCursor(LoadCursorW(nullptr, waiting ? IDC_WAIT : IDC_ARROW));
}

bool Win32WaitCursor::active()
{
    return g_waiting;
}

bool Win32WaitCursor::apply()
{
    if (!g_waiting)
        return false;
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    return true;
}
