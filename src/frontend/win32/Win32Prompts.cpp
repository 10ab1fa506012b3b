#include "frontend/win32/Win32Prompts.h"

#include "frontend/win32/Win32Font.h"
#include "frontend/win32/Win32Screen.h"
#include "frontend/win32/Win32Text.h"

#include <cmath>

#include <windows.h>

#include <commdlg.h>

Win32Prompts::Win32Prompts(std::function<HWND()> owner) : m_owner(std::move(owner)) {}

HWND Win32Prompts::owner() const
{
    // Owned by the main window, also while it is hidden in the tray (an owned
    // window of a hidden owner still shows): the main window takes no input
    // and the new window has no task bar button of its own.
    HWND window = m_owner ? m_owner() : nullptr;
    if (!window || IsWindowEnabled(window))
        return window;
    // A modal window of ours is open over it (the settings dialog): over that one.
    HWND active = GetActiveWindow();
    if (active && active != window && IsWindowEnabled(active) &&
        GetAncestor(active, GA_ROOTOWNER) == window)
        return active;
    HWND popup = GetWindow(window, GW_ENABLEDPOPUP);
    return popup ? popup : window;
}

void Win32Prompts::messageBox(const std::u16string &text, const std::u16string &title,
                              MessageIcon icon)
{
    UINT style = MB_OK | MB_SETFOREGROUND;
    if (icon == MessageIcon::Exclamation)
        style |= MB_ICONEXCLAMATION;
    const std::wstring shown = withLineBreaks(text);
    MessageBoxW(owner(), shown.c_str(), wide(title), style);
}

bool Win32Prompts::fncMsgDlg(const std::u16string &title, const std::u16string &message)
{
    return m_question.fncMsgDlg(owner(), title, message);
}

bool Win32Prompts::chooseFont(FontSpec &font)
{
    LOGFONTW lf{};
    // The font dialog turns heights into points at the system's resolution.
    const int dpi = Win32Screen::systemDpi();
    lf.lfHeight = -static_cast<LONG>(std::lround(font.size * dpi / 72.0));
    lf.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = font.italic ? TRUE : FALSE;
    lf.lfCharSet = Win32Font::charsetFor(font.face);
    const std::wstring face = toWide(font.face).substr(0, LF_FACESIZE - 1);
    face.copy(lf.lfFaceName, face.size());

    CHOOSEFONTW choose{};
    choose.lStructSize = sizeof choose;
    choose.hwndOwner = owner();
    choose.lpLogFont = &lf;
    choose.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_NOVERTFONTS;
    if (!ChooseFontW(&choose))
        return false;
    font.face = fromWide(lf.lfFaceName);
    // The window makes its font in the set chosen with the face (the script
    // box), not in a Japanese one the face may lack.
    Win32Font::rememberCharset(font.face, lf.lfCharSet);
    // Tenths of a point, as the dialog reports the size chosen.
    font.size =
        choose.iPointSize > 0 ? choose.iPointSize / 10.0 : std::abs(lf.lfHeight) * 72.0 / dpi;
    font.bold = lf.lfWeight >= FW_BOLD;
    font.italic = lf.lfItalic != 0;
    return true;
}
