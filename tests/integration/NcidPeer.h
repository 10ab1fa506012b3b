// The NCID tests' own peers on 127.0.0.1: a client and a server on plain POSIX
// sockets. The program under test runs on the same thread, so every wait here
// turns the program's event loop (`Pump`) between short polls of the socket,
// and every wait ends at its time-out: a test fails, it never hangs.
#pragma once

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <functional>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace NcidPeer {

// One turn of the program's event loop; it must not block.
using Pump = std::function<void()>;
using Clock = std::chrono::steady_clock;

inline constexpr std::chrono::milliseconds Patience{10000};

// Turns the loop until `done` holds or the time is up; whether it held.
inline bool waitUntil(const Pump &pump, const std::function<bool()> &done,
                      std::chrono::milliseconds patience = Patience)
{
    const auto deadline = Clock::now() + patience;
    while (!done()) {
        if (Clock::now() >= deadline)
            return false;
        pump();
        ::poll(nullptr, 0, 1);
    }
    return true;
}

// Turns the loop until `fd` is ready for `events` or the deadline passes.
inline bool waitFor(const Pump &pump, int fd, short events, Clock::time_point deadline)
{
    while (true) {
        pump();
        pollfd p{fd, events, 0};
        if (::poll(&p, 1, 2) > 0)
            return true;
        if (Clock::now() >= deadline)
            return false;
    }
}

// Non-blocking, so that no call waits longer than a poll says it may.
inline void makeNonBlocking(int fd)
{
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

inline sockaddr_in loopback(std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// One TCP connection. Lines are read without their CR LF.
class Socket {
public:
    Socket(int fd, Pump pump) : m_fd(fd), m_pump(std::move(pump)) { makeNonBlocking(m_fd); }
    ~Socket() { close(); }
    Socket(Socket &&other) noexcept
        : m_fd(std::exchange(other.m_fd, -1)), m_pump(std::move(other.m_pump)),
          m_buffer(std::move(other.m_buffer)), m_reads(std::move(other.m_reads)),
          m_closed(other.m_closed)
    {
    }
    Socket &operator=(Socket &&) = delete;

    // Connects to 127.0.0.1; a receive buffer of `receiveBuffer` bytes when
    // not 0 (set before connecting, so the window the peer sees is small).
    static std::optional<Socket> connectTo(std::uint16_t port, const Pump &pump,
                                           int receiveBuffer = 0)
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        if (fd < 0)
            return std::nullopt;
        if (receiveBuffer > 0)
            ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        Socket socket(fd, pump);
        const sockaddr_in address = loopback(port);
        if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
            if (errno != EINPROGRESS)
                return std::nullopt;
            if (!waitFor(pump, fd, POLLOUT, Clock::now() + Patience))
                return std::nullopt;
            int error = 0;
            socklen_t size = sizeof error;
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
            if (error != 0)
                return std::nullopt;
        }
        return socket;
    }

    // Everything sent, or false.
    bool send(std::string_view bytes)
    {
        const auto deadline = Clock::now() + Patience;
        while (!bytes.empty()) {
            const ssize_t sent = ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent > 0) {
                bytes.remove_prefix(static_cast<std::size_t>(sent));
                continue;
            }
            if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
                return false;
            if (!waitFor(m_pump, m_fd, POLLOUT, deadline))
                return false;
        }
        return true;
    }

    // The next line; nothing at the end of the connection or of the patience.
    std::optional<std::string> readLine(std::chrono::milliseconds patience = Patience)
    {
        const auto deadline = Clock::now() + patience;
        while (true) {
            if (auto line = bufferedLine())
                return line;
            if (m_closed || !waitFor(m_pump, m_fd, POLLIN, deadline))
                return std::nullopt;
            readSome();
        }
    }

    // Lines up to and with the first one starting with `last`.
    std::vector<std::string> readLinesThrough(std::string_view last)
    {
        std::vector<std::string> lines;
        while (auto line = readLine()) {
            lines.push_back(*line);
            if (line->starts_with(last))
                break;
        }
        return lines;
    }

    // Lines that have come so far, without waiting for more.
    std::vector<std::string> takeLines()
    {
        while (!m_closed && readSome()) {
        }
        std::vector<std::string> lines;
        while (auto line = bufferedLine())
            lines.push_back(*line);
        return lines;
    }

    // Reads on until the peer closes; whether it did within the patience.
    bool waitClosed()
    {
        const auto deadline = Clock::now() + Patience;
        while (!m_closed) {
            if (!waitFor(m_pump, m_fd, POLLIN, deadline))
                return false;
            readSome();
        }
        return true;
    }

    // Every byte read so far that no line took, and each read() as it came.
    const std::string &unread() const { return m_buffer; }
    const std::vector<std::string> &reads() const { return m_reads; }
    bool closed() const { return m_closed; }

    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    std::optional<std::string> bufferedLine()
    {
        const std::size_t lf = m_buffer.find('\n');
        if (lf == std::string::npos)
            return std::nullopt;
        std::string line = m_buffer.substr(0, lf);
        m_buffer.erase(0, lf + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        return line;
    }

    // One read(); false when nothing came.
    bool readSome()
    {
        char bytes[65536];
        const ssize_t got = ::recv(m_fd, bytes, sizeof bytes, 0);
        if (got > 0) {
            m_buffer.append(bytes, static_cast<std::size_t>(got));
            m_reads.emplace_back(bytes, static_cast<std::size_t>(got));
            return true;
        }
        if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
            m_closed = true;
        return false;
    }

    int m_fd;
    Pump m_pump;
    std::string m_buffer;
    std::vector<std::string> m_reads;
    bool m_closed = false;
};

// A listening socket on 127.0.0.1 that can go away and come back on its port.
class Server {
public:
    explicit Server(Pump pump, std::uint16_t port = 0) : m_pump(std::move(pump)) { listen(port); }
    ~Server() { stop(); }
    Server(const Server &) = delete;
    Server &operator=(const Server &) = delete;

    bool listening() const { return m_fd >= 0; }
    std::uint16_t port() const { return m_port; }

    // Listens again on the port it had.
    bool listen() { return listen(m_port); }
    void stop()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    std::optional<Socket> accept()
    {
        if (m_fd < 0 || !waitFor(m_pump, m_fd, POLLIN, Clock::now() + Patience))
            return std::nullopt;
        const int fd = ::accept(m_fd, nullptr, nullptr);
        if (fd < 0)
            return std::nullopt;
        return Socket(fd, m_pump);
    }

private:
    bool listen(std::uint16_t port)
    {
        stop();
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        const int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address = loopback(port);
        if (::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 ||
            ::listen(fd, 8) != 0) {
            ::close(fd);
            return false;
        }
        socklen_t size = sizeof address;
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size);
        m_port = ntohs(address.sin_port);
        m_fd = fd;
        makeNonBlocking(m_fd);
        return true;
    }

    Pump m_pump;
    int m_fd = -1;
    std::uint16_t m_port = 0;
};

} // namespace NcidPeer
