// The screen's real resolution, for the twips every position and size is kept
// in. Each window is laid out for the resolution of the monitor it is on
// (Windows 10 and later); where the system cannot tell, for the system's.
#pragma once

#include "app/Twips.h"

#include <windows.h>

namespace Win32Screen {

// The system's resolution: the primary monitor's at log-on, the same for
// every window of the process.
inline int systemDpi()
{
    HDC screen = GetDC(nullptr);
    const int value = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        ReleaseDC(nullptr, screen);
    return value > 0 ? value : 96;
}

namespace detail {
template <typename F> F user32(const char *name)
{
    // Looked up at run time: the program still starts on Windows 7.
    HMODULE user = GetModuleHandleW(L"user32.dll");
    return user ? reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(user, name)))
                : nullptr;
}
} // namespace detail

// The resolution of the monitor the window is on, or the system's.
inline int dpiOf(HWND window)
{
    using GetDpiForWindowFn = UINT(WINAPI *)(HWND);
    static const auto getDpiForWindow = detail::user32<GetDpiForWindowFn>("GetDpiForWindow");
    if (window && getDpiForWindow) {
        const UINT value = getDpiForWindow(window);
        if (value > 0)
            return static_cast<int>(value);
    }
    return systemDpi();
}

// The outer rectangle of a client rectangle, its frame drawn for `dpi`.
inline void adjustForDpi(RECT &r, DWORD style, bool menu, DWORD exStyle, int dpi)
{
    using AdjustFn = BOOL(WINAPI *)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto adjust = detail::user32<AdjustFn>("AdjustWindowRectExForDpi");
    if (!adjust || !adjust(&r, style, menu, exStyle, static_cast<UINT>(dpi)))
        AdjustWindowRectEx(&r, style, menu, exStyle);
}

// Places the window with its client area of the size given, at `x`, `y`. The
// frame is worked out for `dpi`; where the system draws it otherwise (a menu
// bar that wraps, a system that scales no frame), the size is put right.
inline void placeClient(HWND window, int x, int y, int clientWidth, int clientHeight, bool menu,
                        int dpi)
{
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
    RECT outer{0, 0, clientWidth, clientHeight};
    adjustForDpi(outer, style, menu, exStyle, dpi);
    int w = outer.right - outer.left;
    int h = outer.bottom - outer.top;
    constexpr UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    SetWindowPos(window, nullptr, x, y, w, h, flags);
    RECT client{};
    GetClientRect(window, &client);
    const int dw = clientWidth - (client.right - client.left);
    const int dh = clientHeight - (client.bottom - client.top);
    if (dw != 0 || dh != 0)
        SetWindowPos(window, nullptr, x, y, w + dw, h + dh, flags);
}

inline int pixels(double twips, int dpi)
{
    return Twips::toPixels(twips, dpi);
}
inline double twips(int pixels, int dpi)
{
    return pixels * Twips::perPixel(dpi);
}

// The same at the system's resolution, for what belongs to no one window
// (the icon's mouse messages, the font dialog).
inline int dpiX()
{
    return systemDpi();
}
inline int dpiY()
{
    return systemDpi();
}
inline double twipsPerPixelX()
{
    return Twips::perPixel(systemDpi());
}
inline double twipsPerPixelY()
{
    return Twips::perPixel(systemDpi());
}
inline int pixelsX(double twips)
{
    return Twips::toPixels(twips, systemDpi());
}
inline int pixelsY(double twips)
{
    return Twips::toPixels(twips, systemDpi());
}

} // namespace Win32Screen
