// The small pop-up near the bottom right of the work area that shows the
// number while the main window is in the tray. It never takes the focus.
#pragma once

#include "frontend/win32/Win32Font.h"
#include "platform/TipView.h"

#include <functional>
#include <string>
#include <windows.h>

class frmNbTip final : public TipView {
public:
    static constexpr double ClientWidth = 1200; // twips
    static constexpr double ClientHeight = 210;
    static constexpr COLORREF Background = RGB(255, 192, 192);

    explicit frmNbTip(std::function<std::u16string()> lastNumber);
    ~frmNbTip() override;

    void loadTip() override;
    bool isTipVisible() const override;
    void showTip() override;
    void hideTip() override;
    void refreshTip() override;
    void unloadTip() override;

    HWND hwnd() const { return m_hwnd; }

private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void paint(HDC dc);
    // Sized from the twips and placed on the work area, for the resolution.
    void place();

    std::function<std::u16string()> m_lastNumber;
    HWND m_hwnd = nullptr;
    Win32Font m_font;
    int m_dpi = 96;
};
