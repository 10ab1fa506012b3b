// The notification-area icon on QSystemTrayIcon, driven like Shell_NotifyIcon.
#pragma once

#include "platform/TrayIcon.h"

#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>
#include <functional>

// Mouse actions on the icon reach the program the way the icon record asks
// for them: as a middle-button press whose X, in twips, carries the mouse
// message of the action. The controller decodes them in one place.
class QtTrayIcon final : public QObject, public TrayIcon {
    Q_OBJECT
public:
    using IconSource = std::function<QIcon(AppIcon)>;
    using MouseHandler = std::function<void(int button, double xTwips)>;
    using Availability = std::function<bool()>;

    // `available` says whether the desktop has a notification area; by
    // default the desktop is asked.
    explicit QtTrayIcon(IconSource icons, Availability available = {}, QObject *parent = nullptr);

    void setMouseHandler(MouseHandler handler) { m_mouse = std::move(handler); }

    bool Shell_NotifyIcon(NotifyMessage message, const TrayIconData &data) override;
    bool isAvailable() const override;

    // Handles QSystemTrayIcon::activated.
    void trayActivated(QSystemTrayIcon::ActivationReason reason);

    // The X, in twips, that carries `message` at this many logical dots per
    // inch. Whole twips per pixel, as Windows reports them, so that dividing
    // by the rounded twips per pixel gives the message back at any DPI.
    static double messageTwips(int message, double logicalDpi);

    bool isAdded() const { return m_added; }
    const QSystemTrayIcon &systemTrayIcon() const { return m_tray; }

private:
    void apply(const TrayIconData &data);

    IconSource m_icons;
    Availability m_available;
    MouseHandler m_mouse;
    QSystemTrayIcon m_tray;
    bool m_added = false;
};
