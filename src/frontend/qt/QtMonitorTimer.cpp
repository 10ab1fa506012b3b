#include "frontend/qt/QtMonitorTimer.h"

QtMonitorTimer::QtMonitorTimer(std::function<void()> onTick)
{
    m_timer.setTimerType(Qt::CoarseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, std::move(onTick));
}

void QtMonitorTimer::setInterval(int milliseconds)
{
    m_interval = milliseconds > 0 ? milliseconds : 0;
    if (m_interval == 0) {
        m_timer.stop();
        return;
    }
    m_timer.start(m_interval);
}

int QtMonitorTimer::interval() const
{
    return m_interval;
}
