#include "frontend/win32/frmNubrel.h"

#include "app/MainController.h"
#include "calls/CallDisplay.h"
#include "frontend/win32/Win32Icons.h"
#include "frontend/win32/Win32MessageLoop.h"
#include "frontend/win32/Win32Screen.h"
#include "frontend/win32/Win32Text.h"
#include "frontend/win32/Win32TrayIcon.h"
#include "frontend/win32/Win32WaitCursor.h"

#include <cmath>

#include <windows.h>

#include <windowsx.h>

namespace {
constexpr wchar_t ClassName[] = L"NubrelMain";
constexpr DWORD Style = WS_OVERLAPPEDWINDOW;

void setItemText(HMENU menu, UINT id, const std::u16string &caption)
{
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    std::wstring text = toWide(caption);
    info.dwTypeData = text.data();
    SetMenuItemInfoW(menu, id, FALSE, &info);
}
} // namespace

frmNubrel::frmNubrel(Win32Icons &icons)
    : m_icons(icons), m_textColor(GetSysColor(COLOR_WINDOWTEXT)), m_fontSpec{Win32Font::DesignFace,
                                                                             18, false, false},
      m_dpi(Win32Screen::systemDpi())
{
    remakeFont();
}

frmNubrel::~frmNubrel()
{
    if (m_hwnd)
        DestroyWindow(m_hwnd);
}

bool frmNubrel::create()
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &frmNubrel::proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hIcon = m_icons.icon(AppIcon::BuiltIn);
    wc.hIconSm = m_icons.icon(AppIcon::BuiltIn, true);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = ClassName;
    RegisterClassExW(&wc);
    buildMenus();

    RECT outer{0, 0, Win32Screen::pixels(DesignClientWidth, m_dpi),
               Win32Screen::pixels(DesignClientHeight, m_dpi)};
    Win32Screen::adjustForDpi(outer, Style, true, 0, m_dpi);
    m_hwnd = CreateWindowExW(0, ClassName, L"準備中", Style, CW_USEDEFAULT, CW_USEDEFAULT,
                             outer.right - outer.left, outer.bottom - outer.top, nullptr, m_menuBar,
                             GetModuleHandleW(nullptr), this);
    m_taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    if (!m_hwnd)
        return false;
    // Made where the system put it: on a monitor of another resolution, its
    // size is that monitor's.
    const int dpi = Win32Screen::dpiOf(m_hwnd);
    if (dpi != m_dpi)
        applyDpi(dpi, nullptr);
    return true;
}

void frmNubrel::attach(MainController *controller, Win32TrayIcon *tray)
{
    m_controller = controller;
    m_tray = tray;
}

