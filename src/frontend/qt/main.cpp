// Nubrel: shows who is calling on the telephone line.
#include "app/DataFolder.h"
#include "app/DisplayChoice.h"
#include "frontend/qt/QtInstanceGuard.h"
#include "frontend/qt/QtProgram.h"
#include "frontend/qt/QtText.h"
#include "platform/Files.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    const std::string platform = DisplayChoice::platformFor(
        qgetenv("QT_QPA_PLATFORM").toStdString(), qgetenv("WAYLAND_DISPLAY").toStdString(),
        qgetenv("DISPLAY").toStdString());
    if (!platform.empty())
        qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(platform));
    QApplication app(argc, argv);
    const DataFolder folders =
        DataFolder::choose(fromQt(QCoreApplication::applicationDirPath()), Files::userDataHome());
    // A second copy for the same files ends at once: no window, no message,
    // no file touched.
    QtInstanceGuard guard(toQt(folders.path()));
    if (!guard.tryLock())
        return 0;

    QtProgram program(folders);
    return program.run();
}
