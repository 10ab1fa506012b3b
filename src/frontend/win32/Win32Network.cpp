#include "frontend/win32/Win32Network.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

namespace {
constexpr wchar_t ClassName[] = L"NubrelNetwork";
// A stream has work queued; the streams' ids wait in m_service.
constexpr UINT ServiceMessage = WM_APP + 1;
// A worker thread looked a name up; the results wait in the shared Lookups.
constexpr UINT LookedUpMessage = WM_APP + 2;
// Every message of a closed socket is out of the queue: its number may serve again.
constexpr UINT ReleaseMessage = WM_APP + 3;
// Each socket reports with a message number of its own, not given to another
// socket while messages of the first may still wait in the queue: Winsock
// reuses SOCKET values, and a message of a closed socket must never reach the
// one that took its value.
constexpr UINT FirstSocketMessage = WM_APP + 0x100;
constexpr UINT SocketMessages = 0xBFFF - FirstSocketMessage + 1;
// What one pass reads of a connection and accepts of a listener. What is left
// waits for the resume timer: WM_TIMER is made only when the queue holds
// nothing else, so a peer that floods, whose every read has Winsock post the
// next FD_READ, lets the program's own timers, paints and message pumps have
// their turn between two passes.
constexpr int PiecesPerPass = 4;
constexpr int PieceSize = 16384;
constexpr int AcceptsPerPass = 16;
// Connections and listeners the resume timer takes on at one tick; the others
// at the next, in turn.
constexpr int ResumedPerTick = 4;
// The window's timer for the work left over; never a OneShot's id.
constexpr UINT_PTR ResumeTimer = 1;

// A peer that vanishes without a word (its host rebooted, its Wi-Fi dropped,
// a router forgot the connection) is found out within about three minutes: a
// minute of silence, then a probe every 12 s, of which Windows sends 10, a
// number it lets no program change.
constexpr ULONG KeepAliveIdleMs = 60000;
constexpr ULONG KeepAliveIntervalMs = 12000;

std::string wsaError(int code)
{
    return "WSA error " + std::to_string(code);
}

int sendLength(std::size_t size)
{
    return static_cast<int>(std::min<std::size_t>(size, INT_MAX));
}
} // namespace

namespace {
struct Address {
    sockaddr_storage bytes{};
    int length = 0;
};

std::vector<Address> addressesOf(const addrinfo *list)
{
    std::vector<Address> addresses;
    for (const addrinfo *a = list; a; a = a->ai_next) {
        if ((a->ai_family != AF_INET && a->ai_family != AF_INET6) || !a->ai_addr ||
            a->ai_addrlen > sizeof(sockaddr_storage))
            continue;
        Address address;
        std::memcpy(&address.bytes, a->ai_addr, a->ai_addrlen);
        address.length = static_cast<int>(a->ai_addrlen);
        addresses.push_back(address);
    }
    return addresses;
}

addrinfo hintsFor(int flags)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = flags;
    return hints;
}

std::uint16_t portOf(const sockaddr_storage &address)
{
    if (address.ss_family == AF_INET6) {
        sockaddr_in6 v6{};
        std::memcpy(&v6, &address, sizeof v6);
        return ntohs(v6.sin6_port);
    }
    sockaddr_in v4{};
    std::memcpy(&v4, &address, sizeof v4);
    return ntohs(v4.sin_port);
}
} // namespace

// What the network shares with its look-up threads, which may outlive it.
struct Win32Network::Lookups {
    std::mutex mutex;
    HWND window = nullptr; // none once the network is gone
    std::vector<std::pair<std::uint64_t, std::vector<Address>>> done;
};

class Win32Network::Stream final : public Net::Connection {
public:
    enum class State { LookingUp, Connecting, Open, Ended };
    // What waits to be worked off, in this order.
    enum : unsigned {
        Connected = 1,
        Readable = 2,
        Failed = 4,
        Writable = 8,
        Written = 16,
        PeerClosed = 32,
    };

    Stream(Win32Network &owner, std::uint64_t streamId, Net::ConnectionHandler *to, State first)
        : network(&owner), id(streamId), handler(to), state(first)
    {
        owner.m_streams[id] = this;
    }
    ~Stream() override
    {
        if (network)
            network->forget(*this);
    }

