// The notification-area icon on QSystemTrayIcon: add, modify, delete, and the
// requests its gestures make on each kind of tray host.
#include "app/TrayTip.h"
#include "frontend/qt/QtIcons.h"
#include "frontend/qt/QtText.h"
#include "frontend/qt/QtTrayIcon.h"

#include <QApplication>
#include <QDBusConnection>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QThread>
#include <QToolTip>
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
    d.szTip = makeSzTip(fromQt(text));
    return d;
}

// Whether a tooltip of `text` is drawn as the characters typed: the tooltip
// as Qt shows it, against the same label told to draw plain text.
bool tooltipShownAsTyped(const QString &text)
{
    QToolTip::showText(QPoint(200, 200), text);
    QLabel *tip = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->inherits("QTipLabel") && w->isVisible())
            tip = qobject_cast<QLabel *>(w);
    }
    if (!tip) {
        ADD_FAILURE() << "no tooltip shown";
        return false;
    }
    const QImage shown = tip->grab().toImage();
    tip->setTextFormat(Qt::PlainText);
    const QImage plain = tip->grab().toImage();
    tip->setTextFormat(Qt::AutoText);
    QToolTip::hideText();
    return shown == plain;
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
    d.szTip = fromQt(u"a"_s.repeated(63) + u"非通知"_s + QChar(u'\0'));
    EXPECT_TRUE(tray.Shell_NotifyIcon(NotifyMessage::NIM_MODIFY, d));
    EXPECT_EQ(t.systemTrayIcon().toolTip(), u"a"_s.repeated(63));
    EXPECT_EQ(imageOf(t.systemTrayIcon().icon()), imageOf(QtIcons::builtIn(AppIcon::Running)));

    EXPECT_TRUE(tray.Shell_NotifyIcon(NotifyMessage::NIM_DELETE, d));
    EXPECT_FALSE(t.systemTrayIcon().isVisible());
    EXPECT_FALSE(
        tray.Shell_NotifyIcon(NotifyMessage::NIM_MODIFY, record(AppIcon::Stopped, u"非通知"_s)));
    EXPECT_EQ(t.systemTrayIcon().toolTip(), u"a"_s.repeated(63)) << "modify after delete";
}

TEST(QtTrayIcon, EachHostsGesturesBecomeRequests)
{
    using H = QtTrayIcon::Host;
    using R = QSystemTrayIcon::ActivationReason;
    struct Case {
        H host;
        R reason;
        const char *request; // "restore", "menu" or "none"
    } cases[] = {
        // An XEmbed tray passes the mouse on: only a double-click restores.
        {H::XEmbed, R::DoubleClick, "restore"},
        {H::XEmbed, R::Trigger, "none"},
        {H::XEmbed, R::Context, "menu"},
        {H::XEmbed, R::MiddleClick, "none"},
        // A StatusNotifier host's primary activation is a single left click.
        {H::StatusNotifier, R::Trigger, "restore"},
        {H::StatusNotifier, R::DoubleClick, "restore"},
        {H::StatusNotifier, R::Context, "menu"},
        {H::StatusNotifier, R::MiddleClick, "none"},
        {H::StatusNotifier, R::Unknown, "none"},
    };
    for (const Case &c : cases) {
        QtTrayIcon tray(QtIcons::builtIn);
        tray.setHost(c.host);
        std::string request = "none";
        tray.setRequestHandlers([&] { request = "restore"; }, [&] { request = "menu"; });
        tray.trayActivated(c.reason);
        EXPECT_EQ(request, c.request) << int(c.host) << " " << int(c.reason);
    }
}

TEST(QtTrayIcon, AStatusNotifierHostShowsTheExportedMenuItself)
{
    QMenu popUp;
    QMenu exported;
    QAction *cancel = popUp.addAction(u"ｷｬﾝｾﾙ"_s);
    cancel->setVisible(false);
    exported.addActions(popUp.actions());

    QtTrayIcon tray(QtIcons::builtIn);
    tray.setMenus(&popUp, &exported);
    tray.setHost(QtTrayIcon::Host::XEmbed);
    EXPECT_EQ(tray.systemTrayIcon().contextMenu(), nullptr)
        << "an XEmbed tray would open it at every press: the program opens its own";
    tray.setHost(QtTrayIcon::Host::StatusNotifier);
    EXPECT_EQ(tray.systemTrayIcon().contextMenu(), &exported);

    // The host asks for the menu: the request shows ｷｬﾝｾﾙ before the host
    // reads the items, and nothing pops up at the cursor besides.
    int requests = 0;
    tray.setRequestHandlers({}, [&] {
        ++requests;
        cancel->setVisible(true);
        tray.openMenu();
    });
    Q_EMIT exported.aboutToShow();
    EXPECT_EQ(requests, 1);
    EXPECT_TRUE(exported.actions().constFirst()->isVisible());
    EXPECT_FALSE(popUp.isVisible());
}