void frmNubrel::buildMenus()
{
    m_menuBar = CreateMenu();
    m_mnuPopUp = CreatePopupMenu();
    // mnuDel and its separator are put in when shown: a menu has no hidden items.
    AppendMenuW(m_mnuPopUp, MF_STRING, mnuTask, L"タスクバーに入れる(&T)");
    AppendMenuW(m_mnuPopUp, MF_STRING, mnuTime, L"停止(&S)");
    AppendMenuW(m_mnuPopUp, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(m_mnuPopUp, MF_STRING, mnuEND, L"終了(&X)");
    AppendMenuW(m_menuBar, MF_POPUP, reinterpret_cast<UINT_PTR>(m_mnuPopUp), L"動作(&E)");

    HMENU mnuDisp = CreatePopupMenu();
    AppendMenuW(mnuDisp, MF_STRING, mnuHistry, L"着信履歴(&R)");
    AppendMenuW(mnuDisp, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(mnuDisp, MF_STRING, mnuFont, L"ﾌｫﾝﾄ(&F)");
    AppendMenuW(m_menuBar, MF_POPUP, reinterpret_cast<UINT_PTR>(mnuDisp), L"表示(&D)");

    AppendMenuW(m_menuBar, MF_STRING, mnuEnv, L"設定(&K)");

    HMENU mnuHelp = CreatePopupMenu();
    AppendMenuW(mnuHelp, MF_STRING, mnuMnual, L"説明書(&G)");
    AppendMenuW(mnuHelp, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(mnuHelp, MF_STRING, mnuAbout, L"ﾊﾞｰｼﾞｮﾝ情報(&A)");
    AppendMenuW(m_menuBar, MF_POPUP, reinterpret_cast<UINT_PTR>(mnuHelp), L"ヘルプ(&H)");
}

void frmNubrel::command(UINT id)
{
    // A modal window of ours is open (the window is disabled): a command
    // chosen in the tray's menu meanwhile starts nothing.
    if (!m_controller || !IsWindowEnabled(m_hwnd))
        return;
    MainController &c = *m_controller;
    switch (id) {
    case mnuTask:
        c.mnuTask_Click();
        break;
    case mnuTime:
        c.mnuTime_Click();
        break;
    case mnuEND:
        c.mnuEND_Click();
        break;
    case mnuHistry:
        c.mnuHistry_Click();
        break;
    case mnuFont:
        c.mnuFont_Click();
        break;
    case mnuEnv:
        c.mnuEnv_Click();
        break;
    case mnuMnual:
        c.mnuMnual_Click();
        break;
    case mnuAbout:
        c.mnuAbout_Click();
        break;
    default:
        break; // mnuDel only closes the menu
    }
}

void frmNubrel::Form_MouseDown(int button, int x)
{
    // The icon's notifications come as a middle press whose x is the mouse
    // message of the event.
    if (!(button & 4) || !m_controller)
        return;
    if (!IsWindowEnabled(m_hwnd)) {
        // The icon brings forward the modal window that holds the program.
        if (HWND modal = GetWindow(m_hwnd, GW_ENABLEDPOPUP))
            SetForegroundWindow(modal);
        return;
    }
    switch (x) {
    case WM_LBUTTONDBLCLK:
        m_controller->TrayIcon_RestoreRequested();
        break;
    case WM_RBUTTONDOWN:
        m_controller->TrayIcon_MenuRequested();
        break;
    default:
        break;
    }
}

void frmNubrel::paint(HDC dc)
{
    SetPixel(dc, 0, 0, m_textColor);
    SetTextColor(dc, m_textColor);
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ old = SelectObject(dc, m_font.get());
    const std::u16string text =
        CallDisplay::mainWindowText(m_lastNumber ? m_lastNumber() : std::u16string());
    TextOutW(dc, 0, 0, wide(text), static_cast<int>(text.size()));
    // The caller's name, drawn as plain text on a second line.
    const std::u16string name = m_lastName ? m_lastName() : std::u16string();
    if (!name.empty()) {
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        TextOutW(dc, 0, metrics.tmHeight + metrics.tmExternalLeading, wide(name),
                 static_cast<int>(name.size()));
    }
    SelectObject(dc, old);
}

LRESULT CALLBACK frmNubrel::proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto *create = reinterpret_cast<CREATESTRUCTW *>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        static_cast<frmNubrel *>(create->lpCreateParams)->m_hwnd = hwnd;
    }
    auto *self = reinterpret_cast<frmNubrel *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    return self->handle(message, wParam, lParam);
}

LRESULT frmNubrel::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_taskbarCreated != 0 && message == m_taskbarCreated) {
        // Explorer started again: its tray knows no icon of ours any more.
        if (m_tray)
            m_tray->readd();
        return 0;
    }
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == 0 && lParam == 0)
            command(LOWORD(wParam));
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(m_hwnd, &ps);
        paint(dc);
        EndPaint(m_hwnd, &ps);
        return 0;
    }
    case WM_SETCURSOR:
        // The About box's search shows the hourglass here too, mouse moves or not.
        if (Win32WaitCursor::apply())
            return TRUE;
        return DefWindowProcW(m_hwnd, message, wParam, lParam);
    case WM_MBUTTONDOWN: {
        int button = 4;
        if (wParam & MK_LBUTTON)
            button |= 1;
        if (wParam & MK_RBUTTON)
            button |= 2;
        // A real press in the window has the same form: its x decides too.
        Form_MouseDown(button, GET_X_LPARAM(lParam));
        return 0;
    }
    case WM_DPICHANGED:
        applyDpi(LOWORD(wParam), reinterpret_cast<const RECT *>(lParam));
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(m_font.get());
    case WM_CLOSE:
        // The close box ends the program exactly as the exit command does.
        if (m_controller && !m_ending)
            m_controller->Form_Unload();
        return 0;
    case WM_QUERYENDSESSION:
        // Log-off: the settings now; the program goes on, as the log-off
        // may still be cancelled.
        if (m_controller)
            m_controller->SaveWindowSettings();
        return TRUE;
    case WM_ENDSESSION:
        if (wParam && m_controller && !m_ending)
            m_controller->Form_Unload();
        return 0;
    default:
        return DefWindowProcW(m_hwnd, message, wParam, lParam);
    }
}