    void setHandler(Net::ConnectionHandler *to) override
    {
        handler = to;
        if (to && events && network)
            network->post(*this);
    }
    void write(std::string_view bytes) override
    {
        if (network)
            network->write(*this, bytes);
    }
    std::size_t pending() const override { return unsent; }

    Win32Network *network;
    std::uint64_t id;
    Net::ConnectionHandler *handler;
    State state;
    SOCKET socket = INVALID_SOCKET;
    UINT number = 0;
    std::vector<Address> addresses;
    std::size_t nextAddress = 0;
    // Each write's bytes as one piece, so each goes to the system in one send.
    std::deque<std::string> queue;
    std::size_t sentOfFront = 0;
    std::size_t unsent = 0;
    bool unreported = false; // bytes written since the last `written`
    unsigned events = 0;
    bool busy = false;    // inside a call to the handler
    bool posted = false;  // in m_service
    bool waiting = false; // in m_resume: its reads wait for the tick
};

class Win32Network::Listening final : public Net::Listener {
public:
    Listening(Win32Network &owner, std::uint64_t listenerId, AcceptFunction to)
        : network(&owner), id(listenerId), accept(std::move(to))
    {
    }
    ~Listening() override
    {
        if (network)
            network->forget(*this);
    }
    std::uint16_t port() const override { return listeningPort; }

    Win32Network *network;
    std::uint64_t id;
    AcceptFunction accept;
    SOCKET socket = INVALID_SOCKET;
    UINT number = 0;
    std::uint16_t listeningPort = 0;
    bool waiting = false; // in m_resume: its accepts wait for the tick
};

class Win32Network::OneShot final : public Net::Timer {
public:
    OneShot(Win32Network &owner, UINT_PTR timerId, std::function<void()> then)
        : network(&owner), id(timerId), due(std::move(then))
    {
    }
    ~OneShot() override
    {
        if (network)
            network->forget(*this);
    }

    Win32Network *network;
    UINT_PTR id;
    std::function<void()> due;
};

bool Win32Network::setKeepAlive(SOCKET socket, const tcp_keepalive &values)
{
    tcp_keepalive in = values;
    DWORD returned = 0;
    return WSAIoctl(socket, SIO_KEEPALIVE_VALS, &in, sizeof in, nullptr, 0, &returned, nullptr,
                    nullptr) == 0;
}

Win32Network::Win32Network(KeepAliveSetter setKeepAliveValues)
    : m_setKeepAlive(setKeepAliveValues ? std::move(setKeepAliveValues) : &setKeepAlive),
      m_numberTaken(SocketMessages, false), m_lookups(std::make_shared<Lookups>())
{
    WSADATA data{};
    m_startError = WSAStartup(MAKEWORD(2, 2), &data);
    m_started = m_startError == 0;

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Win32Network::proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = ClassName;
    RegisterClassExW(&wc);
    m_window = CreateWindowExW(0, ClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               GetModuleHandleW(nullptr), this);
    std::lock_guard lock(m_lookups->mutex);
    m_lookups->window = m_window;
}

Win32Network::~Win32Network()
{
    {
        std::lock_guard lock(m_lookups->mutex);
        m_lookups->window = nullptr;
        m_lookups->done.clear();
    }
    for (const auto &[id, stream] : m_streams) {
        closeSocket(stream->socket, stream->number);
        stream->network = nullptr;
        stream->state = Stream::State::Ended;
        stream->queue.clear();
        stream->unsent = 0;
    }
    for (const auto &[id, listening] : m_listeners) {
        closeSocket(listening->socket, listening->number);
        listening->network = nullptr;
    }
    for (const auto &[id, timer] : m_timers) {
        KillTimer(m_window, id);
        timer->network = nullptr;
    }
    KillTimer(m_window, ResumeTimer);
    if (m_window)
        DestroyWindow(m_window);
    if (m_started)
        WSACleanup();
}

