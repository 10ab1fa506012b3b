#include "frontend/win32/frmNbTip.h"

#include "calls/CallDisplay.h"
#include "frontend/win32/Win32Screen.h"
#include "frontend/win32/Win32Text.h"

namespace {
constexpr wchar_t ClassName[] = L"NubrelTip";
constexpr DWORD Style = WS_POPUP | WS_BORDER;
constexpr DWORD ExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
} // namespace

frmNbTip::frmNbTip(std::function<std::u16string()> lastNumber)
    : m_lastNumber(std::move(lastNumber)),
      // Eleven digits and a blank fit into the 80 pixels of the client area.
      m_font(Win32Font::DesignFace, 8)
{
}

frmNbTip::~frmNbTip()
{
    unloadTip();
}

void frmNbTip::loadTip()
{
    if (m_hwnd)
        return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &frmNbTip::proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = ClassName;
    RegisterClassExW(&wc);

    m_dpi = Win32Screen::systemDpi();
    m_font.setDpi(m_dpi);
    m_hwnd = CreateWindowExW(ExStyle, ClassName, L"", Style, 0, 0, 0, 0, nullptr, nullptr,
                             GetModuleHandleW(nullptr), this);
    if (!m_hwnd)
        return;
    // Sized and placed for the monitor it is on.
    m_dpi = Win32Screen::dpiOf(m_hwnd);
    m_font.setDpi(m_dpi);
    place();
}

void frmNbTip::place()
{
    const int cw = Win32Screen::pixels(ClientWidth, m_dpi);
    const int ch = Win32Screen::pixels(ClientHeight, m_dpi);
    RECT outer{0, 0, cw, ch};
    Win32Screen::adjustForDpi(outer, Style, false, ExStyle, m_dpi);
    const int ow = outer.right - outer.left;
    const int oh = outer.bottom - outer.top;
    // The work area: the task bar is no place for it.
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const double tx = Win32Screen::twips(1, m_dpi);
    const CallDisplay::Point at = CallDisplay::tipPlacement(
        (work.right - work.left) * tx, (work.bottom - work.top) * tx, ow * tx, oh * tx);
    Win32Screen::placeClient(m_hwnd, work.left + Win32Screen::pixels(at.left, m_dpi),
                             work.top + Win32Screen::pixels(at.top, m_dpi), cw, ch, false, m_dpi);
}

bool frmNbTip::isTipVisible() const
{
    return m_hwnd && IsWindowVisible(m_hwnd);
}

void frmNbTip::showTip()
{
    if (!m_hwnd)
        return;
    ShowWindow(m_hwnd, SW_SHOWNOACTIVATE);
    SetWindowPos(m_hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void frmNbTip::hideTip()
{
    if (m_hwnd)
        ShowWindow(m_hwnd, SW_HIDE);
}

void frmNbTip::refreshTip()
{
    if (m_hwnd)
        InvalidateRect(m_hwnd, nullptr, TRUE);
}

void frmNbTip::unloadTip()
{
    if (!m_hwnd)
        return;
    HWND gone = m_hwnd;
    m_hwnd = nullptr;
    DestroyWindow(gone);
}

void frmNbTip::paint(HDC dc)
{
    RECT client{};
    GetClientRect(m_hwnd, &client);
    HBRUSH back = CreateSolidBrush(Background);
    FillRect(dc, &client, back);
    DeleteObject(back);
    const int x = Win32Screen::pixels(10, m_dpi);
    const int y = Win32Screen::pixels(10, m_dpi);
    const COLORREF ink = GetSysColor(COLOR_WINDOWTEXT);
    SetPixel(dc, x, y, ink);
    SetTextColor(dc, ink);
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ old = SelectObject(dc, m_font.get());
    const std::u16string text = CallDisplay::tipText(m_lastNumber ? m_lastNumber() : u"");
    ExtTextOutW(dc, x, y, ETO_CLIPPED, &client, wide(text), static_cast<UINT>(text.size()),
                nullptr);
    SelectObject(dc, old);
}

LRESULT CALLBACK frmNbTip::proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto *create = reinterpret_cast<CREATESTRUCTW *>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto *self = reinterpret_cast<frmNbTip *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (message) {
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case WM_DPICHANGED:
        // Its place is worked out from the work area, not from the suggestion.
        if (self) {
            self->m_dpi = LOWORD(wParam);
            self->m_font.setDpi(self->m_dpi);
            self->place();
            InvalidateRect(hwnd, nullptr, TRUE);
            return 0;
        }
        break;
    case WM_PAINT:
        if (self) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            self->paint(dc);
            EndPaint(hwnd, &ps);
            return 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}
