// The local time from the C library, as the desktop's own clock shows it.
#include "platform/Clock.h"

#include <ctime>

LocalTime SystemClock::now() const
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return LocalTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                     local.tm_hour,        local.tm_min,     local.tm_sec};
}