LRESULT CALLBACK Win32Network::proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto *create = reinterpret_cast<CREATESTRUCTW *>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto *self = reinterpret_cast<Win32Network *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && self->m_window == hwnd && self->handle(message, wParam, lParam))
        return 0;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool Win32Network::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER) {
        if (wParam == ResumeTimer)
            resume();
        else
            fire(static_cast<UINT_PTR>(wParam));
        return true;
    }
    if (message == ServiceMessage) {
        if (m_service.empty())
            return true;
        const std::uint64_t id = m_service.front();
        m_service.pop_front();
        if (Stream *s = stream(id)) {
            s->posted = false;
            service(id);
        }
        return true;
    }
    if (message == LookedUpMessage) {
        lookedUp();
        return true;
    }
    if (message == ReleaseMessage) {
        const auto number = static_cast<UINT>(wParam);
        if (number >= FirstSocketMessage && number - FirstSocketMessage < SocketMessages &&
            !m_sockets.count(number))
            m_numberTaken[number - FirstSocketMessage] = false;
        return true;
    }
    if (message >= FirstSocketMessage && message - FirstSocketMessage < SocketMessages) {
        const auto it = m_sockets.find(message);
        if (it != m_sockets.end() && it->second.socket == static_cast<SOCKET>(wParam)) {
            const Owner owner = it->second;
            socketEvent(owner, WSAGETSELECTEVENT(lParam), WSAGETSELECTERROR(lParam));
        }
        return true;
    }
    return false;
}

Win32Network::Stream *Win32Network::stream(std::uint64_t id) const
{
    const auto it = m_streams.find(id);
    return it == m_streams.end() ? nullptr : it->second;
}

UINT Win32Network::takeNumber()
{
    for (UINT i = 0; i < SocketMessages; ++i) {
        const UINT at = (m_nextNumber + i) % SocketMessages;
        if (!m_numberTaken[at]) {
            m_numberTaken[at] = true;
            m_nextNumber = (at + 1) % SocketMessages;
            return FirstSocketMessage + at;
        }
    }
    return 0;
}

void Win32Network::closeSocket(SOCKET &socket, UINT &number)
{
    if (socket != INVALID_SOCKET) {
        // No message is posted for it from here on; those already queued are
        // told apart by their number, which stays taken until they are out.
        WSAAsyncSelect(socket, m_window, 0, 0);
        closesocket(socket);
        socket = INVALID_SOCKET;
    }
    if (number != 0) {
        m_sockets.erase(number);
        // Should the post fail, the number stays taken: one fewer, never a mix-up.
        PostMessageW(m_window, ReleaseMessage, number, 0);
        number = 0;
    }
}

void Win32Network::forget(Stream &stream)
{
    closeSocket(stream.socket, stream.number);
    m_streams.erase(stream.id);
}

void Win32Network::forget(Listening &listening)
{
    closeSocket(listening.socket, listening.number);
    m_listeners.erase(listening.id);
}

void Win32Network::forget(OneShot &timer)
{
    KillTimer(m_window, timer.id);
    m_timers.erase(timer.id);
}

