// TCP as the logic sees it: listening sockets, connections and one-shot
// timers, all on the one thread of the event loop. Nothing here blocks: a write
// queues, a connect starts, and what happens later comes back as a call to a
// handler from the event loop, never from inside the call that caused it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace Net {

class Connection;

// What a connection reports. A handler may destroy its connection from inside
// any of these calls.
class ConnectionHandler {
public:
    virtual ~ConnectionHandler() = default;
    // An outgoing connection is established (accepted ones never report this).
    virtual void connected(Connection &connection) = 0;
    // Bytes as they came, in pieces of any size.
    virtual void received(Connection &connection, std::string_view bytes) = 0;
    // Everything written so far has been handed to the system.
    virtual void written(Connection &connection) = 0;
    // The peer went away, the connection failed, or an outgoing connection
    // could not be made. Nothing more comes after it.
    virtual void disconnected(Connection &connection) = 0;
};

class Connection {
public:
    // Destroying a connection closes it, dropping what is still unsent, and no
    // handler call follows.
    virtual ~Connection() = default;
    // Set at once for an accepted connection: nothing is reported before.
    virtual void setHandler(ConnectionHandler *handler) = 0;
    // Queues the bytes and sends what the system takes; never waits. Bytes of
    // one call go out in one piece when the system takes them whole.
    virtual void write(std::string_view bytes) = 0;
    // Bytes written but not yet handed to the system: what a peer that does
    // not read makes grow.
    virtual std::size_t pending() const = 0;
};

// Listening ends when it is destroyed.
class Listener {
public:
    virtual ~Listener() = default;
    // The port listened on: the one asked for, or the one the system chose
    // for port 0.
    virtual std::uint16_t port() const = 0;
};

// Cancelled when destroyed; `due` may destroy it.
class Timer {
public:
    virtual ~Timer() = default;
};

class Network {
public:
    using AcceptFunction = std::function<void(std::unique_ptr<Connection>)>;

    virtual ~Network() = default;
    // Listens on one address of this machine given as a literal ("127.0.0.1",
    // "::1", "0.0.0.0", "::"). Each connection that comes is handed to
    // `accept`. Nothing, with `error` filled, when the address cannot be used.
    virtual std::unique_ptr<Listener> listen(const std::string &address, std::uint16_t port,
                                             AcceptFunction accept, std::string &error) = 0;
    // Starts connecting to a host name or literal address; `connected` or
    // `disconnected` follows later.
    virtual std::unique_ptr<Connection> connect(const std::string &host, std::uint16_t port,
                                                ConnectionHandler &handler) = 0;
    // Calls `due` once, after at least `milliseconds`, unless the timer is
    // destroyed first.
    virtual std::unique_ptr<Timer> startTimer(int milliseconds, std::function<void()> due) = 0;
};

} // namespace Net
