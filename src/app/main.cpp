// Nubrel: shows who is calling on the telephone line.
#include "platform/qt/QtInstanceGuard.h"
#include "platform/qt/QtProgram.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // A second copy ends at once: no window, no message, no file touched.
    QtInstanceGuard guard(QCoreApplication::applicationDirPath());
    if (!guard.tryLock())
        return 0;

    QtProgram program;
    program.start();
    return QApplication::exec();
}
