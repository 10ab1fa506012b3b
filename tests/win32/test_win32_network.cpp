// The network on Winsock's message-driven sockets, over real sockets on the
// loopback inside Wine: the NCID server and client on it against blocking
// peers of the test's own on threads, and what the network promises where a
// careless one breaks (a refused connect, a connection ended inside its own
// call, a peer slow to read, timers).
#include "TestText.h"
#include "frontend/win32/Win32MessageLoop.h"
#include "frontend/win32/Win32Network.h"
#include "ncid/NcidClient.h"
#include "ncid/NcidServer.h"

#include <ws2tcpip.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <thread>

namespace {

// Every wait of the test ends, even when what it waits for never comes.
constexpr int GuardMs = 20000;

// The thread's messages, the network's among them, until `done` holds. A
// condition that a test thread sets posts no message, so the queue is looked
// at again every few milliseconds rather than waited on.
bool pumpUntil(const std::function<bool()> &done)
{
    const ULONGLONG deadline = GetTickCount64() + GuardMs;
    MSG msg{};
    while (!done() && GetTickCount64() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        while (!done() && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }
    return done();
}

// Lets the network run until a timer of its own fires: whatever was already
// on its way has been delivered by then.
void settle(Win32Network &network)
{
    bool due = false;
    const auto timer = network.startTimer(100, [&due] { due = true; });
    pumpUntil([&due] { return due; });
}

// A blocking socket of the test's own, closed when it goes.
struct Plain {
    SOCKET s = INVALID_SOCKET;
    explicit Plain(SOCKET socket) : s(socket)
    {
        const DWORD guard = GuardMs;
        setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char *>(&guard),
                   sizeof guard);
        setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char *>(&guard),
                   sizeof guard);
    }
    ~Plain()
    {
        if (s != INVALID_SOCKET)
            closesocket(s);
    }
    Plain(const Plain &) = delete;
    Plain &operator=(const Plain &) = delete;
};

