#include "frontend/qt/QtSignalWatcher.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int g_fds[2] = {-1, -1};
volatile sig_atomic_t g_pending = 0;
constexpr int Watched[] = {SIGTERM, SIGINT, SIGHUP};

void onSignal(int signalNumber)
{
    // A second signal before the event loop took the first: whatever holds
    // the loop up, the program ends now.
    if (g_pending) {
        ::signal(signalNumber, SIG_DFL);
        ::raise(signalNumber);
        return;
    }
    g_pending = 1;
    const auto byte = static_cast<unsigned char>(signalNumber);
    // Only async-signal-safe work here; the rest runs on the event loop.
    [[maybe_unused]] const ssize_t n = ::write(g_fds[0], &byte, 1);
}

void restoreDefaults()
{
    for (const int sig : Watched)
        ::signal(sig, SIG_DFL);
}
} // namespace
#endif

QtSignalWatcher::QtSignalWatcher(std::function<bool()> onSignal, QObject *parent)
    : QObject(parent), m_onSignal(std::move(onSignal))
{
#ifdef Q_OS_UNIX
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_fds) != 0)
        return;
    ::fcntl(g_fds[0], F_SETFL, O_NONBLOCK);
    ::fcntl(g_fds[1], F_SETFL, O_NONBLOCK);
    m_notifier = new QSocketNotifier(g_fds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        unsigned char buffer[16];
        ssize_t n = 0;
        int last = 0;
        while ((n = ::read(g_fds[1], buffer, sizeof buffer)) > 0)
            last = buffer[n - 1];
        if (last != 0)
            handle(last);
    });
    struct sigaction action {};
    action.sa_handler = ::onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int sig : Watched)
        ::sigaction(sig, &action, nullptr);
#endif
}

void QtSignalWatcher::handle(int signalNumber)
{
#ifdef Q_OS_UNIX
    const bool started = m_onSignal && m_onSignal();
    // The settings are written by now: whatever keeps the program from
    // ending, the next signal ends it.
    restoreDefaults();
    if (!started)
        ::raise(signalNumber);
#else
    Q_UNUSED(signalNumber);
#endif
}

QtSignalWatcher::~QtSignalWatcher()
{
#ifdef Q_OS_UNIX
    restoreDefaults();
    delete m_notifier;
    m_notifier = nullptr;
    for (int &fd : g_fds) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
#endif
}
