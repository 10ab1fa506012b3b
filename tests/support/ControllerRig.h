// A controller on fakes of the whole platform, in a throw-away program folder.
#pragma once

#include "Fakes.h"
#include "ProgramFolder.h"
#include "app/MainController.h"

struct ControllerRig {
    ProgramFolder folder;
    FakePlatform p;
    MainController c{PlatformParts{p.view, p.tip, p.timer, p.port, p.tray, p.prompts, p.launcher,
                                   p.notifier, p.clock, folder.path()}};
    ProgramState &s = c.state();

    ControllerRig() { c.setDialogs(p.dialogs); }
};
