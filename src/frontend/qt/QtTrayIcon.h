// The notification-area icon on QSystemTrayIcon, driven like Shell_NotifyIcon.
#pragma once

#include "platform/TrayIcon.h"

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <functional>

class QMenu;

// Two kinds of tray host. An XEmbed tray (icewm, older panels) passes on the
// mouse: a double-click brings the window back, the right button opens the
// menu, a single click does nothing. A StatusNotifier host (KDE Plasma, XFCE
// 4.16 and later, GNOME with AppIndicator) knows no double-click: its primary
// activation, a left click, brings the window back, and it shows the menu
// that the icon exports.
class QtTrayIcon final : public QObject, public TrayIcon {
    Q_OBJECT
public:
    enum class Host { XEmbed, StatusNotifier };
    using IconSource = std::function<QIcon(AppIcon)>;
    using Availability = std::function<bool()>;
    using Request = std::function<void()>;

    // `available` says whether the desktop has a notification area; by
    // default the desktop is asked.
    explicit QtTrayIcon(IconSource icons, Availability available = {}, QObject *parent = nullptr);

    // `popUp` opens at the cursor; `exported` is what a StatusNotifier host
    // shows. Both hold the items of mnuPopUp.
    void setMenus(QMenu *popUp, QMenu *exported);
    void setRequestHandlers(Request restore, Request menu);

    bool Shell_NotifyIcon(NotifyMessage message, const TrayIconData &data) override;
    bool isAvailable() const override;
    void openMenu() override;
    void waitForArea(int milliseconds, std::function<void(bool appeared)> ended) override;

    // The tooltip for a record: the text of szTip, and the name below it.
    // Plain text on both hosts: an XEmbed tray takes a tooltip for markup only
    // when a tag comes before its first line end, and the number comes first;
    // a StatusNotifier host shows its title as plain text.
    static QString tooltipFor(const TrayIconData &data);

    // Handles QSystemTrayIcon::activated.
    void trayActivated(QSystemTrayIcon::ActivationReason reason);

    Host host() const { return m_host; }
    // For tests: a host other than the one found on the session bus.
    void setHost(Host host);

    bool isAdded() const { return m_added; }
    const QSystemTrayIcon &systemTrayIcon() const { return m_tray; }

private:
    void apply(const TrayIconData &data);
    void exportedMenuAboutToShow();
    void checkArea();

    IconSource m_icons;
    Availability m_available;
    Request m_restore;
    Request m_menu;
    QPointer<QMenu> m_popUpMenu;
    QPointer<QMenu> m_exportedMenu;
    QSystemTrayIcon m_tray;
    Host m_host = Host::XEmbed;
    bool m_added = false;
    // The host is showing the exported menu: the program opens none itself.
    bool m_hostShowsMenu = false;

    QTimer m_areaPoll;
    int m_areaChecksLeft = 0;
    std::function<void(bool)> m_areaEnded;
};
