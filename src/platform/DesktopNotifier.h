// The desktop's notifications: a call announced where the user will see it,
// whether or not the desktop has a notification area.
#pragma once

#include <string>

class DesktopNotifier {
public:
    virtual ~DesktopNotifier() = default;
    // Shows `summary` over `body` (both plain text; an empty body shows none)
    // in place of the program's previous notification. Without a desktop
    // session or a notification server nothing is shown and nothing fails;
    // the caller never waits for the desktop.
    virtual void notify(const std::u16string &summary, const std::u16string &body) = 0;
};
