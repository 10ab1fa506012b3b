#include "frontend/qt/QtTrayIcon.h"

#include "app/TrayTip.h"
#include "frontend/qt/QtText.h"

#include <QApplication>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QMenu>
#include <algorithm>
#include <utility>

namespace {

constexpr int AreaCheckMs = 250;

// Qt 5.x and 6.x up to at least 6.4 (Debian 12's) take a StatusNotifier host
// when, as the first icon of the process is created, a watcher on the session
// bus says a host is registered, and keep that answer for the process;
// otherwise they embed the icon in an XEmbed tray. The same question, asked at
// the same moment, foretells which; once the icon is shown, Qt's widgets tell
// what it really made (embeddedInAnXEmbedTray).
bool statusNotifierHostOnSessionBus()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    if (!bus.interface()->isServiceRegistered(watcher))
        return false;
    QDBusInterface host(watcher, QStringLiteral("/StatusNotifierWatcher"), watcher, bus);
    return host.isValid() && host.property("IsStatusNotifierHostRegistered").toBool();
}

// Qt embeds an icon in an XEmbed tray through a top-level widget of its own
// class QSystemTrayIconSys (Qt 5.x and 6.x); without one, a shown icon went
// to a StatusNotifier host or nowhere, and no double-click can come.
bool embeddedInAnXEmbedTray()
{
    const QWidgetList widgets = QApplication::topLevelWidgets();
    return std::any_of(widgets.cbegin(), widgets.cend(), [](const QWidget *w) {
        return qstrcmp(w->metaObject()->className(), "QSystemTrayIconSys") == 0;
    });
}

} // namespace

QtTrayIcon::QtTrayIcon(IconSource icons, Availability available, QObject *parent)
    : QObject(parent), m_icons(std::move(icons)), m_available(std::move(available))
{
    m_host = statusNotifierHostOnSessionBus() ? Host::StatusNotifier : Host::XEmbed;
    connect(&m_tray, &QSystemTrayIcon::activated, this, &QtTrayIcon::trayActivated);
    m_areaPoll.setInterval(AreaCheckMs);
    connect(&m_areaPoll, &QTimer::timeout, this, &QtTrayIcon::checkArea);
}

void QtTrayIcon::setMenus(QMenu *popUp, QMenu *exported)
{
    if (m_exportedMenu)
        disconnect(m_exportedMenu, nullptr, this, nullptr);
    m_popUpMenu = popUp;
    m_exportedMenu = exported;
    if (m_exportedMenu)
        connect(m_exportedMenu, &QMenu::aboutToShow, this, &QtTrayIcon::exportedMenuAboutToShow);
    setHost(m_host);
}

void QtTrayIcon::setHost(Host host)
{
    m_host = host;
    // An XEmbed tray opens a context menu on its own at every right press,
    // so it gets none: the program opens mnuPopUp when it sees the press.
    m_tray.setContextMenu(m_host == Host::StatusNotifier ? m_exportedMenu.data() : nullptr);
}

void QtTrayIcon::setRequestHandlers(Request restore, Request menu)
{
    m_restore = std::move(restore);
    m_menu = std::move(menu);
}

bool QtTrayIcon::isAvailable() const
{
    return m_available ? m_available() : QSystemTrayIcon::isSystemTrayAvailable();
}

void QtTrayIcon::apply(const TrayIconData &data)
{
    if (m_icons)
        m_tray.setIcon(m_icons(data.hIcon));
    m_tray.setToolTip(tooltipFor(data));
}

QString QtTrayIcon::tooltipFor(const TrayIconData &data)
{
    const QString tip = toQt(trayTooltip(data.szTip));
    return data.nameLine.empty() ? tip : tip + u'\n' + toQt(data.nameLine);
}

bool QtTrayIcon::Shell_NotifyIcon(NotifyMessage message, const TrayIconData &data)
{
    switch (message) {
    case NotifyMessage::NIM_ADD:
        // Like the shell: no area to put it in, or the icon is there already.
        if (m_added || !isAvailable())
            return false;
        apply(data);
        m_tray.show();
        m_added = true;
        // Follow what Qt made, should the bus have changed since the icon was
        // created: a StatusNotifier host sends no double-click, so its single
        // activation must restore.
        setHost(embeddedInAnXEmbedTray() ? Host::XEmbed : Host::StatusNotifier);
        return true;
    case NotifyMessage::NIM_MODIFY:
        if (!m_added)
            return false;
        apply(data);
        return true;
    case NotifyMessage::NIM_DELETE:
        if (!m_added)
            return false;
        m_tray.hide();
        m_added = false;
        return true;
    }
    return false;
}

void QtTrayIcon::trayActivated(QSystemTrayIcon::ActivationReason reason)
{
    const bool statusNotifier = m_host == Host::StatusNotifier;
    switch (reason) {
    case QSystemTrayIcon::DoubleClick:
        if (m_restore)
            m_restore();
        return;
    case QSystemTrayIcon::Trigger:
        // On an XEmbed tray this is a single press, which does nothing; a
        // StatusNotifier host sends it for its primary activation.
        if (statusNotifier && m_restore)
            m_restore();
        return;
    case QSystemTrayIcon::Context:
        if (m_menu)
            m_menu();
        return;
    case QSystemTrayIcon::MiddleClick:
    case QSystemTrayIcon::Unknown:
        return;
    }
}

void QtTrayIcon::exportedMenuAboutToShow()
{
    m_hostShowsMenu = true;
    if (m_menu)
        m_menu();
    m_hostShowsMenu = false;
}

void QtTrayIcon::openMenu()
{
    if (m_hostShowsMenu || !m_popUpMenu)
        return;
    // The window may be hidden in the tray: make the menu able to take input.
    m_popUpMenu->popup(QCursor::pos());
    m_popUpMenu->activateWindow();
}

void QtTrayIcon::waitForArea(int milliseconds, std::function<void(bool appeared)> ended)
{
    m_areaEnded = std::move(ended);
    m_areaChecksLeft = std::max(1, milliseconds / AreaCheckMs);
    // Qt tells of no tray that appears: look four times a second, for a
    // bounded time.
    m_areaPoll.start();
}

void QtTrayIcon::checkArea()
{
    const bool appeared = isAvailable();
    if (!appeared && --m_areaChecksLeft > 0)
        return;
    m_areaPoll.stop();
    if (auto ended = std::exchange(m_areaEnded, {}))
        ended(appeared);
}
