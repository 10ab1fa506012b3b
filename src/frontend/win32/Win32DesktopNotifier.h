// A call announced as a balloon of the notification-area icon.
#pragma once

#include "platform/DesktopNotifier.h"

class Win32TrayIcon;

class Win32DesktopNotifier final : public DesktopNotifier {
public:
    explicit Win32DesktopNotifier(Win32TrayIcon &tray) : m_tray(tray) {}

    // Shown while the icon is in the notification area; with the window on
    // screen the number is in its title already and nothing more is shown.
    void notify(const std::u16string &summary, const std::u16string &body) override;

private:
    Win32TrayIcon &m_tray;
};
