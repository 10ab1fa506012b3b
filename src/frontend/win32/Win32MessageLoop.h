// The one message loop of the program and the passes of it that run inside
// waits (also inside a modal dialog's own loop): every message goes to its
// window, keys of a dialog (the program's, a message box, the font dialog) go
// through that dialog as its own loop would take them, and the end of the
// program is noticed wherever the loop runs.
#pragma once

#include <windows.h>

class Win32MessageLoop {
public:
    // Handles every message waiting now. False once the program is ending.
    static bool processPending();
    // Runs until the program ends; the exit code of the quit.
    static int run();
    // Asks every loop to end: the innermost sees it first and passes it on.
    static void quit(int code);
    static bool quitting();

private:
    static void dispatch(MSG &msg);
    // The dialog of the dialog manager the message's window belongs to.
    static HWND dialogOf(HWND window);
};
