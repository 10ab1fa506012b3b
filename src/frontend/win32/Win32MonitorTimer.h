// The monitoring timer: a window timer on a message-only window of its own.
#pragma once

#include "platform/MonitorTimer.h"

#include <functional>
#include <windows.h>

class Win32MonitorTimer final : public MonitorTimer {
public:
    explicit Win32MonitorTimer(std::function<void()> tick);
    ~Win32MonitorTimer() override;
    Win32MonitorTimer(const Win32MonitorTimer &) = delete;
    Win32MonitorTimer &operator=(const Win32MonitorTimer &) = delete;

    void setInterval(int milliseconds) override;
    int interval() const override { return m_interval; }

private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    std::function<void()> m_tick;
    HWND m_hwnd = nullptr;
    int m_interval = 0;
};
