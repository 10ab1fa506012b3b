// The program's busy pointer: the hourglass over every window of the program
// while a long operation runs on the user-interface thread. The system sets a
// window's own pointer again at every mouse move (WM_SETCURSOR), so each
// window asks here first.
#pragma once

#include <windows.h>

class Win32WaitCursor {
public:
    // Shows the hourglass now and keeps it until set(false).
    static void set(bool waiting);
    static bool active();
    // For a window's WM_SETCURSOR: while waiting, sets the hourglass and
    // returns true (the message is handled); otherwise false.
    static bool apply();
};
