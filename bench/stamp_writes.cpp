// Preloaded into the simulated device (LD_PRELOAD) by the exchange benchmark:
// records when each write to the pseudo-terminal's master side returned, on the
// monotonic clock the benchmark also reads, so the time from the device's last
// answer byte to the new title can be taken without touching either program.
//
// One line a write to NUBREL_STAMP_FILE: "<nanoseconds> <bytes as hex>".
#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

using WriteFn = ssize_t (*)(int, const void *, size_t);

int stampFd()
{
    static const int fd = [] {
        const char *path = std::getenv("NUBREL_STAMP_FILE");
        return path ? ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644) : -1;
    }();
    return fd;
}

// Only the master side counts: stdout carries acknowledgements, not line bytes.
bool isPtyMaster(int fd)
{
    constexpr int Known = 256;
    static std::array<signed char, Known> seen{}; // 0 unknown, 1 master, -1 other
    if (fd < 0 || fd >= Known)
        return false;
    if (seen[fd] == 0) {
        char link[32];
        std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
        char target[PATH_MAX] = {};
        const ssize_t n = ::readlink(link, target, sizeof target - 1);
        const bool master = n > 0 && std::strstr(target, "ptmx") != nullptr;
        seen[fd] = master ? 1 : -1;
    }
    return seen[fd] == 1;
}

void stamp(const void *data, ssize_t written)
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const int out = stampFd();
    if (out < 0)
        return;
    char line[64 + 2 * 128];
    int used = std::snprintf(line, sizeof line, "%lld ",
                             static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
    const auto *bytes = static_cast<const unsigned char *>(data);
    static const char Hex[] = "0123456789abcdef";
    for (ssize_t i = 0; i < written && i < 128; ++i) {
        line[used++] = Hex[bytes[i] >> 4];
        line[used++] = Hex[bytes[i] & 15];
    }
    line[used++] = '\n';
    // The raw call: this file's own write must not come back here.
    ::syscall(SYS_write, out, line, static_cast<size_t>(used));
}

} // namespace

extern "C" ssize_t write(int fd, const void *data, size_t size)
{
    static const auto real = reinterpret_cast<WriteFn>(::dlsym(RTLD_NEXT, "write"));
    const ssize_t written = real(fd, data, size);
    if (written > 0 && isPtyMaster(fd)) {
        const int saved = errno;
        stamp(data, written);
        errno = saved;
    }
    return written;
}
