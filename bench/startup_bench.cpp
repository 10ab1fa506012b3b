// Start-up of the real program, seen from the X server: from exec to the main
// window being mapped (under a window manager, the frame that holds it), over
// many starts. Each start is ended with SIGTERM and waited for before the next,
// as the program lets only one copy run per folder.
//
// Usage: startup_bench PROGRAM [STARTS]. Prints one tab-separated row per
// figure: "row", figure, measured, target, verdict.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

double monotonicMs()
{
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

bool isProgramWindow(Display *display, Window window)
{
    XClassHint hint{};
    if (XGetClassHint(display, window, &hint) == 0)
        return false;
    const bool ours = hint.res_class && std::strcmp(hint.res_class, "nubrel") == 0;
    XFree(hint.res_name);
    XFree(hint.res_class);
    if (!ours)
        return false;
    // The pop-up and menus are override-redirect; the main window is not.
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, window, &attributes) != 0 && !attributes.override_redirect;
}

// The window itself, or a window manager's frame with it inside.
bool holdsProgramWindow(Display *display, Window window, int depth = 0)
{
    if (isProgramWindow(display, window))
        return true;
    if (depth >= 3)
        return false;
    Window root = 0;
    Window parent = 0;
    Window *children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count) == 0)
        return false;
    bool found = false;
    for (unsigned i = 0; i < count && !found; ++i)
        found = holdsProgramWindow(display, children[i], depth + 1);
    if (children)
        XFree(children);
    return found;
}

int ignoreErrors(Display *, XErrorEvent *)
{
    return 0; // windows may go away while they are looked at
}

// Waits for a MapNotify of a window that holds the program's main window.
bool waitForMap(Display *display, double deadline, double &mappedAt)
{
    const int fd = ConnectionNumber(display);
    while (monotonicMs() < deadline) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify) {
                const double at = monotonicMs();
                if (holdsProgramWindow(display, event.xmap.window)) {
                    mappedAt = at;
                    return true;
                }
            }
        }
        pollfd watch{fd, POLLIN, 0};
        ::poll(&watch, 1, 20);
    }
    return false;
}

double percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(fraction * values.size()));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fputs("usage: startup_bench PROGRAM [STARTS]\n", stderr);
        return 2;
    }
    const char *program = argv[1];
    const int starts = argc > 2 ? std::atoi(argv[2]) : 20;
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fputs("startup_bench: no display\n", stderr);
        return 1;
    }
    XSetErrorHandler(ignoreErrors);
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);

    std::vector<double> times;
    double first = NAN;
    // One start more than asked for: the first warms the caches and is shown apart.
    for (int i = 0; i <= starts; ++i) {
        XSync(display, True); // nothing left over from the last start
        const double t0 = monotonicMs();
        const pid_t child = ::fork();
        if (child == 0) {
            ::execl(program, program, static_cast<char *>(nullptr));
            std::_Exit(127);
        }
        double mappedAt = 0;
        const bool mapped = waitForMap(display, t0 + 15000, mappedAt);
        ::kill(child, SIGTERM);
        int status = 0;
        ::waitpid(child, &status, 0);
        if (!mapped) {
            std::fprintf(stderr, "startup_bench: start %d: no window\n", i);
            return 1;
        }
        const double elapsed = mappedAt - t0;
        std::fprintf(stderr, "startup_bench: start %d: %.1f ms\n", i, elapsed);
        if (i == 0)
            first = elapsed;
        else
            times.push_back(elapsed);
        ::usleep(200 * 1000);
    }
    XCloseDisplay(display);
    if (times.empty())
        return 0; // a single start, as under a profiler
    const double median = percentile(times, 0.5);
    std::printf("row\tstart-up, exec -> main window mapped, median of %d\t%.1f ms\t< 200 ms\t%s\n",
                starts, median, median < 200 ? "ok" : "MISSED");
    std::printf("row\t  p95 (max)\t%.1f ms (%.1f ms)\t-\t-\n", percentile(times, 0.95),
                percentile(times, 1.0));
    std::printf("row\t  first start (not counted)\t%.1f ms\t-\t-\n", first);
    return 0;
}
