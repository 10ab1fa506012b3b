// The one message loop of the program and the passes of it that run inside
// waits: every message goes to its window, keys of an open dialog to that
// dialog, and the end of the program is noticed wherever the loop runs.
#pragma once

#include <windows.h>

class Win32MessageLoop {
public:
    // Dialogs that are open take their keys (Tab, Enter, Esc) first.
    static void addDialog(HWND dialog);
    static void removeDialog(HWND dialog);

    // Handles every message waiting now. False once the program is ending.
    static bool processPending();
    // Runs until the program ends; the exit code of the quit.
    static int run();
    // Asks every loop to end: the innermost sees it first and passes it on.
    static void quit(int code);
    static bool quitting();

private:
    static void dispatch(MSG &msg);
};
