// The screen's real resolution, for the twips every position and size is kept in.
#pragma once

#include "app/Twips.h"

#include <windows.h>

namespace Win32Screen {

inline int dpi(int axis)
{
    HDC screen = GetDC(nullptr);
    const int value = screen ? GetDeviceCaps(screen, axis) : 96;
    if (screen)
        ReleaseDC(nullptr, screen);
    return value > 0 ? value : 96;
}
inline int dpiX()
{
    return dpi(LOGPIXELSX);
}
inline int dpiY()
{
    return dpi(LOGPIXELSY);
}
inline double twipsPerPixelX()
{
    return Twips::perPixel(dpiX());
}
inline double twipsPerPixelY()
{
    return Twips::perPixel(dpiY());
}
inline int pixelsX(double twips)
{
    return Twips::toPixels(twips, dpiX());
}
inline int pixelsY(double twips)
{
    return Twips::toPixels(twips, dpiY());
}

} // namespace Win32Screen
