#include "frontend/win32/Win32Program.h"

#include "app/MainController.h"
#include "frontend/win32/Win32ComApartment.h"
#include "frontend/win32/Win32DesktopNotifier.h"
#include "frontend/win32/Win32Dialogs.h"
#include "frontend/win32/Win32Icons.h"
#include "frontend/win32/Win32Launcher.h"
#include "frontend/win32/Win32MessageLoop.h"
#include "frontend/win32/Win32MonitorTimer.h"
#include "frontend/win32/Win32Network.h"
#include "frontend/win32/Win32Profile.h"
#include "frontend/win32/Win32Prompts.h"
#include "frontend/win32/Win32SerialPort.h"
#include "frontend/win32/Win32TrayIcon.h"
#include "frontend/win32/frmNbTip.h"
#include "frontend/win32/frmNubrel.h"
#include "platform/Clock.h"

namespace {
// The main window exists before anything that refers to its handle.
frmNubrel &created(frmNubrel &window)
{
    window.create();
    return window;
}
} // namespace

struct Win32Program::Parts {
    // First in, last out: COM outlives every part that may call the shell.
    Win32ComApartment com;
    MainController *controller = nullptr;
    Win32Icons icons;
    frmNubrel windowObject{icons};
    frmNubrel &window = created(windowObject);
    frmNbTip tip{[this] { return controller ? controller->state().LastNumber : std::u16string(); }};
    Win32MonitorTimer timer{[this] {
        if (controller)
            controller->TimForm_Timer();
    }};
    Win32SerialPort port;
    Win32TrayIcon tray{icons, window.hwnd(), window.popUpMenu()};
    Win32Prompts prompts{[this] { return window.hwnd(); }};
    Win32Launcher launcher;
    Win32DesktopNotifier notifier{tray};
    SystemClock clock;
    Win32Profile profile;
    // The [NCID] roles' connections end with the controller, before it.
    Win32Network network;
    MainController mainController;
    // The windows the menu commands open work on the controller's state and
    // settings file: they come after the controller, which is given them next.
    Win32Dialogs dialogs{mainController.state(),
                         mainController.ini(),
                         prompts,
                         launcher,
                         window.hwnd(),
                         [this] { mainController.mnuTime_Click(); },
                         icons.icon(AppIcon::BuiltIn)};

    explicit Parts(const DataFolder &folders)
        : icons(folders.programFolder()), mainController{PlatformParts{window, tip, timer, port,
                                                                       tray, prompts, launcher,
                                                                       notifier, clock, folders}}
    {
        mainController.useProfile(profile);
        mainController.useNetwork(network);
        mainController.setDialogs(dialogs);
    }
};

Win32Program::Win32Program(const DataFolder &folders) : m_parts(std::make_unique<Parts>(folders))
{
    Parts &p = *m_parts;
    p.controller = &p.mainController;
    p.window.attach(&p.mainController, &p.tray);
    p.window.setLastNumberSource([&p] { return p.mainController.state().LastNumber; });
    p.window.setLastNameSource([&p] { return p.mainController.state().LastName; });
}

Win32Program::~Win32Program() = default;

int Win32Program::run()
{
    m_parts->mainController.Form_Load();
    const int code = Win32MessageLoop::run();
    // A quit that came from elsewhere (the session's end) runs the shut-down too.
    if (!m_parts->mainController.state().Unloaded)
        m_parts->mainController.Form_Unload();
    return code;
}
