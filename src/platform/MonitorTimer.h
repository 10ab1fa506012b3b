// The monitoring timer: an interval of 0 switches it off; setting an interval
// restarts the period, so the next tick is one full interval away.
#pragma once

class MonitorTimer {
public:
    virtual ~MonitorTimer() = default;
    virtual void setInterval(int milliseconds) = 0;
    virtual int interval() const = 0;
};
