// A controller on fakes of the whole platform, in a throw-away program folder.
#pragma once

#include "Fakes.h"
#include "ProgramFolder.h"
#include "RigProfile.h"
#include "app/MainController.h"
#include "text/Text.h"

// The device the fake port names for a COM port number: the mapped one when
// there is one.
inline std::u16string deviceOf(int port, std::u16string mapped = {})
{
    return mapped.empty() ? u"port " + Text::number(port) : mapped;
}

struct ControllerRig {
    ProgramFolder folder;
    FakePlatform p;
    MainController c{PlatformParts{p.view, p.tip, p.timer, p.port, p.tray, p.prompts, p.launcher,
                                   p.notifier, p.clock, folder.path()}};
    ProgramState &s = c.state();

    ControllerRig()
    {
        c.setDialogs(p.dialogs);
        if (const Profile *profile = rigProfile())
            c.useProfile(*profile);
    }
};
