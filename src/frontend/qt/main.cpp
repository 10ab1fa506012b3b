// Nubrel: shows who is calling on the telephone line.
#include "app/DisplayChoice.h"
#include "frontend/qt/QtInstanceGuard.h"
#include "frontend/qt/QtProgram.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    const std::string platform = DisplayChoice::platformFor(
        qgetenv("QT_QPA_PLATFORM").toStdString(), qgetenv("WAYLAND_DISPLAY").toStdString(),
        qgetenv("DISPLAY").toStdString());
    if (!platform.empty())
        qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(platform));
    QApplication app(argc, argv);
    // A second copy ends at once: no window, no message, no file touched.
    QtInstanceGuard guard(QCoreApplication::applicationDirPath());
    if (!guard.tryLock())
        return 0;

    QtProgram program(QCoreApplication::applicationDirPath());
    return program.run();
}
