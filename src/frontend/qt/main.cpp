// Nubrel: shows who is calling on the telephone line.
#include "app/DisplayChoice.h"
#include "frontend/qt/QtInstanceGuard.h"
#include "frontend/qt/QtProgram.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    const QByteArray platform = DisplayChoice::platformFor(
        qgetenv("QT_QPA_PLATFORM"), qgetenv("WAYLAND_DISPLAY"), qgetenv("DISPLAY"));
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform);
    QApplication app(argc, argv);
    // A second copy ends at once: no window, no message, no file touched.
    QtInstanceGuard guard(QCoreApplication::applicationDirPath());
    if (!guard.tryLock())
        return 0;

    QtProgram program(QCoreApplication::applicationDirPath());
    return program.run();
}
