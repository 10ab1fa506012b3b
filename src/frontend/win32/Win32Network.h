// TCP and one-shot timers on Winsock's message-driven sockets: every socket
// reports to a message-only window of the network's own (WSAAsyncSelect), the
// timers are that window's, and all of it runs on the thread that made the
// network, the program's one GUI thread, through its one message loop. A host
// name is looked up on a short worker thread of its own, so that thread never
// waits for a name server; a literal address needs no look-up.
#pragma once

#include "platform/Network.h"

#include <windows.h>
#include <winsock2.h>
// After Winsock's own header, which it needs.
#include <mstcpip.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

class Win32Network final : public Net::Network {
public:
    // Gives a socket its keep-alive times; true when it took them.
    using KeepAliveSetter = std::function<bool(SOCKET, const tcp_keepalive &)>;
    // WSAIoctl with SIO_KEEPALIVE_VALS: the setter unless a test wraps it, as
    // Wine reads none of the times back.
    static bool setKeepAlive(SOCKET socket, const tcp_keepalive &values);

    explicit Win32Network(KeepAliveSetter setKeepAliveValues = {});
    // Closes what is still open; connections, listeners and timers that
    // outlive the network do nothing more.
    ~Win32Network() override;
    Win32Network(const Win32Network &) = delete;
    Win32Network &operator=(const Win32Network &) = delete;

    std::unique_ptr<Net::Listener> listen(const std::string &address, std::uint16_t port,
                                          AcceptFunction accept, std::string &error) override;
    std::unique_ptr<Net::Connection> connect(const std::string &host, std::uint16_t port,
                                             Net::ConnectionHandler &handler) override;
    std::unique_ptr<Net::Timer> startTimer(int milliseconds, std::function<void()> due) override;

    // The socket behind one of this network's connections, INVALID_SOCKET for
    // any other or once it ended: for what Winsock can tell of it.
    SOCKET socketOf(const Net::Connection &connection) const;

private:
    class Stream;
    class Listening;
    class OneShot;
    struct Lookups;
    // The owner of a socket message number: a connection or a listener, by id.
    struct Owner {
        std::uint64_t id = 0;
        SOCKET socket = INVALID_SOCKET;
        bool listener = false;
    };

    static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    bool handle(UINT message, WPARAM wParam, LPARAM lParam);

    Stream *stream(std::uint64_t id) const;
    UINT takeNumber();
    void closeSocket(SOCKET &socket, UINT &number);
    void forget(Stream &stream);
    void forget(Listening &listening);
    void forget(OneShot &timer);

    void lookUp(Stream &stream, const std::string &host, const std::string &portText);
    void lookedUp();
    // Connects to the stream's next address; false when none is left.
    bool tryNextAddress(Stream &stream);
    void begin(Stream &stream);
    void socketEvent(const Owner &owner, WORD event, WORD error);
    void accepting(std::uint64_t listenerId);
    void write(Stream &stream, std::string_view bytes);
    void flush(Stream &stream);
    enum class Read { Gone, Drained, More };
    Read receive(std::uint64_t id, bool toTheEnd);
    // Works off what the stream has waiting, reporting to its handler.
    void service(std::uint64_t id);
    // Has the stream serviced later, from the message loop.
    void post(Stream &stream);
    // Has the owner's pass made at the resume timer's next tick.
    void waitForTick(const Owner &owner);
    void armResume();
    void resume();
    void fire(UINT_PTR timerId);
    void keepAlive(SOCKET socket);

    KeepAliveSetter m_setKeepAlive;
    HWND m_window = nullptr;
    bool m_started = false;
    int m_startError = 0;
    std::uint64_t m_nextId = 1;
    UINT_PTR m_nextTimer = 1;
    std::unordered_map<std::uint64_t, Stream *> m_streams;
    std::unordered_map<std::uint64_t, Listening *> m_listeners;
    std::unordered_map<UINT_PTR, OneShot *> m_timers;
    std::unordered_map<UINT, Owner> m_sockets;
    // Message numbers still in use, by a socket or by messages of one closed
    // but possibly still queued.
    std::vector<bool> m_numberTaken;
    UINT m_nextNumber = 0;
    std::deque<std::uint64_t> m_service;
    // Connections and listeners whose pass used its share, in turn.
    std::deque<Owner> m_resume;
    bool m_resumeArmed = false;
    std::shared_ptr<Lookups> m_lookups;
};
