#include "frontend/win32/Win32TrayIcon.h"

#include "app/TrayTip.h"
#include "frontend/win32/Win32Icons.h"
#include "frontend/win32/Win32Text.h"
#include "platform/Cp932.h"
#include "text/Cp932Bytes.h"

#include <cstring>
#include <utility>

#include <windows.h>

#include <shellapi.h>

namespace {
constexpr UINT_PTR RetryTimerId = 0x7A1;
constexpr wchar_t InstanceProperty[] = L"NubrelTrayIcon";

// The tooltip's characters that fit in `limit` bytes of CP932, cut between
// characters (a surrogate pair is one): the place the ANSI record cuts.
std::u16string cutAsCp932(const std::u16string &text, std::size_t limit)
{
    std::size_t bytes = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        const bool pair = at + 1 < text.size() && text[at] >= 0xD800 && text[at] <= 0xDBFF &&
                          text[at + 1] >= 0xDC00 && text[at + 1] <= 0xDFFF;
        const std::size_t units = pair ? 2 : 1;
        const std::size_t width = Cp932::encode(std::u16string_view(text).substr(at, units)).size();
        if (bytes + width > limit || at + units > limit)
            break;
        bytes += width;
        at += units;
    }
    return text.substr(0, at);
}

// The fields the ANSI and the wide record share, as the first version has them.
template <typename Record>
void fillHeader(Record &record, DWORD size, HWND owner, const TrayIconData &data, HICON icon)
{
    record.cbSize = size;
    record.hWnd = owner;
    record.uID = data.uID;
    record.uFlags = data.uFlags;
    record.uCallbackMessage = data.uCallbackMessage;
    record.hIcon = icon;
}
} // namespace

BOOL Win32TrayIcon::callShell(DWORD message, TrayRecord &record)
{
    return record.wide ? Shell_NotifyIconW(message, &record.unicode)
                       : Shell_NotifyIconA(message, &record.ansi);
}

Win32TrayIcon::Win32TrayIcon(Win32Icons &icons, HWND owner, HMENU popUpMenu, ShellCall shell)
    : m_icons(icons), m_owner(owner), m_popUpMenu(popUpMenu), m_shell(std::move(shell))
{
    if (m_owner)
        SetPropW(m_owner, InstanceProperty, this);
}

Win32TrayIcon::~Win32TrayIcon()
{
    if (m_owner) {
        KillTimer(m_owner, RetryTimerId);
        RemovePropW(m_owner, InstanceProperty);
    }
    // An icon a retry added that the program never took over.
    if (m_inShell) {
        TrayRecord r = record(m_last);
        m_shell(ShellNimDelete, r);
    }
}

TrayRecord Win32TrayIcon::recordFor(HWND owner, const TrayIconData &data, HICON icon, UINT codePage)
{
    TrayRecord r;
    // The text before the NUL and, on its own line, the caller's name; the
    // shell reads at most 63 bytes and the NUL.
    std::u16string text = trayTooltip(data.szTip);
    if (!data.nameLine.empty())
        text += u"\n" + data.nameLine;
    // The first 64 bytes of the field, as the 88-byte record has it (the
    // header's field is larger): 63 bytes and the NUL.
    const std::size_t limit = TrayTipLength - 1;
    if (codePage == 932) {
        NOTIFYICONDATAA &a = r.ansi;
        fillHeader(a, NOTIFYICONDATAA_V1_SIZE, owner, data, icon);
        const std::string bytes = Cp932::encode(text);
        const std::string_view cut = Cp932Bytes::cutAt(bytes, static_cast<int>(limit));
        std::memcpy(a.szTip, cut.data(), cut.size());
        a.szTip[cut.size()] = '\0';
        return r;
    }
    // Another code page would show the CP932 bytes as other characters.
    r.wide = true;
    NOTIFYICONDATAW &w = r.unicode;
    fillHeader(w, NOTIFYICONDATAW_V1_SIZE, owner, data, icon);
    const std::wstring tip = toWide(cutAsCp932(text, limit));
    tip.copy(w.szTip, tip.size());
    w.szTip[tip.size()] = L'\0';
    return r;
}

TrayRecord Win32TrayIcon::record(const TrayIconData &data) const
{
    return recordFor(m_owner, data, m_icons.icon(data.hIcon, true), GetACP());
}

bool Win32TrayIcon::Shell_NotifyIcon(NotifyMessage message, const TrayIconData &data)
{
    TrayRecord r = record(data);
    switch (message) {
    case NotifyMessage::NIM_ADD:
        m_last = data;
        // A retry may have put it there already: the shell refuses a second add.
        m_inShell =
            m_inShell ? m_shell(ShellNimModify, r) != FALSE : m_shell(ShellNimAdd, r) != FALSE;
        m_added = m_inShell;
        return m_added;
    case NotifyMessage::NIM_MODIFY:
        if (m_added)
            m_last = data;
        return m_shell(ShellNimModify, r) != FALSE;
    case NotifyMessage::NIM_DELETE:
        m_added = false;
        m_inShell = false;
        return m_shell(ShellNimDelete, r) != FALSE;
    }
    return false;
}

void Win32TrayIcon::readd()
{
    if (m_waitEnded) {
        tryAgain();
        return;
    }
    if (!m_added)
        return;
    TrayRecord r = record(m_last);
    m_inShell = m_shell(ShellNimAdd, r) != FALSE;
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
    // Windows always has its notification area; a shell that is not ready
    // refuses the icon, and the add is tried again (waitForArea).
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

void Win32TrayIcon::waitForArea(int milliseconds, std::function<void(bool appeared)> ended)
{
    m_waitEnded = std::move(ended);
    m_waitLeftMs =
        m_longestWaitMs > 0 && m_longestWaitMs < milliseconds ? m_longestWaitMs : milliseconds;
    if (!m_owner || !SetTimer(m_owner, RetryTimerId, static_cast<UINT>(m_retryMs), &retryTick))
        endWait(false);
}

void CALLBACK Win32TrayIcon::retryTick(HWND owner, UINT, UINT_PTR, DWORD)
{
    if (auto *self = static_cast<Win32TrayIcon *>(GetPropW(owner, InstanceProperty)))
        self->tryAgain();
}

void Win32TrayIcon::tryAgain()
{
    if (!m_waitEnded)
        return;
    if (!m_inShell) {
        TrayRecord r = record(m_last);
        m_inShell = m_shell(ShellNimAdd, r) != FALSE;
    }
    if (m_inShell) {
        endWait(true);
        return;
    }
    m_waitLeftMs -= m_retryMs;
    if (m_waitLeftMs <= 0)
        endWait(false);
}

void Win32TrayIcon::endWait(bool appeared)
{
    if (m_owner)
        KillTimer(m_owner, RetryTimerId);
    if (auto ended = std::exchange(m_waitEnded, {}))
        ended(appeared);
    // Taken by a retry but no longer wanted (the program ending meanwhile).
    if (m_inShell && !m_added) {
        TrayRecord r = record(m_last);
        m_shell(ShellNimDelete, r);
        m_inShell = false;
    }
}
