#include "frontend/qt/QtProgram.h"

#include "app/MainController.h"
#include "frontend/qt/QtDesktopNotifier.h"
#include "frontend/qt/QtDialogs.h"
#include "frontend/qt/QtFonts.h"
#include "frontend/qt/QtIcons.h"
#include "frontend/qt/QtLauncher.h"
#include "frontend/qt/QtMonitorTimer.h"
#include "frontend/qt/QtNetwork.h"
#include "frontend/qt/QtPrompts.h"
#include "frontend/qt/QtSerialPort.h"
#include "frontend/qt/QtSignalWatcher.h"
#include "frontend/qt/QtText.h"
#include "frontend/qt/QtTranslations.h"
#include "frontend/qt/QtTrayIcon.h"
#include "frontend/qt/frmNbAbout.h"
#include "frontend/qt/frmNbHelp.h"
#include "frontend/qt/frmNbTip.h"
#include "frontend/qt/frmNubrel.h"
#include "platform/Clock.h"

#include <QApplication>
#include <QFont>
#include <QSessionManager>
#include <QTimer>

struct QtProgram::Parts {
    MainController *controller = nullptr;
    frmNubrel window{[](AppIcon icon) { return QtIcons::iconFor(icon); }};
    frmNbTip tip{[this] { return controller ? controller->state().LastNumber : std::u16string(); }};
    QtMonitorTimer timer{[this] {
        if (controller)
            controller->TimForm_Timer();
    }};
    QtSerialPort port;
    QtTrayIcon tray{[](AppIcon icon) { return QtIcons::iconFor(icon); }};
    QtPrompts prompts{&window};
    QtLauncher launcher;
    QtDesktopNotifier notifier{QtIcons::iconFor(AppIcon::BuiltIn).pixmap(48).toImage()};
    SystemClock clock;
    // The [NCID] roles' connections end with the controller, before it.
    QtNetwork network;
    MainController mainController;
    // The windows the menu commands open work on the controller's state and
    // settings file: they come after the controller, which is given them next.
    QtDialogs dialogs{mainController.state(),
                      mainController.ini(),
                      prompts,
                      launcher,
                      &window,
                      [this] { mainController.mnuTime_Click(); },
                      QtIcons::iconFor(AppIcon::BuiltIn)};
    QtSignalWatcher signalWatcher{[this] {
        if (mainController.state().Unloaded)
            return false;
        mainController.Form_Unload();
        return true;
    }};

    explicit Parts(const DataFolder &folders)
        : mainController{PlatformParts{window, tip, timer, port, tray, prompts, launcher, notifier,
                                       clock, folders}}
    {
        mainController.useNetwork(network);
        mainController.setDialogs(dialogs);
    }
};

QtProgram::QtProgram(const DataFolder &folders)
{
    QtFonts::installFontSubstitutes();
    QtTranslations::installJapanese();
    QApplication::setQuitOnLastWindowClosed(false);
    m_parts = std::make_unique<Parts>(folders);
    Parts &p = *m_parts;
    p.controller = &p.mainController;
    p.window.attach(&p.mainController);
    p.tray.setMenus(p.window.popUpMenu(), p.window.trayMenu());
    p.tray.setRequestHandlers([&p] { p.mainController.TrayIcon_RestoreRequested(); },
                              [&p] { p.mainController.TrayIcon_MenuRequested(); });
    p.window.setLastNumberSource([&p] { return p.mainController.state().LastNumber; });
    p.window.setLastNameSource([&p] { return p.mainController.state().LastName; });
    // Log-off: the settings now; the end comes when the session really ends
    // (or never, when the log-off is cancelled). Qt must not be ended from
    // inside this request.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, &p.window,
                     [&p](QSessionManager &) { p.mainController.SaveWindowSettings(); });
    // The session ended the event loop (or a window-system quit did): the
    // shut-down runs all the same.
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, &p.window,
                     [&p] { p.mainController.Form_Unload(); });
}

QtProgram::~QtProgram() = default;

void QtProgram::start()
{
    m_parts->mainController.Form_Load();
}

int QtProgram::run()
{
    QTimer::singleShot(0, &m_parts->window, [this] { start(); });
    return QApplication::exec();
}

MainController &QtProgram::controller()
{
    return m_parts->mainController;
}

QWidget &QtProgram::mainWindow()
{
    return m_parts->window;
}