SOCKET listenOnLoopback(std::uint16_t &port)
{
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (bind(s, reinterpret_cast<sockaddr *>(&address), length) != 0 || ::listen(s, 4) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        ADD_FAILURE() << "no listening socket: " << WSAGetLastError();
    port = ntohs(address.sin_port);
    return s;
}

SOCKET acceptWithin(SOCKET listening)
{
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(listening, &ready);
    timeval guard{GuardMs / 1000, 0};
    if (select(0, &ready, nullptr, nullptr, &guard) != 1)
        return INVALID_SOCKET;
    return accept(listening, nullptr, nullptr);
}

SOCKET connectTo(std::uint16_t port)
{
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    connect(s, reinterpret_cast<sockaddr *>(&address), sizeof address);
    return s;
}

void sendAll(SOCKET s, std::string_view bytes)
{
    while (!bytes.empty()) {
        const int sent = send(s, bytes.data(), static_cast<int>(bytes.size()), 0);
        if (sent <= 0)
            return;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
}

// Reads onto `got` until it ends with `end`; false when the peer stops first.
bool readUntil(SOCKET s, std::string &got, std::string_view end)
{
    char buffer[512];
    while (!std::string_view(got).ends_with(end)) {
        const int n = recv(s, buffer, sizeof buffer, 0);
        if (n <= 0)
            return false;
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
}

struct Recorder : Net::ConnectionHandler {
    int connects = 0;
    int receives = 0;
    int writes = 0;
    int disconnects = 0;
    std::string bytes;
    std::function<void()> onReceived;

    void connected(Net::Connection &) override { ++connects; }
    void received(Net::Connection &, std::string_view piece) override
    {
        ++receives;
        bytes += piece;
        if (onReceived)
            onReceived();
    }
    void written(Net::Connection &) override { ++writes; }
    void disconnected(Net::Connection &) override { ++disconnects; }
    int calls() const { return connects + receives + writes + disconnects; }
};

// What a flooded connection took, counted rather than kept.
struct Tally : Net::ConnectionHandler {
    std::size_t bytes = 0;
    void connected(Net::Connection &) override {}
    void received(Net::Connection &, std::string_view piece) override { bytes += piece.size(); }
    void written(Net::Connection &) override {}
    void disconnected(Net::Connection &) override {}
};

// A window of the test's own, as the program's are: each tick of its timer at
// which every flooded connection had taken more since the last such tick
// counts, and each tick asks for a paint, which counts too.
struct Beat {
    const std::vector<Tally> *tallies = nullptr;
    std::vector<std::size_t> seen;
    int busyTicks = 0;
    int paints = 0;

    void tick()
    {
        seen.resize(tallies->size());
        for (std::size_t i = 0; i < seen.size(); ++i) {
            if ((*tallies)[i].bytes <= seen[i])
                return;
        }
        for (std::size_t i = 0; i < seen.size(); ++i)
            seen[i] = (*tallies)[i].bytes;
        ++busyTicks;
    }
};
Beat *g_beat = nullptr;

LRESULT CALLBACK beatProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER && g_beat) {
        g_beat->tick();
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    }
    if (message == WM_PAINT) {
        PAINTSTRUCT paint{};
        BeginPaint(hwnd, &paint);
        EndPaint(hwnd, &paint);
        if (g_beat)
            ++g_beat->paints;
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

class NoHistory final : public NcidCallLog {
public:
    NcidText::History history(std::u16string &) const override
    {
        return NcidText::History::Missing;
    }
    std::u16string nameFor(const std::u16string &) const override { return {}; }
    std::string version() const override { return "none"; }
};

} // namespace

TEST(Win32Network, TheNcidServerGreetsAClientAnswersItAndAnnouncesACall)
{
    Win32Network network;
    const NoHistory log;
    NcidServer server(network, log, "1.6.0");
    ASSERT_TRUE(server.start({{"127.0.0.1"}, 0}, u"-").empty());
    const std::uint16_t port = server.port();
    ASSERT_NE(port, 0);

    std::atomic<int> step{0};
    std::string startup, rest;
    std::jthread client([&] {
        const Plain s(connectTo(port));
        if (!readUntil(s.s, startup, "300 End of connection startup\r\n"))
            return;
        sendAll(s.s, "REQ: YO\r\n");
        if (!readUntil(s.s, rest, "ACK: REQ: YO\r\n"))
            return;
        step = 1;
        if (readUntil(s.s, rest, "*\r\n"))
            step = 2;
    });
    ASSERT_TRUE(pumpUntil([&] { return step == 1; })) << startup << rest;
    EXPECT_EQ(startup, "200 Server: Nubrel 1.6.0\r\n"
                       "210 API: 1.0 Feature Set 1\r\n"
                       "253 No Call log\r\n"
                       "300 End of connection startup\r\n");
    ASSERT_EQ(server.clientCount(), 1u);

    server.announce({{2026, 12, 8, 15, 30}, u"0312345678"s, u"山田"s});
    ASSERT_TRUE(pumpUntil([&] { return step == 2; })) << rest;
    EXPECT_EQ(rest,
              "ACK: REQ: YO\r\n"
              "CID: *DATE*12082026*TIME*1530*LINE*-*NMBR*0312345678*MESG*NONE*NAME*山田*\r\n");
    // The client has gone: the server hears of it and lets it go.
    client.join();
    EXPECT_TRUE(pumpUntil([&] { return server.clientCount() == 0; }));
}

TEST(Win32Network, TheNcidClientTakesTheCallsAServerAnnouncesAfterItsStartup)
{
    Win32Network network;
    std::uint16_t port = 0;
    const Plain listening(listenOnLoopback(port));
    std::string heard;
    std::jthread server([&] {
        const Plain peer(acceptWithin(listening.s));
        // The history is not a call; a line cut between two sends is one line.
        sendAll(peer.s, "200 Server: test\r\n210 API: 1.0 Feature Set 1\r\n"
                        "CIDLOG: *DATE*12072026*TIME*0900*LINE*-*NMBR*0399999999*MESG*NONE*"
                        "NAME*OLD*\r\n250 End of call log\r\n300 End of connection startup\r\n"
                        "CID: *DATE*12082026*TIME*1530*LINE*-*NMB");
        Sleep(50);
        sendAll(peer.s, "R*0312345678*MESG*NONE*NAME*山田*\r\n");
        // Open until the client goes; what it said is kept.
        char byte = 0;
        while (recv(peer.s, &byte, 1, 0) == 1)
            heard.push_back(byte);
    });

    std::vector<NcidText::ReceivedCall> calls;
    NcidClient client(network,
                      [&calls](const NcidText::ReceivedCall &call) { calls.push_back(call); });
    // By name: looked up off the GUI thread.
    client.start({"localhost", port});
    ASSERT_TRUE(pumpUntil([&] { return !calls.empty(); }));
    EXPECT_TRUE(client.isConnected());
    EXPECT_EQ(calls, (std::vector<NcidText::ReceivedCall>{{u"0312345678"s, u"山田"s}}));
    client.stop();
    server.join();
    EXPECT_EQ(heard, "HELLO: CMD: no_log\r\n");
}

TEST(Win32Network, AConnectToAClosedPortReportsDisconnectedOnceAndNeverConnected)
{
    Win32Network network;
    std::uint16_t port = 0;
    closesocket(listenOnLoopback(port)); // nothing listens there now

    Recorder literal, named, dropped;
    const auto byLiteral = network.connect("127.0.0.1", port, literal);
    const auto byName = network.connect("localhost", port, named);
    auto droppedAtOnce = network.connect("localhost", port, dropped);
    droppedAtOnce.reset();
    // Nothing from inside the call that started it.
    EXPECT_EQ(literal.calls() + named.calls(), 0);

    ASSERT_TRUE(pumpUntil([&] { return literal.disconnects > 0 && named.disconnects > 0; }));
    settle(network);
    for (const Recorder *r : {&literal, &named}) {
        EXPECT_EQ(r->connects, 0);
        EXPECT_EQ(r->disconnects, 1);
        EXPECT_EQ(r->calls(), 1);
    }
    EXPECT_EQ(dropped.calls(), 0);
}

TEST(Win32Network, AConnectionDestroyedInsideItsOwnCallHearsNothingMore)
{
    Win32Network network;
    std::vector<std::unique_ptr<Net::Connection>> accepted;
    std::string error;
    const auto listener = network.listen(
        "127.0.0.1", 0,
        [&accepted](std::unique_ptr<Net::Connection> connection) {
            accepted.push_back(std::move(connection));
        },
        error);
    ASSERT_TRUE(listener) << error;

    std::uint16_t port = 0;
    const Plain listening(listenOnLoopback(port));
    Recorder first, second;
    std::unique_ptr<Net::Connection> connection = network.connect("127.0.0.1", port, first);
    std::unique_ptr<Net::Connection> next;
    first.onReceived = [&] {
        // Wine's server posts the close it sees a moment after the bytes are
        // read: given that moment, it is queued for the socket about to go.
        Sleep(100);
        connection.reset();
        // Made at once, it gets the socket value just given back as a rule,
        // with the old one's close still queued: that must not reach it.
        next = network.connect("127.0.0.1", listener->port(), second);
    };
    {
        // The peer says two lines and goes before the network looks at all:
        // the connect, the bytes and the close all wait in the queue.
        std::jthread peer([&listening] {
            const Plain p(acceptWithin(listening.s));
            sendAll(p.s, "first\r\n");
            sendAll(p.s, "second\r\n");
        });
    }
    ASSERT_TRUE(pumpUntil([&] { return second.connects == 1 && accepted.size() == 1; }));
    settle(network);

    EXPECT_EQ(first.connects, 1);
    EXPECT_EQ(first.receives, 1);
    EXPECT_EQ(first.disconnects, 0);
    EXPECT_EQ(second.calls(), 1);
}

TEST(Win32Network, WritesAPeerIsSlowToReadArriveWholeAndInOrder)
{
    Win32Network network;
    std::uint16_t port = 0;
    const Plain listening(listenOnLoopback(port));
    std::promise<std::size_t> total; // what was written, once the system held some back
    std::string got;
    std::jthread peer([&listening, &got, expected = total.get_future()]() mutable {
        const Plain p(acceptWithin(listening.s));
        if (expected.wait_for(std::chrono::milliseconds(GuardMs)) != std::future_status::ready)
            return;
        const std::size_t size = expected.get();
        char buffer[4096];
        while (got.size() < size) {
            const int n = recv(p.s, buffer, sizeof buffer, 0);
            if (n <= 0)
                return;
            got.append(buffer, static_cast<std::size_t>(n));
        }
    });

    Recorder recorder;
    const auto connection = network.connect("127.0.0.1", port, recorder);
    ASSERT_TRUE(pumpUntil([&] { return recorder.connects == 1; }));
    // MiB after MiB, until the system takes no more while the peer reads nothing.
    std::string sent;
    constexpr std::size_t MiB = 1 << 20;
    while (connection->pending() == 0 && sent.size() < 32 * MiB) {
        std::string chunk(MiB, '\0');
        for (std::size_t i = 0; i < chunk.size(); ++i)
            chunk[i] = static_cast<char>((sent.size() + i) % 251);
        connection->write(chunk);
        sent += chunk;
    }
    ASSERT_GT(connection->pending(), 0u);
    EXPECT_EQ(recorder.writes, 0); // not from inside write

    total.set_value(sent.size());
    ASSERT_TRUE(pumpUntil([&] { return connection->pending() == 0 && recorder.writes > 0; }));
    peer.join();
    ASSERT_EQ(got.size(), sent.size());
    EXPECT_TRUE(got == sent);
    EXPECT_EQ(recorder.disconnects, 0);
}

TEST(Win32Network, TimersFireOnceAndNeverOnceDestroyed)
{
    Win32Network network;
    int first = 0, selfEnding = 0, destroyed = 0, destroyedInside = 0, startedInside = 0;
    std::unique_ptr<Net::Timer> later, inside, self;
    later = network.startTimer(300, [&] { ++destroyedInside; });
    const auto soon = network.startTimer(0, [&] {
        ++first;
        later.reset();
        inside = network.startTimer(10, [&] { ++startedInside; });
    });
    self = network.startTimer(20, [&] {
        ++selfEnding;
        self.reset();
    });
    network.startTimer(10, [&] { ++destroyed; }); // dropped at once
    EXPECT_EQ(first, 0);

    bool end = false;
    const auto last = network.startTimer(600, [&] { end = true; });
    ASSERT_TRUE(pumpUntil([&] { return end; }));
    EXPECT_EQ(first, 1);
    EXPECT_EQ(selfEnding, 1);
    EXPECT_EQ(startedInside, 1);
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(destroyedInside, 0);
}

TEST(Win32Network, EveryConnectionProbesAPeerThatWentSilent)
{
    // Wine takes the times but reads none back: what is asked is seen on the
    // way to the real call, and the keep-alive it turns on read back after.
    std::vector<std::pair<SOCKET, tcp_keepalive>> asked;
    Win32Network network([&asked](SOCKET s, const tcp_keepalive &values) {
        asked.emplace_back(s, values);
        return Win32Network::setKeepAlive(s, values);
    });
    std::unique_ptr<Net::Connection> accepted;
    std::string error;
    const auto listener = network.listen(
        "127.0.0.1", 0,
        [&accepted](std::unique_ptr<Net::Connection> connection) {
            accepted = std::move(connection);
        },
        error);
    ASSERT_TRUE(listener) << error;
    const Plain client(connectTo(listener->port()));
    ASSERT_TRUE(pumpUntil([&] { return accepted != nullptr; }));

    std::uint16_t port = 0;
    const Plain listening(listenOnLoopback(port));
    Recorder recorder;
    const auto outgoing = network.connect("127.0.0.1", port, recorder);
    const Plain server(acceptWithin(listening.s));
    ASSERT_TRUE(pumpUntil([&] { return recorder.connects == 1; }));

    const auto keepsAlive = [](SOCKET s) {
        BOOL on = FALSE;
        int size = sizeof on;
        return getsockopt(s, SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<char *>(&on), &size) == 0 &&
               on;
    };
    const SOCKET ends[] = {network.socketOf(*accepted), network.socketOf(*outgoing)};
    ASSERT_EQ(asked.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(i == 0 ? "accepted" : "outgoing");
        ASSERT_NE(ends[i], INVALID_SOCKET);
        // A minute idle, then 10 probes 12 s apart: gone within three minutes.
        EXPECT_EQ(asked[i].first, ends[i]);
        EXPECT_EQ(asked[i].second.onoff, 1u);
        EXPECT_EQ(asked[i].second.keepalivetime, 60000u);
        EXPECT_EQ(asked[i].second.keepaliveinterval, 12000u);
        EXPECT_TRUE(keepsAlive(ends[i]));
    }
    // The test's own end, which nobody set, reads as the system's default.
    EXPECT_FALSE(keepsAlive(client.s));
}

TEST(Win32Network, AConnectionWhoseKeepAliveIsRefusedWorksAllTheSame)
{
    int refused = 0;
    Win32Network network([&refused](SOCKET, const tcp_keepalive &) {
        ++refused;
        WSASetLastError(WSAEOPNOTSUPP);
        return false;
    });
    std::uint16_t port = 0;
    const Plain listening(listenOnLoopback(port));
    Recorder recorder;
    const auto outgoing = network.connect("127.0.0.1", port, recorder);
    const Plain server(acceptWithin(listening.s));
    sendAll(server.s, "ping\r\n");
    ASSERT_TRUE(pumpUntil([&] { return recorder.bytes == "ping\r\n"; }));
    outgoing->write("pong\r\n");
    std::string got;
    EXPECT_TRUE(readUntil(server.s, got, "pong\r\n"));
    EXPECT_EQ(refused, 1);
    EXPECT_EQ(recorder.connects, 1);
    EXPECT_EQ(recorder.disconnects, 0);
}

TEST(Win32Network, ListensOnLiteralAddressesOfEitherFamily)
{
    Win32Network network;
    std::vector<std::unique_ptr<Net::Connection>> accepted;
    const auto keep = [&accepted](std::unique_ptr<Net::Connection> connection) {
        accepted.push_back(std::move(connection));
    };
    std::string error;
    const auto loopback = network.listen("127.0.0.1", 0, keep, error);
    ASSERT_TRUE(loopback) << error;
    EXPECT_FALSE(network.listen("127.0.0.1", loopback->port(), keep, error));
    EXPECT_EQ(error, "WSA error 10048");
    error.clear();
    EXPECT_FALSE(network.listen("localhost", 0, keep, error));
    EXPECT_FALSE(error.empty());

    // IPv6 alone on "::": both wildcards share a port.
    const auto any4 = network.listen("0.0.0.0", 0, keep, error);
    ASSERT_TRUE(any4) << error;
    const auto any6 = network.listen("::", any4->port(), keep, error);
    EXPECT_TRUE(any6) << error;

    const auto v6 = network.listen("::1", 0, keep, error);
    ASSERT_TRUE(v6) << error;
    Recorder recorder;
    const auto connection = network.connect("::1", v6->port(), recorder);
    ASSERT_TRUE(pumpUntil([&] { return recorder.connects == 1 && accepted.size() == 1; }));
}

TEST(Win32Network, PeersThatFloodLeaveTimersPaintsThePumpAndEachOtherTheirTurn)
{
    Win32Network network;
    // More than one tick takes on: each is read in its turn.
    constexpr std::size_t Peers = 6;
    std::vector<Tally> tallies(Peers);
    std::vector<std::unique_ptr<Net::Connection>> accepted;
    std::string error;
    const auto listener = network.listen(
        "127.0.0.1", 0,
        [&](std::unique_ptr<Net::Connection> connection) {
            if (accepted.size() < Peers)
                connection->setHandler(&tallies[accepted.size()]);
            accepted.push_back(std::move(connection));
        },
        error);
    ASSERT_TRUE(listener) << error;

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &beatProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"NubrelTestBeat";
    RegisterClassExW(&wc);
    const HWND window = CreateWindowExW(0, wc.lpszClassName, L"beat", WS_OVERLAPPEDWINDOW, 0, 0,
                                        200, 100, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_TRUE(window);
    Beat beat;
    beat.tallies = &tallies;
    g_beat = &beat;
    ShowWindow(window, SW_SHOWNOACTIVATE);
    ASSERT_NE(SetTimer(window, 1, 50, nullptr), 0u);

    // The peers write as fast as they can until the test has what it waits
    // for, or give up at the guard.
    constexpr int Enough = 5;
    std::atomic<bool> enough{false}, gaveUp{false};
    std::atomic<std::size_t> peersDone{0};
    std::vector<std::jthread> peers;
    for (std::size_t i = 0; i < Peers; ++i) {
        peers.emplace_back([&] {
            const Plain p(connectTo(listener->port()));
            const std::string chunk(65536, 'x');
            const ULONGLONG deadline = GetTickCount64() + GuardMs / 2;
            while (!enough) {
                if (GetTickCount64() > deadline) {
                    gaveUp = true;
                    break;
                }
                if (send(p.s, chunk.data(), static_cast<int>(chunk.size()), 0) <= 0)
                    break;
            }
            ++peersDone;
        });
    }
    // The program's own pump, as a wait on the device uses it: it must come
    // back while the flood lasts.
    // The pump goes on until every peer has stopped: one blocked in a send
    // ends only once its bytes are read.
    while (peersDone < Peers) {
        Win32MessageLoop::processPending();
        if (beat.busyTicks >= Enough && beat.paints >= Enough)
            enough = true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    peers.clear();
    KillTimer(window, 1);
    g_beat = nullptr;
    DestroyWindow(window);
    EXPECT_FALSE(gaveUp) << "ticks " << beat.busyTicks << ", paints " << beat.paints;
    EXPECT_GE(beat.busyTicks, Enough);
    EXPECT_GE(beat.paints, Enough);
    EXPECT_EQ(accepted.size(), Peers);
}
