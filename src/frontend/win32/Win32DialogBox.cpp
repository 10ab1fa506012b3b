#include "frontend/win32/Win32DialogBox.h"

#include "frontend/win32/Win32MessageLoop.h"
#include "frontend/win32/Win32Screen.h"
#include "frontend/win32/Win32Text.h"

Win32DialogBox::Win32DialogBox(std::u16string title, double clientWidthTwips,
                               double clientHeightTwips)
    : m_title(std::move(title)), m_clientWidth(clientWidthTwips), m_clientHeight(clientHeightTwips),
      m_font(Win32Font::DesignFace, 9)
{
}

Win32DialogBox::~Win32DialogBox()
{
    destroy();
}

std::vector<WORD> Win32DialogBox::blankTemplate(bool modal) const
{
    // DLGTEMPLATE, then the menu, class and title arrays, each one empty
    // word; no controls. Size and title come once the window exists.
    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
    if (modal)
        style |= DS_SETFOREGROUND;
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD) + 3, 0);
    auto *header = reinterpret_cast<DLGTEMPLATE *>(words.data());
    header->style = style;
    header->dwExtendedStyle = WS_EX_CONTROLPARENT;
    header->cdit = 0;
    header->cx = 10;
    header->cy = 10;
    return words;
}

INT_PTR Win32DialogBox::runModal(HWND owner)
{
    if (m_hwnd)
        return -1;
    m_modal = true;
    const std::vector<WORD> words = blankTemplate(true);
    const INT_PTR result = DialogBoxIndirectParamW(
        GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE *>(words.data()), owner,
        &Win32DialogBox::proc, reinterpret_cast<LPARAM>(this));
    m_hwnd = nullptr;
    return result;
}

bool Win32DialogBox::showModeless(HWND owner)
{
    if (m_hwnd) {
        ShowWindow(m_hwnd, SW_SHOW);
        SetForegroundWindow(m_hwnd);
        return true;
    }
    m_modal = false;
    const std::vector<WORD> words = blankTemplate(false);
    HWND created = CreateDialogIndirectParamW(
        GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE *>(words.data()), owner,
        &Win32DialogBox::proc, reinterpret_cast<LPARAM>(this));
    if (!created)
        return false;
    Win32MessageLoop::addDialog(created);
    ShowWindow(created, SW_SHOW);
    return true;
}

void Win32DialogBox::endModal(INT_PTR result)
{
    if (m_hwnd && m_modal)
        EndDialog(m_hwnd, result);
}

void Win32DialogBox::destroy()
{
    if (!m_hwnd)
        return;
    if (m_modal) {
        EndDialog(m_hwnd, -1);
        return;
    }
    HWND gone = m_hwnd;
    DestroyWindow(gone);
}

void Win32DialogBox::onCancel()
{
    if (m_modal)
        endModal(IDCANCEL);
    else
        destroy();
}

bool Win32DialogBox::textColourOf(int, COLORREF &) const
{
    return false;
}

void Win32DialogBox::setTitle(const std::u16string &title)
{
    m_title = title;
    if (m_hwnd)
        SetWindowTextW(m_hwnd, wide(m_title));
}

int Win32DialogBox::pixelsX(double twips) const
{
    return Win32Screen::pixelsX(twips);
}

int Win32DialogBox::pixelsY(double twips) const
{
    return Win32Screen::pixelsY(twips);
}

void Win32DialogBox::sizeToClient()
{
    RECT r{0, 0, pixelsX(m_clientWidth), pixelsY(m_clientHeight)};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(m_hwnd, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(m_hwnd, GWL_EXSTYLE)));
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    // Centred on the work area, as the dialog manager places a new dialog.
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(m_hwnd, nullptr, work.left + (work.right - work.left - w) / 2,
                 work.top + (work.bottom - work.top - h) / 2, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

double Win32DialogBox::textHeight(const std::u16string &text, HFONT font, double widthTwips) const
{
    HDC dc = GetDC(m_hwnd);
    const HGDIOBJ old = SelectObject(dc, font ? font : m_font.get());
    RECT r{0, 0, pixelsX(widthTwips), 0};
    const std::wstring lines = withLineBreaks(text);
    DrawTextW(dc, lines.c_str(), static_cast<int>(lines.size()), &r,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
    SelectObject(dc, old);
    ReleaseDC(m_hwnd, dc);
    return (r.bottom - r.top) * Win32Screen::twipsPerPixelY();
}

void Win32DialogBox::growClient(double twips)
{
    if (twips <= 0)
        return;
    m_clientHeight += twips;
    sizeToClient();
}

HWND Win32DialogBox::addControl(int id, const wchar_t *windowClass, const std::u16string &text,
                                DWORD style, double left, double top, double width, double height,
                                HFONT font)
{
    HWND control = CreateWindowExW(
        0, windowClass, withLineBreaks(text).c_str(), WS_CHILD | WS_VISIBLE | style, pixelsX(left),
        pixelsY(top), pixelsX(width), pixelsY(height), m_hwnd,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (control)
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font ? font : m_font.get()),
                     FALSE);
    return control;
}

INT_PTR Win32DialogBox::onMessage(UINT, WPARAM, LPARAM)
{
    return FALSE;
}

INT_PTR CALLBACK Win32DialogBox::proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *self = reinterpret_cast<Win32DialogBox *>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Win32DialogBox *>(lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        self->m_hwnd = hwnd;
        SetWindowTextW(hwnd, wide(self->m_title));
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(self->m_font.get()), FALSE);
        self->sizeToClient();
        self->onInit();
        // The form put the focus where it belongs.
        return FALSE;
    }
    if (!self)
        return FALSE;
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id == IDCANCEL && lParam == 0) {
            self->onCancel();
            return TRUE;
        }
        self->onCommand(id, HIWORD(wParam));
        return TRUE;
    }
    case WM_CLOSE:
        self->onCancel();
        return TRUE;
    case WM_CTLCOLORSTATIC: {
        COLORREF colour = 0;
        const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
        if (!self->textColourOf(id, colour))
            return FALSE;
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, colour);
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        self->onPaint(dc);
        EndPaint(hwnd, &ps);
        return TRUE;
    }
    case WM_DESTROY:
        self->onDestroy();
        Win32MessageLoop::removeDialog(hwnd);
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->m_hwnd = nullptr;
        return TRUE;
    default:
        return self->onMessage(message, wParam, lParam);
    }
}
