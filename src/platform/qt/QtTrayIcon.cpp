#include "platform/qt/QtTrayIcon.h"
#include "platform/Twips.h"

#include "platform/TrayTip.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace {

constexpr int MiddleButton = 4;
constexpr int WM_LBUTTONDOWN = 0x201;
constexpr int WM_LBUTTONDBLCLK = 0x203;
constexpr int WM_RBUTTONDOWN = 0x204;

} // namespace

QtTrayIcon::QtTrayIcon(IconSource icons, Availability available, QObject *parent)
    : QObject(parent), m_icons(std::move(icons)), m_available(std::move(available))
{
    // No context menu on the icon itself: the program opens its own menu at
    // the cursor when it sees the right button.
    connect(&m_tray, &QSystemTrayIcon::activated, this, &QtTrayIcon::trayActivated);
}

bool QtTrayIcon::isAvailable() const
{
    return m_available ? m_available() : QSystemTrayIcon::isSystemTrayAvailable();
}

void QtTrayIcon::apply(const TrayIconData &data)
{
    if (m_icons)
        m_tray.setIcon(m_icons(data.hIcon));
    m_tray.setToolTip(trayTooltip(data.szTip));
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

double QtTrayIcon::messageTwips(int message, double logicalDpi)
{
    const long twipsPerPixel = std::lround(Twips::perPixel(logicalDpi));
    return static_cast<double>(message) * static_cast<double>(std::max(twipsPerPixel, 1L));
}

void QtTrayIcon::trayActivated(QSystemTrayIcon::ActivationReason reason)
{
    int mouseMessage = 0;
    switch (reason) {
    case QSystemTrayIcon::DoubleClick:
        mouseMessage = WM_LBUTTONDBLCLK;
        break;
    case QSystemTrayIcon::Context:
        mouseMessage = WM_RBUTTONDOWN;
        break;
    case QSystemTrayIcon::Trigger:
        mouseMessage = WM_LBUTTONDOWN;
        break;
    case QSystemTrayIcon::MiddleClick:
    case QSystemTrayIcon::Unknown:
        return;
    }
    if (!m_mouse)
        return;
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    m_mouse(MiddleButton, messageTwips(mouseMessage, dpi));
}
