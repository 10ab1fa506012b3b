// The kernel's price of the exchange's waits on their own: 10,001 bare
// sleeps of one poll's pause, with nothing else in the process. Whatever the
// program spends beyond this is its own.
#include "link/SerialLink.h"

#include <cstdio>
#include <ctime>
#include <sys/resource.h>

namespace {
double cpuMs()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}
} // namespace

int main()
{
    const timespec pause{0, SerialLink::PollPauseMicroseconds * 1000L};
    const double before = cpuMs();
    for (int i = 0; i <= SerialLink::MaxPoll; ++i) {
        timespec left = pause;
        while (::nanosleep(&left, &left) != 0) {
        }
    }
    std::printf("row\t  floor: %d bare sleeps of %d us, CPU\t%.1f ms\t-\t-\n",
                SerialLink::MaxPoll + 1, SerialLink::PollPauseMicroseconds, cpuMs() - before);
    return 0;
}