std::unique_ptr<Net::Listener> Win32Network::listen(const std::string &address, std::uint16_t port,
                                                    AcceptFunction accept, std::string &error)
{
    if (!m_started) {
        error = wsaError(m_startError);
        return nullptr;
    }
    if (address.empty()) {
        error = wsaError(WSAEINVAL);
        return nullptr;
    }
    // A literal only: AI_NUMERICHOST never asks a name server.
    const addrinfo hints = hintsFor(AI_NUMERICHOST | AI_PASSIVE);
    addrinfo *found = nullptr;
    const int looked = getaddrinfo(address.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (looked != 0) {
        error = wsaError(looked);
        return nullptr;
    }
    const std::vector<Address> addresses = addressesOf(found);
    freeaddrinfo(found);
    if (addresses.empty()) {
        error = wsaError(WSAEAFNOSUPPORT);
        return nullptr;
    }
    const Address &at = addresses.front();
    const int family = at.bytes.ss_family;

    const SOCKET socket = ::socket(family, SOCK_STREAM, IPPROTO_TCP);
    if (socket == INVALID_SOCKET) {
        error = wsaError(WSAGetLastError());
        return nullptr;
    }
    auto listening = std::make_unique<Listening>(*this, m_nextId++, std::move(accept));
    // From here its destructor closes the socket, whatever fails.
    listening->socket = socket;
    int failure = 0;
    if (family == AF_INET6) {
        // "::" is IPv6 alone, so "0.0.0.0" can listen on the same port beside it.
        const DWORD on = 1;
        if (setsockopt(socket, IPPROTO_IPV6, IPV6_V6ONLY, reinterpret_cast<const char *>(&on),
                       sizeof on) != 0)
            failure = WSAGetLastError();
    }
    if (!failure && bind(socket, reinterpret_cast<const sockaddr *>(&at.bytes), at.length) != 0)
        failure = WSAGetLastError();
    if (!failure && ::listen(socket, SOMAXCONN) != 0)
        failure = WSAGetLastError();
    sockaddr_storage bound{};
    int boundLength = sizeof bound;
    if (!failure && getsockname(socket, reinterpret_cast<sockaddr *>(&bound), &boundLength) != 0)
        failure = WSAGetLastError();
    if (!failure) {
        listening->number = takeNumber();
        if (listening->number == 0) {
            failure = WSAEMFILE;
        } else {
            m_sockets[listening->number] = {listening->id, socket, true};
            if (WSAAsyncSelect(socket, m_window, listening->number, FD_ACCEPT) != 0)
                failure = WSAGetLastError();
        }
    }
    if (failure) {
        error = wsaError(failure);
        return nullptr;
    }
    listening->listeningPort = portOf(bound);
    m_listeners[listening->id] = listening.get();
    return listening;
}

std::unique_ptr<Net::Connection> Win32Network::connect(const std::string &host, std::uint16_t port,
                                                       Net::ConnectionHandler &handler)
{
    auto connection =
        std::make_unique<Stream>(*this, m_nextId++, &handler, Stream::State::LookingUp);
    Stream &s = *connection;
    if (!m_started || host.empty()) {
        s.events |= Stream::Failed;
        post(s);
        return connection;
    }
    const std::string portText = std::to_string(port);
    // A literal address is read here and now; only a name needs looking up.
    const addrinfo hints = hintsFor(AI_NUMERICHOST);
    addrinfo *found = nullptr;
    if (getaddrinfo(host.c_str(), portText.c_str(), &hints, &found) == 0) {
        s.addresses = addressesOf(found);
        freeaddrinfo(found);
        begin(s);
    } else {
        lookUp(s, host, portText);
    }
    return connection;
}

void Win32Network::lookUp(Stream &stream, const std::string &host, const std::string &portText)
{
    // getaddrinfo waits for the name server, seconds at worst: on a thread of
    // its own, which hands the addresses back through the window's queue and
    // holds nothing of the network but what they share.
    auto lookups = m_lookups;
    const std::uint64_t id = stream.id;
    try {
        std::thread([lookups, id, host, portText] {
            std::vector<Address> addresses;
            WSADATA data{};
            // Winsock stays started for this thread even if the network ends first.
            if (WSAStartup(MAKEWORD(2, 2), &data) == 0) {
                const addrinfo hints = hintsFor(0);
                addrinfo *found = nullptr;
                if (getaddrinfo(host.c_str(), portText.c_str(), &hints, &found) == 0) {
                    addresses = addressesOf(found);
                    freeaddrinfo(found);
                }
                WSACleanup();
            }
            std::lock_guard lock(lookups->mutex);
            if (!lookups->window)
                return;
            lookups->done.emplace_back(id, std::move(addresses));
            PostMessageW(lookups->window, LookedUpMessage, 0, 0);
        }).detach();
    } catch (const std::system_error &) {
        stream.events |= Stream::Failed;
        post(stream);
    }
}

void Win32Network::lookedUp()
{
    std::vector<std::pair<std::uint64_t, std::vector<Address>>> done;
    {
        std::lock_guard lock(m_lookups->mutex);
        done.swap(m_lookups->done);
    }
    for (auto &[id, addresses] : done) {
        // A connection destroyed meanwhile is simply not there any more.
        Stream *s = stream(id);
        if (!s || s->state != Stream::State::LookingUp)
            continue;
        s->addresses = std::move(addresses);
        begin(*s);
    }
}

void Win32Network::begin(Stream &stream)
{
    stream.nextAddress = 0;
    if (!tryNextAddress(stream)) {
        stream.events |= Stream::Failed;
        post(stream);
    }
}

bool Win32Network::tryNextAddress(Stream &stream)
{
    while (stream.nextAddress < stream.addresses.size()) {
        const Address &at = stream.addresses[stream.nextAddress++];
        const SOCKET socket = ::socket(at.bytes.ss_family, SOCK_STREAM, IPPROTO_TCP);
        if (socket == INVALID_SOCKET)
            continue;
        const UINT number = takeNumber();
        if (number == 0) {
            closesocket(socket);
            return false;
        }
        stream.socket = socket;
        stream.number = number;
        m_sockets[number] = {stream.id, socket, false};
        // Asked for before connecting, so FD_CONNECT cannot be missed.
        if (WSAAsyncSelect(socket, m_window, number, FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE) ==
            0) {
            if (::connect(socket, reinterpret_cast<const sockaddr *>(&at.bytes), at.length) == 0) {
                keepAlive(socket);
                stream.state = Stream::State::Open;
                stream.events |= Stream::Connected | Stream::Writable;
                post(stream);
                return true;
            }
            if (WSAGetLastError() == WSAEWOULDBLOCK) {
                stream.state = Stream::State::Connecting;
                return true;
            }
        }
        closeSocket(stream.socket, stream.number);
    }
    return false;
}

void Win32Network::socketEvent(const Owner &owner, WORD event, WORD error)
{
    if (owner.listener) {
        if (event == FD_ACCEPT)
            accepting(owner.id);
        return;
    }
    Stream *s = stream(owner.id);
    if (!s || s->state == Stream::State::Ended)
        return;
    switch (event) {
    case FD_CONNECT:
        if (s->state != Stream::State::Connecting)
            return;
        if (error != 0) {
            // Refused or unreachable there: the next address the name gave.
            closeSocket(s->socket, s->number);
            if (tryNextAddress(*s))
                return;
            s->events |= Stream::Failed;
        } else {
            keepAlive(s->socket);
            s->state = Stream::State::Open;
            s->events |= Stream::Connected | Stream::Writable;
        }
        break;
    case FD_READ:
        s->events |= Stream::Readable;
        // Read at the tick it waits for, not before.
        if (s->waiting)
            return;
        break;
    case FD_WRITE:
        s->events |= Stream::Writable;
        break;
    case FD_CLOSE:
        // What the peer sent before it went is read first, also after a reset.
        s->events |= Stream::PeerClosed;
        break;
    default:
        return;
    }
    service(owner.id);
}

void Win32Network::accepting(std::uint64_t listenerId)
{
    // Each accept asks for the next FD_ACCEPT: a few at a time, the rest at
    // the tick, however fast peers come.
    for (int i = 0; i < AcceptsPerPass; ++i) {
        const auto it = m_listeners.find(listenerId);
        if (it == m_listeners.end() || it->second->waiting)
            return;
        Listening &listening = *it->second;
        const SOCKET socket = ::accept(listening.socket, nullptr, nullptr);
        if (socket == INVALID_SOCKET)
            return;
        keepAlive(socket);
        auto connection = std::make_unique<Stream>(*this, m_nextId++, nullptr, Stream::State::Open);
        // The accepted socket reports under the listener's number until it
        // has one of its own.
        const UINT number = takeNumber();
        if (number == 0) {
            closesocket(socket);
            continue;
        }
        connection->socket = socket;
        connection->number = number;
        m_sockets[number] = {connection->id, socket, false};
        if (WSAAsyncSelect(socket, m_window, number, FD_READ | FD_WRITE | FD_CLOSE) != 0)
            continue; // destroyed below, closing the socket
        // A copy: the call may end the listener.
        const AcceptFunction accept = listening.accept;
        if (accept)
            accept(std::move(connection));
    }
    const auto it = m_listeners.find(listenerId);
    if (it != m_listeners.end() && !it->second->waiting) {
        it->second->waiting = true;
        waitForTick({listenerId, INVALID_SOCKET, true});
    }
}

void Win32Network::write(Stream &stream, std::string_view bytes)
{
    if (bytes.empty() || stream.state == Stream::State::Ended)
        return;
    stream.unreported = true;
    if (stream.state == Stream::State::Open && stream.queue.empty()) {
        const int sent = ::send(stream.socket, bytes.data(), sendLength(bytes.size()), 0);
        if (sent == SOCKET_ERROR && WSAGetLastError() != WSAEWOULDBLOCK) {
            stream.events |= Stream::Failed;
            post(stream);
            return;
        }
        if (sent > 0)
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        if (bytes.empty()) {
            stream.events |= Stream::Written;
            post(stream);
            return;
        }
    }
    // The rest waits for FD_WRITE (or for the connection to be made).
    stream.queue.emplace_back(bytes);
    stream.unsent += bytes.size();
}

void Win32Network::flush(Stream &stream)
{
    while (!stream.queue.empty()) {
        const std::string &front = stream.queue.front();
        const int sent = ::send(stream.socket, front.data() + stream.sentOfFront,
                                sendLength(front.size() - stream.sentOfFront), 0);
        if (sent == SOCKET_ERROR) {
            if (WSAGetLastError() != WSAEWOULDBLOCK)
                stream.events |= Stream::Failed;
            return;
        }
        stream.sentOfFront += static_cast<std::size_t>(sent);
        stream.unsent -= static_cast<std::size_t>(sent);
        if (stream.sentOfFront == front.size()) {
            stream.queue.pop_front();
            stream.sentOfFront = 0;
        }
    }
    if (stream.unreported)
        stream.events |= Stream::Written;
}

Win32Network::Read Win32Network::receive(std::uint64_t id, bool toTheEnd)
{
    // On the stack, not shared: a handler that runs a nested message loop may
    // have another connection read while it still looks at these bytes.
    char buffer[PieceSize];
    for (int piece = 0; toTheEnd || piece < PiecesPerPass; ++piece) {
        Stream *s = stream(id);
        if (!s)
            return Read::Gone;
        if (!s->handler || s->state == Stream::State::Ended)
            return Read::Drained;
        const int got = ::recv(s->socket, buffer, sizeof buffer, 0);
        if (got > 0) {
            s->handler->received(*s, std::string_view(buffer, static_cast<std::size_t>(got)));
            continue;
        }
        if (got == 0)
            s->events |= Stream::PeerClosed;
        else if (WSAGetLastError() != WSAEWOULDBLOCK)
            s->events |= Stream::Failed;
        return Read::Drained;
    }
    return Read::More;
}

void Win32Network::service(std::uint64_t id)
{
    Stream *s = stream(id);
    // A call for it is running further up (its handler runs a message loop):
    // that one works off what came meanwhile when the handler returns.
    if (!s || s->busy || !s->handler || s->state == Stream::State::Ended)
        return;
    s->busy = true;
    bool readThisPass = false;
    while (s->handler && s->state != Stream::State::Ended) {
        const unsigned events = s->events;
        if (events & Stream::Connected) {
            s->events &= ~Stream::Connected;
            s->handler->connected(*s);
        } else if ((events & Stream::Readable) && !readThisPass && !s->waiting) {
            s->events &= ~Stream::Readable;
            readThisPass = true;
            const Read read = receive(id, false);
            if (read == Read::Gone)
                return;
            if (read == Read::More) {
                if (Stream *still = stream(id))
                    still->events |= Stream::Readable;
            }
        } else if (events & (Stream::Failed | Stream::PeerClosed)) {
            if (!(events & Stream::Failed) && receive(id, true) == Read::Gone)
                return;
            if (!(s = stream(id)))
                return;
            if (!s->handler)
                break;
            s->state = Stream::State::Ended;
            s->events = 0;
            s->queue.clear();
            s->unsent = 0;
            closeSocket(s->socket, s->number);
            s->handler->disconnected(*s);
        } else if (events & Stream::Writable) {
            s->events &= ~Stream::Writable;
            flush(*s);
            continue; // no call made: s is still there
        } else if (events & Stream::Written) {
            s->events &= ~Stream::Written;
            if (s->unsent != 0 || !s->unreported)
                continue;
            s->unreported = false;
            s->handler->written(*s);
        } else {
            break;
        }
        // The handler may have destroyed its connection.
        if (!(s = stream(id)))
            return;
    }
    s->busy = false;
    // What is left to read, a flooding peer's or what came while the handler
    // ran, is read at the tick.
    if ((s->events & Stream::Readable) && !s->waiting) {
        s->waiting = true;
        waitForTick({id, INVALID_SOCKET, false});
    }
}

void Win32Network::waitForTick(const Owner &owner)
{
    m_resume.push_back(owner);
    armResume();
}

void Win32Network::armResume()
{
    if (m_resumeArmed)
        return;
    // The shortest a timer waits: a flood costs a pass per tick at most.
    if (SetTimer(m_window, ResumeTimer, USER_TIMER_MINIMUM, nullptr))
        m_resumeArmed = true;
    else if (PostMessageW(m_window, WM_TIMER, ResumeTimer, 0))
        m_resumeArmed = true; // out of timers: sooner, and unfair, but never lost
}

void Win32Network::resume()
{
    KillTimer(m_window, ResumeTimer);
    m_resumeArmed = false;
    // One pass each for the first few of those waiting now; a pass may queue
    // its owner again, at the back, for a later tick. A pass may also pump
    // messages and so come back here.
    const std::size_t due = std::min<std::size_t>(m_resume.size(), ResumedPerTick);
    for (std::size_t n = 0; n < due && !m_resume.empty(); ++n) {
        const Owner owner = m_resume.front();
        m_resume.pop_front();
        if (owner.listener) {
            const auto it = m_listeners.find(owner.id);
            if (it == m_listeners.end())
                continue;
            it->second->waiting = false;
            accepting(owner.id);
        } else if (Stream *s = stream(owner.id)) {
            s->waiting = false;
            service(owner.id);
        }
    }
    if (!m_resume.empty())
        armResume();
}

void Win32Network::post(Stream &stream)
{
    if (stream.posted)
        return;
    stream.posted = true;
    m_service.push_back(stream.id);
    if (!PostMessageW(m_window, ServiceMessage, 0, 0)) {
        m_service.pop_back();
        stream.posted = false;
    }
}

std::unique_ptr<Net::Timer> Win32Network::startTimer(int milliseconds, std::function<void()> due)
{
    UINT_PTR id = 0;
    do {
        id = m_nextTimer++;
    } while (id == 0 || id == ResumeTimer || m_timers.count(id));
    auto timer = std::make_unique<OneShot>(*this, id, std::move(due));
    m_timers[id] = timer.get();
    // Below the system's minimum it waits the minimum, which is "at least" too.
    if (!SetTimer(m_window, id, static_cast<UINT>(std::max(milliseconds, 0)), nullptr))
        PostMessageW(m_window, WM_TIMER, id, 0);
    return timer;
}

void Win32Network::fire(UINT_PTR timerId)
{
    // Window timers repeat: this one is done at its first.
    KillTimer(m_window, timerId);
    const auto it = m_timers.find(timerId);
    if (it == m_timers.end())
        return;
    OneShot &timer = *it->second;
    m_timers.erase(it);
    timer.network = nullptr;
    // Moved out first: the call may destroy the timer, and the function with it.
    const std::function<void()> due = std::move(timer.due);
    if (due)
        due();
}

void Win32Network::keepAlive(SOCKET socket)
{
    tcp_keepalive values{};
    values.onoff = 1;
    values.keepalivetime = KeepAliveIdleMs;
    values.keepaliveinterval = KeepAliveIntervalMs;
    // The connection works without: then only a peer's FIN or RST ends it,
    // as before, and the debugger hears why.
    if (!m_setKeepAlive(socket, values)) {
        const std::wstring text =
            L"Nubrel: no TCP keep-alive, WSA error " + std::to_wstring(WSAGetLastError()) + L"\n";
        OutputDebugStringW(text.c_str());
    }
}

SOCKET Win32Network::socketOf(const Net::Connection &connection) const
{
    for (const auto &[id, s] : m_streams) {
        if (static_cast<const Net::Connection *>(s) == &connection)
            return s->socket;
    }
    return INVALID_SOCKET;
}
