#include "frontend/win32/Win32MonitorTimer.h"

namespace {
constexpr wchar_t ClassName[] = L"NubrelTimer";
constexpr UINT_PTR TimerId = 1;
} // namespace

Win32MonitorTimer::Win32MonitorTimer(std::function<void()> tick) : m_tick(std::move(tick))
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Win32MonitorTimer::proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = ClassName;
    RegisterClassExW(&wc);
    m_hwnd = CreateWindowExW(0, ClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             GetModuleHandleW(nullptr), this);
}

Win32MonitorTimer::~Win32MonitorTimer()
{
    if (m_hwnd)
        DestroyWindow(m_hwnd);
}

void Win32MonitorTimer::setInterval(int milliseconds)
{
    m_interval = milliseconds > 0 ? milliseconds : 0;
    if (m_interval == 0) {
        KillTimer(m_hwnd, TimerId);
        return;
    }
    // Setting it again restarts the period.
    SetTimer(m_hwnd, TimerId, static_cast<UINT>(m_interval), nullptr);
}

LRESULT CALLBACK Win32MonitorTimer::proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto *create = reinterpret_cast<CREATESTRUCTW *>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    if (message == WM_TIMER && wParam == TimerId) {
        auto *self = reinterpret_cast<Win32MonitorTimer *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && self->m_tick)
            self->m_tick();
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}
