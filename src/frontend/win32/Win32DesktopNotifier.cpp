#include "frontend/win32/Win32DesktopNotifier.h"

#include "frontend/win32/Win32TrayIcon.h"

void Win32DesktopNotifier::notify(const std::u16string &summary, const std::u16string &body)
{
    m_tray.showBalloon(summary, body);
}
