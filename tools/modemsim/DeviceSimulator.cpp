#include "DeviceSimulator.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {
volatile std::sig_atomic_t g_signalled = 0;

extern "C" void onSignal(int)
{
    g_signalled = 1;
}

constexpr std::chrono::milliseconds ControlFileInterval{100};

// The numbers the demo cycles through; an empty one is a withheld call.
constexpr std::array<const char *, 5> AutoNumbers{"0312345678", "09012345678", "", "0452223333",
                                                  "0120444555"};

timespec toTimespec(std::chrono::nanoseconds d)
{
    if (d.count() < 0)
        d = std::chrono::nanoseconds{0};
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(d);
    return timespec{static_cast<time_t>(seconds.count()), static_cast<long>((d - seconds).count())};
}
} // namespace

DeviceSimulator::DeviceSimulator(const Options &options)
    : m_options(options), m_modem(options.kind, m_output)
{
    m_modem.setLogFile(options.logPath);
    if (options.number)
        m_modem.takeCall(*options.number);
}

void DeviceSimulator::acknowledge(const std::string &line)
{
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

int DeviceSimulator::run()
{
    std::string error;
    if (!m_pty.open(error)) {
        std::fprintf(stderr, "modemsim: %s\n", error.c_str());
        return 1;
    }
    if (!m_options.linkPath.empty() && !m_pty.makeLink(m_options.linkPath, error)) {
        std::fprintf(stderr, "modemsim: %s\n", error.c_str());
        return 1;
    }
    acknowledge(m_pty.slavePath());

    struct stat st {};
    m_exitOnStdinEof =
        ::fstat(STDIN_FILENO, &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode));

    // The signals are let through only while the loop sleeps, so none is lost.
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    sigaddset(&blocked, SIGINT);
    sigaddset(&blocked, SIGHUP);
    sigset_t waking;
    ::sigprocmask(SIG_BLOCK, &blocked, &waking);
    struct sigaction action {};
    action.sa_handler = onSignal;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    const auto start = Clock::now();
    if (m_options.autoSeconds)
        m_nextAutoCall = start + std::chrono::duration_cast<Clock::duration>(
                                     std::chrono::duration<double>(*m_options.autoSeconds));

    while (!m_stop) {
        auto now = Clock::now();
        std::array<pollfd, 2> fds{{{m_pty.master(), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}}};
        const nfds_t count = m_stdinOpen ? 2 : 1;
        const timespec timeout = toTimespec(nextWake(now) - now);
        const int ready = ::ppoll(fds.data(), count, &timeout, &waking);
        if (g_signalled)
            break;
        if (ready < 0 && errno != EINTR) {
            std::perror("modemsim: ppoll");
            return 1;
        }
        // The device's input first, so a "sync" that arrives together with a
        // command is answered after that command.
        if (ready > 0 && (fds[0].revents & POLLIN))
            readDevice();
        if (ready > 0 && count > 1 && (fds[1].revents & (POLLIN | POLLHUP)))
            readStdin();
        now = Clock::now();
        if (!m_options.controlPath.empty() && now >= m_nextControlCheck) {
            m_nextControlCheck = now + ControlFileInterval;
            readControlFile();
        }
        if (m_options.autoSeconds && now >= m_nextAutoCall)
            takeAutoCall();
        if (m_stop)
            break;
        if (!m_output.writeDue(m_pty.master(), Clock::now())) {
            std::perror("modemsim: write");
            return 1;
        }
        if (m_pendingSyncs > 0 && m_output.empty()) {
            for (; m_pendingSyncs > 0; --m_pendingSyncs)
                acknowledge("ok sync");
        }
    }
    m_pty.close();
    return m_exitCode;
}

DeviceSimulator::Clock::time_point DeviceSimulator::nextWake(Clock::time_point now) const
{
    auto wake = now + std::chrono::seconds(1);
    if (const auto due = m_output.nextDue())
        wake = std::min(wake, *due);
    if (!m_options.controlPath.empty())
        wake = std::min(wake, m_nextControlCheck);
    if (m_options.autoSeconds)
        wake = std::min(wake, m_nextAutoCall);
    return std::max(wake, now);
}

void DeviceSimulator::readDevice()
{
    std::array<char, 4096> buffer{};
    for (;;) {
        const ssize_t n = ::read(m_pty.master(), buffer.data(), buffer.size());
        if (n > 0) {
            m_modem.receive(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return; // EAGAIN: all read
    }
}

void DeviceSimulator::readStdin()
{
    std::array<char, 4096> buffer{};
    const ssize_t n = ::read(STDIN_FILENO, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR)
        return;
    if (n <= 0) {
        m_stdinOpen = false;
        if (m_exitOnStdinEof)
            m_stop = true;
        return;
    }
    m_stdinBuffer.append(buffer.data(), static_cast<std::size_t>(n));
    std::size_t end;
    while (!m_stop && (end = m_stdinBuffer.find('\n')) != std::string::npos) {
        std::string line = m_stdinBuffer.substr(0, end);
        m_stdinBuffer.erase(0, end + 1);
        execute(line);
    }
}

void DeviceSimulator::readControlFile()
{
    std::ifstream in(m_options.controlPath, std::ios::binary);
    if (!in)
        return;
    std::stringstream text;
    text << in.rdbuf();
    in.close();
    ::unlink(m_options.controlPath.c_str());
    std::string line;
    while (!m_stop && std::getline(text, line))
        execute(line);
}

void DeviceSimulator::execute(const std::string &raw)
{
    std::string line = raw;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
        line.pop_back();
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos)
        return;
    line.erase(0, first);

    if (line == "quit") {
        acknowledge("ok quit");
        m_stop = true;
    } else if (line == "vanish") {
        // Gone before the acknowledgement, so a test that has read it knows.
        m_pty.close();
        acknowledge("ok vanish");
        m_stop = true;
    } else if (line == "sync") {
        // Take in what the program has sent so far, then acknowledge once every
        // answer to it is out on the line.
        readDevice();
        ++m_pendingSyncs;
    } else if (line == "status") {
        acknowledge("ok status " + m_modem.state() + " " + m_pty.lineSettings());
    } else {
        acknowledge(m_modem.control(line));
    }
}

void DeviceSimulator::takeAutoCall()
{
    const std::string number = AutoNumbers[m_autoStep % AutoNumbers.size()];
    ++m_autoStep;
    m_modem.takeCall(number);
    acknowledge(number.empty() ? "auto withheld" : "auto call " + number);
    m_nextAutoCall += std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(*m_options.autoSeconds));
}
