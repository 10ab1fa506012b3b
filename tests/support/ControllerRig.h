// A controller on fakes of the whole platform, in a throw-away program folder.
#pragma once

#include "Fakes.h"
#include "ProgramFolder.h"
#include "app/MainController.h"
#include "text/Text.h"

// The device a COM port number opens: on Windows the system's own COMn, the
// [PORTS] section being only for the other systems; elsewhere the mapped
// device when there is one, else the n-th serial device.
inline std::u16string deviceOf(int port, std::u16string mapped = {})
{
#ifdef _WIN32
    (void)mapped;
    return u"COM" + Text::number(port);
#else
    return mapped.empty() ? u"/dev/ttyS" + Text::number(port - 1) : mapped;
#endif
}

struct ControllerRig {
    ProgramFolder folder;
    FakePlatform p;
    MainController c{PlatformParts{p.view, p.tip, p.timer, p.port, p.tray, p.prompts, p.launcher,
                                   p.notifier, p.clock, folder.path()}};
    ProgramState &s = c.state();

    ControllerRig() { c.setDialogs(p.dialogs); }
};
