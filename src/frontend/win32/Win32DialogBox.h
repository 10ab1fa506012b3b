// A dialog window of the system's dialog manager (Tab, Enter, Esc, modal
// loop), laid out in twips by code rather than from a resource: each form
// adds its controls when the dialog is made.
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
    const Win32Font &dialogFont() const { return m_font; }
    // The height in twips the text takes in the font, wrapped at the width.
    double textHeight(const std::u16string &text, HFONT font, double widthTwips) const;
    // Makes the client area taller by the twips given, keeping it centred.
    void growClient(double twips);
    void setDialogFont(Win32Font font) { m_font = std::move(font); }

private:
    static INT_PTR CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void sizeToClient();
    std::vector<WORD> blankTemplate(bool modal) const;

    std::u16string m_title;
    double m_clientWidth;
    double m_clientHeight;
    HWND m_hwnd = nullptr;
    bool m_modal = false;
    Win32Font m_font;
};
