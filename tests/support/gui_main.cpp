// Test main for programs that need a QApplication (offscreen unless told otherwise).
#include "frontend/qt/QtFonts.h"

#include <QApplication>
#include <gmock/gmock.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The faces the program itself asks for, so layouts are checked as users see them.
    QtFonts::installFontSubstitutes();
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
