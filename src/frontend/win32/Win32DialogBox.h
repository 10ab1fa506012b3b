// A dialog window of the system's dialog manager (Tab, Enter, Esc, modal
// loop), laid out in twips by code rather than from a resource: each form
// adds its controls when the dialog is made. The twips are turned into pixels
// for the resolution of the monitor the dialog is on, and again when it moves
// to a monitor with another one.
#pragma once

#include "frontend/win32/Win32Font.h"

#include <memory>
#include <string>
#include <vector>
#include <windows.h>

class Win32DialogBox {
public:
    virtual ~Win32DialogBox();
    Win32DialogBox(const Win32DialogBox &) = delete;
    Win32DialogBox &operator=(const Win32DialogBox &) = delete;

    // Shows the dialog and returns when it has been closed; the owner takes
    // no input meanwhile. The result given to endModal, or -1.
    INT_PTR runModal(HWND owner);
    // Shows the dialog and returns at once.
    bool showModeless(HWND owner);
    void endModal(INT_PTR result);
    // Destroys a modeless dialog.
    void destroy();

    HWND hwnd() const { return m_hwnd; }
    bool isOpen() const { return m_hwnd != nullptr; }
    HWND item(int id) const { return GetDlgItem(m_hwnd, id); }
    // The resolution the dialog is laid out for.
    int dpi() const { return m_dpi; }

protected:
    Win32DialogBox(std::u16string title, double clientWidthTwips, double clientHeightTwips);

    // Adds the controls; the window exists.
    virtual void onInit() = 0;
    virtual void onCommand(int id, int code) = 0;
    // A colour for a static control's text, or false for the system's.
    virtual bool textColourOf(int id, COLORREF &colour) const;
    virtual void onPaint(HDC) {}
    // The box is closing by Esc or the close box; the default ends it.
    virtual void onCancel();
    virtual void onDestroy() {}
    virtual INT_PTR onMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // A child control at a position and size in twips of the client area.
    HWND addControl(int id, const wchar_t *windowClass, const std::u16string &text, DWORD style,
                    double left, double top, double width, double height, HFONT font);
    void setTitle(const std::u16string &title);
    int pixelsX(double twips) const;
    int pixelsY(double twips) const;
    // A font of the form's own, made again with the dialog's resolution.
    void scalesWith(Win32Font &font);
    // The size in twips the text takes in the font, each line unwrapped.
    SIZE textExtent(const std::u16string &text, HFONT font) const;
    // Makes the client area wider and taller by the twips given, keeping it centred.
    void growClient(double widthTwips, double heightTwips);

private:
    // A control as placed, in twips, with the font it was given.
    struct Placed {
        int id;
        double left, top, width, height;
        Win32Font *font;
    };

    static INT_PTR CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Sized to the client area; centred on the work area, or at `at`.
    void sizeToClient(const POINT *at = nullptr);
    void applyDpi(int dpi, const RECT *suggested);
    Win32Font *fontOf(HFONT font);
    std::vector<WORD> blankTemplate(bool modal) const;

    std::u16string m_title;
    double m_designWidth;
    double m_designHeight;
    double m_clientWidth;
    double m_clientHeight;
    HWND m_hwnd = nullptr;
    bool m_modal = false;
    int m_dpi = 96;
    Win32Font m_font;
    std::vector<Win32Font *> m_fonts;
    std::vector<Placed> m_placed;
};
