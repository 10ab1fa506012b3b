// The local date and time from the system.
#include "platform/Clock.h"

#include <windows.h>

LocalTime SystemClock::now() const
{
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return LocalTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}
