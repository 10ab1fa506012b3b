// The pictures of the main window and the tray icon: the built-in one from the
// executable's resources, the two state pictures from their files.
#pragma once

#include "platform/MainView.h"

#include <string>
#include <windows.h>

class Win32Icons {
public:
    // Resource number of the built-in icon in the executable.
    static constexpr int BuiltInResource = 1;

    explicit Win32Icons(std::u16string programFolder);
    ~Win32Icons();
    Win32Icons(const Win32Icons &) = delete;
    Win32Icons &operator=(const Win32Icons &) = delete;

    // Large (32 × 32) or small (16 × 16); the built-in one where a file does not load.
    HICON icon(AppIcon which, bool small = false);

private:
    HICON load(AppIcon which, bool small);

    std::u16string m_folder;
    HICON m_icons[3][2] = {};
};
