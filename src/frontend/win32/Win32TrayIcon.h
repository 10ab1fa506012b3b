// The notification-area icon through Shell_NotifyIconA and its ANSI record,
// with the tooltip in CP932, as the program has always driven it.
#pragma once

#include "platform/TrayIcon.h"

#include <functional>
#include <string>

#include <windows.h>

#include <shellapi.h>

// The interface's operation bears the shell's name; the shell's macro would rename it.
#undef Shell_NotifyIcon
// The shell's messages by value: the interface names its own after them.
inline constexpr DWORD ShellNimAdd = NIM_ADD;
inline constexpr DWORD ShellNimModify = NIM_MODIFY;
inline constexpr DWORD ShellNimDelete = NIM_DELETE;
#undef NIM_ADD
#undef NIM_MODIFY
#undef NIM_DELETE

class Win32Icons;

class Win32TrayIcon final : public TrayIcon {
public:
    Win32TrayIcon(Win32Icons &icons, HWND owner, HMENU popUpMenu);

    bool Shell_NotifyIcon(NotifyMessage message, const TrayIconData &data) override;
    bool isAvailable() const override;
    void openMenu() override;
    void waitForArea(int milliseconds, std::function<void(bool appeared)> ended) override;

    // Adds the icon again after Explorer restarted, if it was there.
    void readd();
    // A balloon over the icon, if the icon is there; false otherwise.
    bool showBalloon(const std::u16string &title, const std::u16string &text);
    bool isAdded() const { return m_added; }

    // The record as passed: cbSize 88 on 32-bit Windows, the 64-byte tooltip
    // in CP932, cut between characters and always ended by a NUL.
    static NOTIFYICONDATAA recordFor(HWND owner, const TrayIconData &data, HICON icon);

private:
    Win32Icons &m_icons;
    HWND m_owner;
    HMENU m_popUpMenu;
    bool m_added = false;
    TrayIconData m_last;
};
