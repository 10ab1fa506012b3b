// The notification-area icon on QSystemTrayIcon: add, modify, delete, and the
// mouse actions handed to the controller.
#include "ControllerRig.h"
#include "platform/TrayTip.h"
#include "platform/qt/QtIcons.h"
#include "platform/qt/QtTrayIcon.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <cmath>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QImage imageOf(const QIcon &icon)
{
    return icon.pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32);
}

TrayIconData record(AppIcon icon, const QString &text)
{
    TrayIconData d;
    d.cbSize = 88;
    d.uID = 1;
    d.uFlags = 7;
    d.uCallbackMessage = 0x207;
    d.hIcon = icon;
    d.szTip = makeSzTip(text);
    return d;
}

} // namespace

TEST(QtTrayIcon, WithoutANotificationAreaNothingIsAdded)
{
    // The offscreen platform has no notification area.
    QtTrayIcon tray(QtIcons::builtIn);
    EXPECT_FALSE(tray.isAvailable());
    EXPECT_FALSE(
        tray.Shell_NotifyIcon(NotifyMessage::NIM_ADD, record(AppIcon::BuiltIn, u"準備中"_s)));
    EXPECT_FALSE(tray.isAdded());
    EXPECT_FALSE(tray.systemTrayIcon().isVisible());

    // With no icon, a modify has no effect and a delete has nothing to remove.
    EXPECT_FALSE(tray.Shell_NotifyIcon(NotifyMessage::NIM_MODIFY,
                                       record(AppIcon::Running, u"0312345678"_s)));
    EXPECT_TRUE(tray.systemTrayIcon().toolTip().isEmpty());
    EXPECT_TRUE(tray.systemTrayIcon().icon().isNull());
    EXPECT_FALSE(tray.Shell_NotifyIcon(NotifyMessage::NIM_DELETE, TrayIconData{}));
}

TEST(QtTrayIcon, AddModifyDeleteOnADesktopWithATray)
{
    QtTrayIcon tray(QtIcons::builtIn, [] { return true; });
    const QtTrayIcon &t = tray;

    EXPECT_FALSE(tray.Shell_NotifyIcon(NotifyMessage::NIM_MODIFY,
                                       record(AppIcon::Running, u"0312345678"_s)));
    EXPECT_TRUE(t.systemTrayIcon().toolTip().isEmpty()) << "modify before add";

    ASSERT_TRUE(
        tray.Shell_NotifyIcon(NotifyMessage::NIM_ADD, record(AppIcon::Stopped, u"準備中"_s)));
    EXPECT_TRUE(t.systemTrayIcon().isVisible());
    EXPECT_EQ(t.systemTrayIcon().toolTip(), u"準備中"_s);
    EXPECT_EQ(imageOf(t.systemTrayIcon().icon()), imageOf(QtIcons::builtIn(AppIcon::Stopped)));
    EXPECT_TRUE(t.systemTrayIcon().contextMenu() == nullptr) << "the program opens its own menu";
    EXPECT_FALSE(tray.Shell_NotifyIcon(NotifyMessage::NIM_ADD, record(AppIcon::Running, u"x"_s)))
        << "the icon is there already";
    EXPECT_EQ(t.systemTrayIcon().toolTip(), u"準備中"_s);

    // A new number: the title followed by a NUL, as the call recorder sends it;
    // only 64 bytes of it reach the tooltip.
    TrayIconData d = record(AppIcon::Running, QString());
    d.szTip = u"a"_s.repeated(63) + u"非通知"_s + QChar(u'\0');
    EXPECT_TRUE(tray.Shell_NotifyIcon(NotifyMessage::NIM_MODIFY, d));
    EXPECT_EQ(t.systemTrayIcon().toolTip(), u"a"_s.repeated(63));
    EXPECT_EQ(imageOf(t.systemTrayIcon().icon()), imageOf(QtIcons::builtIn(AppIcon::Running)));

    EXPECT_TRUE(tray.Shell_NotifyIcon(NotifyMessage::NIM_DELETE, d));
    EXPECT_FALSE(t.systemTrayIcon().isVisible());
    EXPECT_FALSE(
        tray.Shell_NotifyIcon(NotifyMessage::NIM_MODIFY, record(AppIcon::Stopped, u"非通知"_s)));
    EXPECT_EQ(t.systemTrayIcon().toolTip(), u"a"_s.repeated(63)) << "modify after delete";
}

TEST(QtTrayIcon, ActivationsReachTheControllerAsItsMouseMessages)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    struct Case {
        QSystemTrayIcon::ActivationReason reason;
        const char *outcome; // "restore", "menu" or "none"
    } cases[] = {
        {QSystemTrayIcon::DoubleClick, "restore"}, {QSystemTrayIcon::Context, "menu"},
        {QSystemTrayIcon::Trigger, "none"},        {QSystemTrayIcon::MiddleClick, "none"},
        {QSystemTrayIcon::Unknown, "none"},
    };
    for (const Case &c : cases) {
        ControllerRig r;
        r.p.view.m_twipsPerPixel = 1440.0 / screen->logicalDotsPerInchX();
        r.c.Form_Load();
        r.c.mnuTask_Click();
        ASSERT_TRUE(r.s.InTray);

        QtTrayIcon tray(QtIcons::builtIn);
        int calls = 0;
        tray.setMouseHandler([&](int button, double xTwips) {
            ++calls;
            r.c.Form_MouseDown(button, 0, xTwips, 0);
        });
        tray.trayActivated(c.reason);
        const std::string outcome = !r.s.InTray             ? "restore"
                                    : r.p.view.m_popUps > 0 ? "menu"
                                                            : "none";
        EXPECT_EQ(outcome, c.outcome) << int(c.reason);
        EXPECT_EQ(r.p.view.m_delVisible, outcome == "menu") << int(c.reason);
        const bool passedOn = c.reason == QSystemTrayIcon::DoubleClick ||
                              c.reason == QSystemTrayIcon::Context ||
                              c.reason == QSystemTrayIcon::Trigger;
        EXPECT_EQ(calls, passedOn ? 1 : 0) << int(c.reason);
    }
}

TEST(QtTrayIcon, MessageSurvivesTheControllersRoundingAtAnyDpi)
{
    // The controller divides X, rounded, by the twips per pixel, rounded.
    for (const double dpi : {72.0, 96.0, 110.0, 120.0, 144.0, 168.0, 192.0, 288.0}) {
        const long twipsPerPixel = std::lround(1440.0 / dpi);
        for (const int message : {0x201, 0x203, 0x204}) {
            const double x = QtTrayIcon::messageTwips(message, dpi);
            EXPECT_EQ(std::lround(x) / twipsPerPixel, message) << dpi;
        }
    }
    EXPECT_EQ(QtTrayIcon::messageTwips(0x203, 96.0), 0x203 * 15);
}