std::u16string frmNubrel::title() const
{
    const int length = GetWindowTextLengthW(m_hwnd);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(m_hwnd, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return fromWide(text);
}

void frmNubrel::setTitle(const std::u16string &title)
{
    SetWindowTextW(m_hwnd, wide(title));
}

void frmNubrel::setTextColor(std::uint32_t rgb)
{
    m_textColor = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

void frmNubrel::repaint()
{
    InvalidateRect(m_hwnd, nullptr, TRUE);
    UpdateWindow(m_hwnd);
}

void frmNubrel::showWindow()
{
    if (!m_everShown) {
        m_everShown = true;
        const WindowState state = m_pendingState.value_or(WindowState::Normal);
        m_pendingState.reset();
        ShowWindow(m_hwnd, state == WindowState::Minimised   ? SW_SHOWMINIMIZED
                           : state == WindowState::Maximised ? SW_SHOWMAXIMIZED
                                                             : SW_SHOWNORMAL);
    } else {
        ShowWindow(m_hwnd, SW_SHOW);
    }
    if (!IsIconic(m_hwnd))
        SetForegroundWindow(m_hwnd);
}

void frmNubrel::hideWindow()
{
    ShowWindow(m_hwnd, SW_HIDE);
}

WindowState frmNubrel::windowState() const
{
    if (!m_everShown && m_pendingState)
        return *m_pendingState;
    if (IsIconic(m_hwnd))
        return WindowState::Minimised;
    if (IsZoomed(m_hwnd))
        return WindowState::Maximised;
    return WindowState::Normal;
}

void frmNubrel::setWindowState(WindowState state)
{
    // A window not shown yet takes its state when it is shown: start-up
    // sets the state before it decides whether the window is shown at all.
    if (!m_everShown) {
        m_pendingState = state;
        return;
    }
    const bool visible = IsWindowVisible(m_hwnd);
    switch (state) {
    case WindowState::Minimised:
        ShowWindow(m_hwnd, visible ? SW_MINIMIZE : SW_SHOWMINNOACTIVE);
        break;
    case WindowState::Maximised:
        ShowWindow(m_hwnd, SW_MAXIMIZE);
        break;
    case WindowState::Normal:
        ShowWindow(m_hwnd, SW_RESTORE);
        break;
    }
    if (!visible)
        ShowWindow(m_hwnd, SW_HIDE);
}

RECT frmNubrel::outerRect() const
{
    RECT r{};
    GetWindowRect(m_hwnd, &r);
    return r;
}

void frmNubrel::moveOuter(const RECT &outer)
{
    SetWindowPos(m_hwnd, nullptr, outer.left, outer.top, outer.right - outer.left,
                 outer.bottom - outer.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The position goes by the system's resolution, the same on every monitor,
// so that a stored position comes back where it was on any of them; the size
// by the resolution of the window's own monitor, so that it keeps its size in
// twips there.
double frmNubrel::top() const
{
    return Win32Screen::twips(outerRect().top, Win32Screen::systemDpi());
}

double frmNubrel::left() const
{
    return Win32Screen::twips(outerRect().left, Win32Screen::systemDpi());
}

double frmNubrel::height() const
{
    const RECT r = outerRect();
    return Win32Screen::twips(r.bottom - r.top, m_dpi);
}

double frmNubrel::width() const
{
    const RECT r = outerRect();
    return Win32Screen::twips(r.right - r.left, m_dpi);
}

void frmNubrel::setTop(double twips)
{
    RECT r = outerRect();
    const int y = Win32Screen::pixels(twips, Win32Screen::systemDpi());
    OffsetRect(&r, 0, y - r.top);
    moveOuter(r);
}

void frmNubrel::setLeft(double twips)
{
    RECT r = outerRect();
    const int x = Win32Screen::pixels(twips, Win32Screen::systemDpi());
    OffsetRect(&r, x - r.left, 0);
    moveOuter(r);
}

void frmNubrel::setHeight(double twips)
{
    RECT r = outerRect();
    r.bottom = r.top + Win32Screen::pixels(twips, m_dpi);
    moveOuter(r);
}

void frmNubrel::setWidth(double twips)
{
    RECT r = outerRect();
    r.right = r.left + Win32Screen::pixels(twips, m_dpi);
    moveOuter(r);
}

void frmNubrel::applyDpi(int dpi, const RECT *suggested)
{
    if (dpi <= 0)
        return;
    const int old = m_dpi;
    m_dpi = dpi;
    remakeFont();
    if (!m_hwnd)
        return;
    if (IsIconic(m_hwnd) || IsZoomed(m_hwnd)) {
        // The system knows the restored size; it suggests the rest.
        if (suggested)
            moveOuter(*suggested);
    } else {
        // The client area keeps its size in twips; the frame is the new monitor's.
        RECT client{};
        GetClientRect(m_hwnd, &client);
        const RECT now = outerRect();
        const POINT at =
            suggested ? POINT{suggested->left, suggested->top} : POINT{now.left, now.top};
        Win32Screen::placeClient(
            m_hwnd, at.x, at.y,
            Win32Screen::pixels(Win32Screen::twips(client.right - client.left, old), dpi),
            Win32Screen::pixels(Win32Screen::twips(client.bottom - client.top, old), dpi), true,
            dpi);
    }
    InvalidateRect(m_hwnd, nullptr, TRUE);
}

void frmNubrel::remakeFont()
{
    // The face's own character set: with a Japanese one for a face without
    // Japanese, the system would give (and the exit save) a Japanese stand-in.
    m_font = Win32Font(m_fontSpec.face, m_fontSpec.size, m_fontSpec.bold, m_fontSpec.italic, false,
                       m_dpi, Win32Font::charsetFor(m_fontSpec.face));
}

FontSpec frmNubrel::font() const
{
    FontSpec spec = m_fontSpec;
    const std::u16string actual = m_font.actualFace();
    if (!actual.empty())
        spec.face = actual;
    return spec;
}

void frmNubrel::setFontFace(const std::u16string &face)
{
    if (face.empty())
        return;
    m_fontSpec.face = face;
    remakeFont();
}

void frmNubrel::setFontSize(double points)
{
    if (points <= 0)
        return;
    m_fontSpec.size = points;
    remakeFont();
}

void frmNubrel::setFontBold(bool bold)
{
    m_fontSpec.bold = bold;
    remakeFont();
}

void frmNubrel::setFontItalic(bool italic)
{
    m_fontSpec.italic = italic;
    remakeFont();
}

void frmNubrel::setIcon(AppIcon icon)
{
    SendMessageW(m_hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icons.icon(icon)));
    SendMessageW(m_hwnd, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(m_icons.icon(icon, true)));
}

void frmNubrel::setTaskCaption(const std::u16string &caption)
{
    setItemText(m_mnuPopUp, mnuTask, caption);
}

void frmNubrel::setTimeCaption(const std::u16string &caption)
{
    setItemText(m_mnuPopUp, mnuTime, caption);
}

void frmNubrel::setDelItemsVisible(bool visible)
{
    if (visible == m_delItemsShown)
        return;
    m_delItemsShown = visible;
    if (visible) {
        InsertMenuW(m_mnuPopUp, 0, MF_BYPOSITION | MF_STRING, mnuDel, L"ｷｬﾝｾﾙ");
        InsertMenuW(m_mnuPopUp, 1, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    } else {
        DeleteMenu(m_mnuPopUp, 1, MF_BYPOSITION);
        DeleteMenu(m_mnuPopUp, mnuDel, MF_BYCOMMAND);
    }
}

void frmNubrel::resetMousePointer()
{
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

void frmNubrel::endProgram()
{
    m_ending = true;
    // Every loop ends: the main one and any modal one still open (a
    // message, the question, a dialog), whose callers then unwind.
    Win32MessageLoop::quit(0);
}
