#include "frontend/win32/Win32DialogBox.h"

#include "frontend/win32/Win32Screen.h"
#include "frontend/win32/Win32Text.h"

#include <algorithm>
#include <cmath>

Win32DialogBox::Win32DialogBox(std::u16string title, double clientWidthTwips,
                               double clientHeightTwips)
    : m_title(std::move(title)), m_designWidth(clientWidthTwips), m_designHeight(clientHeightTwips),
      m_clientWidth(clientWidthTwips), m_clientHeight(clientHeightTwips),
      m_font(Win32Font::DesignFace, 9)
{
    m_fonts.push_back(&m_font);
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
    return Win32Screen::pixels(twips, m_dpi);
}

int Win32DialogBox::pixelsY(double twips) const
{
    return Win32Screen::pixels(twips, m_dpi);
}

void Win32DialogBox::sizeToClient(const POINT *at)
{
    const int cw = pixelsX(m_clientWidth);
    const int ch = pixelsY(m_clientHeight);
    POINT place{};
    if (at) {
        place = *at;
    } else {
        // Centred on the work area, as the dialog manager places a new dialog.
        RECT outer{0, 0, cw, ch};
        Win32Screen::adjustForDpi(outer, static_cast<DWORD>(GetWindowLongPtrW(m_hwnd, GWL_STYLE)),
                                  false, static_cast<DWORD>(GetWindowLongPtrW(m_hwnd, GWL_EXSTYLE)),
                                  m_dpi);
        RECT work{};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        place = {work.left + (work.right - work.left - (outer.right - outer.left)) / 2,
                 work.top + (work.bottom - work.top - (outer.bottom - outer.top)) / 2};
    }
    Win32Screen::placeClient(m_hwnd, place.x, place.y, cw, ch, false, m_dpi);
}

SIZE Win32DialogBox::textExtent(const std::u16string &text, HFONT font) const
{
    HDC dc = GetDC(m_hwnd);
    const HGDIOBJ old = SelectObject(dc, font ? font : m_font.get());
    RECT r{0, 0, 0, 0};
    const std::wstring lines = withLineBreaks(text);
    DrawTextW(dc, lines.c_str(), static_cast<int>(lines.size()), &r, DT_CALCRECT | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(m_hwnd, dc);
    return {static_cast<LONG>(std::lround(Win32Screen::twips(r.right - r.left, m_dpi))),
            static_cast<LONG>(std::lround(Win32Screen::twips(r.bottom - r.top, m_dpi)))};
}

void Win32DialogBox::growClient(double widthTwips, double heightTwips)
{
    if (widthTwips <= 0 && heightTwips <= 0)
        return;
    m_clientWidth += std::max(0.0, widthTwips);
    m_clientHeight += std::max(0.0, heightTwips);
    sizeToClient();
}

void Win32DialogBox::scalesWith(Win32Font &font)
{
    if (std::find(m_fonts.begin(), m_fonts.end(), &font) == m_fonts.end())
        m_fonts.push_back(&font);
    if (m_hwnd)
        font.setDpi(m_dpi);
}

Win32Font *Win32DialogBox::fontOf(HFONT font)
{
    for (Win32Font *known : m_fonts)
        if (known->get() == font)
            return known;
    return font ? nullptr : &m_font;
}

void Win32DialogBox::applyDpi(int dpi, const RECT *suggested)
{
    if (dpi <= 0)
        return;
    m_dpi = dpi;
    for (Win32Font *font : m_fonts)
        font->setDpi(dpi);
    SendMessageW(m_hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.get()), FALSE);
    // The font first: a combo box takes its height from it.
    for (const Placed &p : m_placed) {
        HWND control = item(p.id);
        if (!control)
            continue;
        if (p.font)
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(p.font->get()), FALSE);
        SetWindowPos(control, nullptr, pixelsX(p.left), pixelsY(p.top), pixelsX(p.width),
                     pixelsY(p.height), SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (suggested) {
        const POINT at{suggested->left, suggested->top};
        sizeToClient(&at);
    } else {
        sizeToClient();
    }
    InvalidateRect(m_hwnd, nullptr, TRUE);
}

HWND Win32DialogBox::addControl(int id, const wchar_t *windowClass, const std::u16string &text,
                                DWORD style, double left, double top, double width, double height,
                                HFONT font)
{
    HWND control = CreateWindowExW(
        0, windowClass, withLineBreaks(text).c_str(), WS_CHILD | WS_VISIBLE | style, pixelsX(left),
        pixelsY(top), pixelsX(width), pixelsY(height), m_hwnd,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (control) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font ? font : m_font.get()),
                     FALSE);
        m_placed.push_back({id, left, top, width, height, fontOf(font)});
    }
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
        // Each showing starts from the designed size: a form may grow it.
        self->m_placed.clear();
        self->m_clientWidth = self->m_designWidth;
        self->m_clientHeight = self->m_designHeight;
        // Laid out by the form's twips alone: the dialog manager of Windows 10
        // would otherwise scale the dialog and its controls a second time.
        using BehaviourFn = BOOL(WINAPI *)(HWND, int, int);
        static const auto setBehaviour =
            Win32Screen::detail::user32<BehaviourFn>("SetDialogDpiChangeBehavior");
        constexpr int DisableAll = 1;
        if (setBehaviour)
            setBehaviour(hwnd, DisableAll, DisableAll);
        self->m_dpi = Win32Screen::dpiOf(hwnd);
        for (Win32Font *font : self->m_fonts)
            font->setDpi(self->m_dpi);
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
    case WM_DPICHANGED:
        self->applyDpi(LOWORD(wParam), reinterpret_cast<const RECT *>(lParam));
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
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->m_hwnd = nullptr;
        return TRUE;
    default:
        return self->onMessage(message, wParam, lParam);
    }
}
