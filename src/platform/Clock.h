// Local date and time, replaceable in tests.
#pragma once

struct LocalTime {
    int year = 0;
    int month = 0; // 1..12
    int day = 0;   // 1..31
    int hour = 0;  // 0..23
    int minute = 0;
    int second = 0;
    bool operator==(const LocalTime &) const = default;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalTime now() const = 0;
};

// The system's local time; each platform provides its now().
class SystemClock final : public Clock {
public:
    LocalTime now() const override;
};
