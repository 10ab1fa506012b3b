#include "frontend/win32/Win32TrayIcon.h"

#include "app/TrayTip.h"
#include "frontend/win32/Win32Icons.h"
#include "frontend/win32/Win32Text.h"
#include "platform/Cp932.h"
#include "text/Cp932Bytes.h"

#include <cstring>

#include <windows.h>

#include <shellapi.h>

Win32TrayIcon::Win32TrayIcon(Win32Icons &icons, HWND owner, HMENU popUpMenu)
    : m_icons(icons), m_owner(owner), m_popUpMenu(popUpMenu)
{
}

NOTIFYICONDATAA Win32TrayIcon::recordFor(HWND owner, const TrayIconData &data, HICON icon)
{
    NOTIFYICONDATAA record{};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = owner;
    record.uID = data.uID;
    record.uFlags = data.uFlags;
    record.uCallbackMessage = data.uCallbackMessage;
    record.hIcon = icon;
    // The text before the NUL and, on its own line, the caller's name; the
    // shell reads at most 63 bytes and the NUL.
    std::u16string text = trayTooltip(data.szTip);
    if (!data.nameLine.empty())
        text += u"\n" + data.nameLine;
    const std::string bytes = Cp932::encode(text);
    const std::string_view cut =
        Cp932Bytes::cutAt(bytes, static_cast<int>(sizeof record.szTip) - 1);
    std::memcpy(record.szTip, cut.data(), cut.size());
    record.szTip[cut.size()] = '\0';
    return record;
}

bool Win32TrayIcon::Shell_NotifyIcon(NotifyMessage message, const TrayIconData &data)
{
    NOTIFYICONDATAA record = recordFor(m_owner, data, m_icons.icon(data.hIcon, true));
    switch (message) {
    case NotifyMessage::NIM_ADD:
        m_last = data;
        m_added = true;
        return Shell_NotifyIconA(ShellNimAdd, &record) != FALSE;
    case NotifyMessage::NIM_MODIFY:
        if (m_added)
            m_last = data;
        return Shell_NotifyIconA(ShellNimModify, &record) != FALSE;
    case NotifyMessage::NIM_DELETE:
        m_added = false;
        return Shell_NotifyIconA(ShellNimDelete, &record) != FALSE;
    }
    return false;
}

void Win32TrayIcon::readd()
{
    if (!m_added)
        return;
    NOTIFYICONDATAA record = recordFor(m_owner, m_last, m_icons.icon(m_last.hIcon, true));
    Shell_NotifyIconA(ShellNimAdd, &record);
}

bool Win32TrayIcon::showBalloon(const std::u16string &title, const std::u16string &text)
{
    if (!m_added)
        return false;
    // The balloon's texts in the wide record: a name or a number the ANSI
    // code page cannot hold still shows. Same window and uID: same icon.
    NOTIFYICONDATAW record{};
    record.cbSize = NOTIFYICONDATAW_V2_SIZE;
    record.hWnd = m_owner;
    record.uID = m_last.uID;
    record.uFlags = NIF_INFO;
    record.dwInfoFlags = NIIF_INFO;
    const std::wstring t = toWide(title).substr(0, std::size(record.szInfoTitle) - 1);
    const std::wstring b = toWide(text).substr(0, std::size(record.szInfo) - 1);
    t.copy(record.szInfoTitle, t.size());
    b.copy(record.szInfo, b.size());
    if (b.empty())
        record.szInfo[0] = L' '; // an empty text would take the balloon away
    return Shell_NotifyIconW(ShellNimModify, &record) != FALSE;
}

bool Win32TrayIcon::isAvailable() const
{
    // Windows always has its notification area; when Explorer is not running
    // yet, TaskbarCreated brings the icon in once it is.
    return true;
}

void Win32TrayIcon::openMenu()
{
    POINT at{};
    GetCursorPos(&at);
    // The menu of a hidden window closes when the user clicks elsewhere only
    // if the window is in front while it is open.
    SetForegroundWindow(m_owner);
    TrackPopupMenuEx(m_popUpMenu, TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_BOTTOMALIGN, at.x, at.y,
                     m_owner, nullptr);
    PostMessageW(m_owner, WM_NULL, 0, 0);
}

void Win32TrayIcon::waitForArea(int, std::function<void(bool appeared)> ended)
{
    if (ended)
        ended(true);
}
