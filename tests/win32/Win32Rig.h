// The controller over the real main window, with fakes for the parts a test
// does not look at, in a throw-away program folder.
#pragma once

#include "Fakes.h"
#include "ProgramFolder.h"
#include "app/MainController.h"
#include "frontend/win32/Win32Icons.h"
#include "frontend/win32/Win32MessageLoop.h"
#include "frontend/win32/frmNubrel.h"

#include <functional>

struct Win32Rig {
    ProgramFolder folder;
    FakePlatform p;
    Win32Icons icons{folder.path()};
    frmNubrel window{icons};
    bool created = window.create();

    MainController controller(TrayIcon &tray, Prompts &prompts)
    {
        return MainController{PlatformParts{window, p.tip, p.timer, p.port, tray, prompts,
                                            p.launcher, p.notifier, p.clock, folder.path()}};
    }
};

// Runs the message loop until `done`, for 20 s at most; false if it never came.
inline bool pumpUntil(const std::function<bool()> &done)
{
    for (int i = 0; i < 2000; ++i) {
        if (done())
            return true;
        Win32MessageLoop::processPending();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return done();
}
