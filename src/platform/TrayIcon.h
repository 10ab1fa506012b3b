// The notification-area icon, driven like Shell_NotifyIcon with one record.
// What the user does with the icon reaches the program as two requests:
// bring the window back, and open the menu.
#pragma once

#include "platform/MainView.h"

#include <cstdint>
#include <functional>
#include <string>

enum class NotifyMessage { NIM_ADD = 0, NIM_MODIFY = 1, NIM_DELETE = 2 };

struct TrayIconData {
    std::uint32_t cbSize = 0;
    std::uint32_t uID = 0;
    std::uint32_t uFlags = 0;
    std::uint32_t uCallbackMessage = 0;
    AppIcon hIcon = AppIcon::BuiltIn;
    // Tooltip text, a NUL, then blanks to 64 characters; only the text before
    // the NUL is shown.
    std::u16string szTip;
    // Not in the shell's record: the caller's name from the phonebook, shown
    // as the tooltip's second line; the record's 64 bytes would cut it.
    std::u16string nameLine;
};

class TrayIcon {
public:
    virtual ~TrayIcon() = default;
    // The result mirrors the platform call; callers ignore it.
    virtual bool Shell_NotifyIcon(NotifyMessage message, const TrayIconData &data) = 0;
    // False on a desktop without a notification area.
    virtual bool isAvailable() const = 0;

    // Opens the menu of the icon (the items of mnuPopUp) where the user
    // asked for it, unless the desktop shows that menu itself.
    virtual void openMenu() = 0;

    // Calls `ended(true)` once a notification area is there, or
    // `ended(false)` when none came within `milliseconds`. A panel started
    // after the program (at login) is waited for this way.
    virtual void waitForArea(int milliseconds, std::function<void(bool appeared)> ended) = 0;
};
