// The notification-area icon through Shell_NotifyIcon: the ANSI record with
// the tooltip in CP932 on a Japanese system, as the program has always
// driven it; elsewhere the wide record with the same text, which the ANSI
// code page there could not hold. An icon the shell refuses is tried again.
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

// The record as handed to the shell: ANSI or wide.
struct TrayRecord {
    bool wide = false;
    NOTIFYICONDATAA ansi{};
    NOTIFYICONDATAW unicode{};
};

class Win32TrayIcon final : public TrayIcon {
public:
    // The shell's call: Shell_NotifyIconA or W as the record is. Tests put
    // in one that refuses, as a shell busy at log-on does.
    using ShellCall = std::function<BOOL(DWORD message, TrayRecord &record)>;
    static BOOL callShell(DWORD message, TrayRecord &record);

    Win32TrayIcon(Win32Icons &icons, HWND owner, HMENU popUpMenu, ShellCall shell = &callShell);
    ~Win32TrayIcon() override;
    Win32TrayIcon(const Win32TrayIcon &) = delete;
    Win32TrayIcon &operator=(const Win32TrayIcon &) = delete;

    bool Shell_NotifyIcon(NotifyMessage message, const TrayIconData &data) override;
    bool isAvailable() const override;
    void openMenu() override;
    // Tries the refused icon again every retryPeriod() until the shell takes
    // it (or Explorer starts and says so), for `milliseconds` at most.
    void waitForArea(int milliseconds, std::function<void(bool appeared)> ended) override;

    // Adds the icon again after Explorer restarted, if it was there; ends a
    // wait for the area at once.
    void readd();
    // A balloon over the icon, if the icon is there; false otherwise.
    bool showBalloon(const std::u16string &title, const std::u16string &text);
    bool isAdded() const { return m_added; }
    // A refused icon is being tried again.
    bool waiting() const { return static_cast<bool>(m_waitEnded); }

    // How often a refused icon is tried again, and (for tests) a bound on
    // the wait shorter than the one asked for; 0: as asked.
    void setRetry(int periodMs, int longestWaitMs = 0)
    {
        m_retryMs = periodMs;
        m_longestWaitMs = longestWaitMs;
    }

    // The record for a code page: with 932, the ANSI record, cbSize 88 on
    // 32-bit Windows, the 64-byte tooltip in CP932, cut between characters
    // and always ended by a NUL. With any other, the wide record holding the
    // same characters, cut at the same place.
    static TrayRecord recordFor(HWND owner, const TrayIconData &data, HICON icon, UINT codePage);

private:
    static void CALLBACK retryTick(HWND owner, UINT, UINT_PTR, DWORD);
    TrayRecord record(const TrayIconData &data) const;
    void tryAgain();
    void endWait(bool appeared);

    Win32Icons &m_icons;
    HWND m_owner;
    HMENU m_popUpMenu;
    ShellCall m_shell;
    bool m_added = false;   // the program has its icon in the area
    bool m_inShell = false; // the shell took the icon (also by a retry)
    TrayIconData m_last;
    int m_retryMs = 1000;
    int m_longestWaitMs = 0;
    int m_waitLeftMs = 0;
    std::function<void(bool)> m_waitEnded;
};
