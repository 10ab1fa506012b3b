// The monitoring timer on QTimer.
#pragma once

#include "platform/MonitorTimer.h"

#include <QTimer>
#include <functional>

class QtMonitorTimer final : public MonitorTimer {
public:
    explicit QtMonitorTimer(std::function<void()> onTick);
    void setInterval(int milliseconds) override;
    int interval() const override;

private:
    QTimer m_timer;
    int m_interval = 0;
};