TEST(QtTrayIcon, TheNameIsTheTooltipsSecondLineAsTyped)
{
    TrayIconData d = record(AppIcon::Running, u"0312345678"_s);
    EXPECT_EQ(QtTrayIcon::tooltipFor(d), u"0312345678"_s) << "no name, as before";

    // An XEmbed tray's tooltip renders what Qt takes for markup; a name that
    // looks like markup must still show as typed.
    for (const QString &name : {u"山田 太郎"_s, u"<b>x</b>"_s, u"<a href=\"x\">y</a> &amp; z"_s}) {
        d.nameLine = fromQt(name);
        const QString sent = QtTrayIcon::tooltipFor(d);
        EXPECT_EQ(sent, u"0312345678\n"_s + name);
        EXPECT_TRUE(tooltipShownAsTyped(sent)) << name.toStdString();
    }
    d.szTip = makeSzTip(u"非通知");
    d.nameLine = u"<i>x</i>";
    EXPECT_TRUE(tooltipShownAsTyped(QtTrayIcon::tooltipFor(d)));
    EXPECT_FALSE(tooltipShownAsTyped(u"<i>x</i>\n非通知"_s)) << "markup first is drawn as markup";

    QtTrayIcon tray(QtIcons::builtIn, [] { return true; });
    ASSERT_TRUE(tray.Shell_NotifyIcon(NotifyMessage::NIM_ADD, d));
    EXPECT_EQ(tray.systemTrayIcon().toolTip(), u"非通知\n<i>x</i>"_s);
}

namespace {

// A StatusNotifier watcher with a host registered, as a StatusNotifier panel
// puts on the session bus.
class SniWatcher final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
public:
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString &) {}
    void RegisterStatusNotifierHost(const QString &) {}
};

// On a connection and a thread of its own, so it answers the calls Qt's icon
// makes while the main thread waits for them.
class WatcherOnItsOwnThread {
public:
    WatcherOnItsOwnThread()
    {
        m_thread.start();
        m_watcher.moveToThread(&m_thread);
        m_registered = m_bus.registerObject(u"/StatusNotifierWatcher"_s, &m_watcher,
                                            QDBusConnection::ExportAllProperties |
                                                QDBusConnection::ExportAllSlots) &&
                       m_bus.registerService(u"org.kde.StatusNotifierWatcher"_s);
    }
    ~WatcherOnItsOwnThread()
    {
        leave();
        m_thread.quit();
        m_thread.wait();
        QDBusConnection::disconnectFromBus(u"watcher"_s);
    }
    WatcherOnItsOwnThread(const WatcherOnItsOwnThread &) = delete;
    WatcherOnItsOwnThread &operator=(const WatcherOnItsOwnThread &) = delete;
    bool registered() const { return m_registered; }
    void leave()
    {
        m_bus.unregisterService(u"org.kde.StatusNotifierWatcher"_s);
        m_bus.unregisterObject(u"/StatusNotifierWatcher"_s);
    }

private:
    QThread m_thread;
    SniWatcher m_watcher;
    QDBusConnection m_bus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"watcher"_s);
    bool m_registered = false;
};

} // namespace

// Qt decides the kind of icon once per process: a StatusNotifier host that
// went away since must not leave the program waiting for a double-click that
// never comes. Runs on a display and a session bus of its own with no XEmbed
// tray (tests/CMakeLists.txt); the XEmbed side is the end-to-end cases' on icewm.
TEST(QtTrayIconOnABus, FollowsTheKindOfIconQtReallyMade)
{
    if (!QDBusConnection::sessionBus().isConnected() || QGuiApplication::platformName() != u"xcb")
        GTEST_SKIP() << "needs a session bus and an X display";
    WatcherOnItsOwnThread watcher;
    ASSERT_TRUE(watcher.registered());
    const TrayIconData d = record(AppIcon::BuiltIn, u"準備中"_s);
    {
        QtTrayIcon first(QtIcons::builtIn, [] { return true; });
        ASSERT_TRUE(first.Shell_NotifyIcon(NotifyMessage::NIM_ADD, d));
    }
    watcher.leave();

    QtTrayIcon tray(QtIcons::builtIn, [] { return true; });
    ASSERT_TRUE(tray.Shell_NotifyIcon(NotifyMessage::NIM_ADD, d));
    EXPECT_EQ(tray.host(), QtTrayIcon::Host::StatusNotifier);
    bool restored = false;
    tray.setRequestHandlers([&] { restored = true; }, {});
    tray.trayActivated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(restored);
}

#include "test_qt_tray_icon.moc"
