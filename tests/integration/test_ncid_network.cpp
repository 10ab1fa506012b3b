// The NCID roles on the real network: QtNetwork over sockets on 127.0.0.1 and
// Qt's event loop, against peers of the tests' own (NcidPeer.h). First the
// network's own promises the roles build on, then each role.
#include "CountingNetwork.h"
#include "NcidPeer.h"
#include "QtLoop.h"
#include "frontend/qt/QtNetwork.h"
#include "ncid/NcidClient.h"
#include "ncid/NcidGateway.h"
#include "ncid/NcidServer.h"

#include <QCoreApplication>
#include <QTimer>
#include <QWidget>
#include <gmock/gmock.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <thread>

using NcidPeer::Socket;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

using QtLoop::pump;
using QtLoop::settle;
using QtLoop::waitUntil;

// What a connection reported, in order; `then` runs after each report.
struct Recorder final : Net::ConnectionHandler {
    std::vector<std::string> events;
    std::string bytes;
    std::function<void(const std::string &event)> then;

    void note(const std::string &event)
    {
        events.push_back(event);
        if (then)
            then(event);
    }
    void connected(Net::Connection &) override { note("connected"); }
    void received(Net::Connection &, std::string_view got) override
    {
        bytes += got;
        note("received");
    }
    void written(Net::Connection &) override { note("written"); }
    void disconnected(Net::Connection &) override { note("disconnected"); }
};

// The descriptor of this process whose connection on the loopback runs from
// `localPort` to `peerPort` (0: any): a connection found by its two ends.
int connectedSocket(std::uint16_t localPort, std::uint16_t peerPort)
{
    for (const auto &entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        const int fd = std::stoi(entry.path().filename().string());
        sockaddr_in local{}, peer{};
        socklen_t localSize = sizeof local, peerSize = sizeof peer;
        if (::getsockname(fd, reinterpret_cast<sockaddr *>(&local), &localSize) != 0 ||
            ::getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &peerSize) != 0 ||
            local.sin_family != AF_INET)
            continue;
        if ((localPort == 0 || ntohs(local.sin_port) == localPort) &&
            (peerPort == 0 || ntohs(peer.sin_port) == peerPort))
            return fd;
    }
    return -1;
}

int intOption(int fd, int level, int name)
{
    int value = -1;
    socklen_t size = sizeof value;
    return ::getsockopt(fd, level, name, &value, &size) == 0 ? value : -1;
}

// What a flooded connection took, counted rather than kept.
struct Tally final : Net::ConnectionHandler {
    std::size_t bytes = 0;
    void connected(Net::Connection &) override {}
    void received(Net::Connection &, std::string_view got) override { bytes += got.size(); }
    void written(Net::Connection &) override {}
    void disconnected(Net::Connection &) override {}
};

// A widget that counts its paints.
class PaintCounter final : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *) override { ++paints; }
};

// Listens on 127.0.0.1, a port the system chose; each connection accepted
// replaces `accepted`, and reports to `handler` when one is given.
std::unique_ptr<Net::Listener> listenKeeping(QtNetwork &network,
                                             std::unique_ptr<Net::Connection> &accepted,
                                             Net::ConnectionHandler *handler = nullptr)
{
    std::string error;
    auto listener = network.listen(
        "127.0.0.1", 0,
        [&accepted, handler](std::unique_ptr<Net::Connection> c) {
            accepted = std::move(c);
            // Set at once, as the program's server sets it: nothing is missed.
            if (handler)
                accepted->setHandler(handler);
        },
        error);
    EXPECT_TRUE(listener) << error;
    return listener;
}

// A port nothing listens on.
std::uint16_t freePort()
{
    NcidPeer::Server server(&pump);
    return server.port();
}

class CallLog final : public NcidCallLog {
public:
    NcidText::History state = NcidText::History::Missing;
    std::u16string text;
    std::map<std::u16string, std::u16string> names;

    NcidText::History history(std::u16string &out) const override
    {
        ++reads;
        out = text;
        return state;
    }
    mutable int reads = 0;
    std::u16string nameFor(const std::u16string &number) const override
    {
        const auto it = names.find(number);
        return it == names.end() ? std::u16string() : it->second;
    }
    std::string version() const override
    {
        return std::to_string(static_cast<int>(state)) + "/" +
               std::to_string(std::hash<std::u16string>{}(text));
    }
};

NcidText::Call callFrom(std::u16string number, std::u16string name = u"")
{
    return {{2026, 12, 8, 15, 30}, std::move(number), std::move(name)};
}

const std::string YamadaCid = "CID: *DATE*12082026*TIME*1530*LINE*HOME*NMBR*0312345678*MESG*NONE*"
                              "NAME*山田太郎*";

// The program's server on 127.0.0.1, port chosen by the system.
struct ServerRig {
    QtNetwork network;
    CallLog log;
    NcidServer server{network, log, "1.6.0"};

    ServerRig()
    {
        log.names[u"0312345678"] = u"山田太郎";
        EXPECT_THAT(server.start({{"127.0.0.1"}, 0}, u"HOME"), IsEmpty());
    }
    std::optional<Socket> connect(int receiveBuffer = 0)
    {
        return Socket::connectTo(server.port(), &pump, receiveBuffer);
    }
    // A client past the start-up.
    std::optional<Socket> join()
    {
        auto peer = connect();
        if (!peer)
            return std::nullopt;
        const std::vector<std::string> lines = peer->readLinesThrough("300");
        if (lines.empty() || !lines.back().starts_with("300"))
            return std::nullopt;
        return peer;
    }
};

// What a server says first, as the gateway hears it.
const std::string Startup = "200 Server: test\r\n"
                            "210 API: 1.0 Feature Set 1\r\n"
                            "252 Call log empty\r\n"
                            "300 End of connection startup\r\n";

} // namespace

TEST(QtNetwork, ReportsComeFromTheLoopAndNoneAfterItsConnectionIsGone)
{
    QtNetwork network;
    // Refused: reported later, not from inside connect.
    Recorder refused;
    auto failing = network.connect("127.0.0.1", freePort(), refused);
    EXPECT_THAT(refused.events, IsEmpty());
    ASSERT_TRUE(waitUntil([&] { return !refused.events.empty(); }));
    settle();
    EXPECT_THAT(refused.events, ElementsAre("disconnected"));

    // Two connections whose peers send and leave at once: the first to
    // report destroys both, while the other's reports are already queued.
    NcidPeer::Server peers(&pump);
    Recorder first;
    Recorder second;
    auto one = network.connect("127.0.0.1", peers.port(), first);
    auto two = network.connect("127.0.0.1", peers.port(), second);
    auto peerOne = peers.accept();
    auto peerTwo = peers.accept();
    ASSERT_TRUE(peerOne && peerTwo);
    ASSERT_TRUE(waitUntil([&] { return !first.events.empty() && !second.events.empty(); }));
    first.events.clear();
    second.events.clear();
    const auto destroyBoth = [&](const std::string &) {
        one.reset();
        two.reset();
    };
    first.then = destroyBoth;
    second.then = destroyBoth;
    ASSERT_TRUE(peerOne->send("bye\r\n") && peerTwo->send("bye\r\n"));
    peerOne->close();
    peerTwo->close();
    ASSERT_TRUE(waitUntil([&] { return !one; }));
    settle();
    std::vector<std::string> events = first.events;
    events.insert(events.end(), second.events.begin(), second.events.end());
    EXPECT_THAT(events, ElementsAre("received"));
}

TEST(QtNetwork, AnAcceptedConnectionKeepsWhatCameUntilItsHandlerIsSet)
{
    QtNetwork network;
    std::unique_ptr<Net::Connection> accepted;
    auto listener = listenKeeping(network, accepted);
    ASSERT_TRUE(listener);
    auto peer = Socket::connectTo(listener->port(), &pump);
    ASSERT_TRUE(peer && peer->send("early\r\n"));
    peer->close();
    ASSERT_TRUE(waitUntil([&] { return accepted != nullptr; }));
    settle();

    Recorder recorder;
    accepted->setHandler(&recorder);
    EXPECT_THAT(recorder.events, IsEmpty());
    ASSERT_TRUE(waitUntil([&] { return recorder.events.size() >= 2; }));
    settle();
    EXPECT_EQ(recorder.bytes, "early\r\n");
    EXPECT_THAT(recorder.events, ElementsAre("received", "disconnected"));
}

TEST(QtNetwork, AListenerAcceptsAgainAfterTheSystemRanOutOfDescriptors)
{
    QtNetwork network;
    int accepted = 0;
    std::string error;
    auto listener = network.listen(
        "127.0.0.1", 0, [&](std::unique_ptr<Net::Connection>) { ++accepted; }, error);
    ASSERT_TRUE(listener) << error;
    const std::uint16_t port = listener->port();

    // Every descriptor taken but one, which the peer takes: the accept fails.
    // The port was read before: the behaviour sanitizer's first check of a
    // type needs descriptors of its own.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
    const int lowestFree = ::dup(0);
    ::close(lowestFree);
    rlimit low = old;
    low.rlim_cur = static_cast<rlim_t>(lowestFree + 16);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    std::vector<int> taken;
    for (int fd; (fd = ::dup(0)) >= 0;)
        taken.push_back(fd);
    const bool wasFull = !taken.empty();
    if (wasFull) {
        ::close(taken.back());
        taken.pop_back();
    }
    auto peer = Socket::connectTo(port, &pump);
    settle();
    const int whileShort = accepted;
    for (const int fd : taken)
        ::close(fd);
    ::setrlimit(RLIMIT_NOFILE, &old);
    ASSERT_TRUE(wasFull && peer);
    EXPECT_EQ(whileShort, 0);
    EXPECT_TRUE(waitUntil([&] { return accepted == 1; }));
}

TEST(QtNetwork, WhatThePeerDoesNotTakeIsPendingUntilItReads)
{
    QtNetwork network;
    std::unique_ptr<Net::Connection> accepted;
    Recorder recorder;
    auto listener = listenKeeping(network, accepted, &recorder);
    ASSERT_TRUE(listener);
    auto peer = Socket::connectTo(listener->port(), &pump, 4096);
    ASSERT_TRUE(peer && waitUntil([&] { return accepted != nullptr; }));

    // More than the system holds for a peer that does not read.
    std::string data(8 << 20, '\0');
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>('a' + i % 23);
    accepted->write(data);
    ASSERT_TRUE(waitUntil([&] { return accepted->pending() < data.size(); }));
    settle();
    EXPECT_GT(accepted->pending(), 0u);
    EXPECT_THAT(recorder.events, IsEmpty());

    ASSERT_TRUE(waitUntil([&] {
        peer->takeLines();
        return peer->unread().size() >= data.size();
    }));
    EXPECT_TRUE(peer->unread() == data);
    ASSERT_TRUE(waitUntil([&] { return !recorder.events.empty(); }));
    EXPECT_THAT(recorder.events, ElementsAre("written"));
    EXPECT_EQ(accepted->pending(), 0u);
}

TEST(QtNetwork, EveryConnectionProbesAPeerThatWentSilent)
{
    QtNetwork network;
    std::unique_ptr<Net::Connection> accepted;
    auto listener = listenKeeping(network, accepted);
    ASSERT_TRUE(listener);
    auto client = Socket::connectTo(listener->port(), &pump);
    ASSERT_TRUE(client && waitUntil([&] { return accepted != nullptr; }));

    NcidPeer::Server server(&pump);
    Recorder recorder;
    auto outgoing = network.connect("127.0.0.1", server.port(), recorder);
    auto far = server.accept();
    ASSERT_TRUE(far && waitUntil([&] { return !recorder.events.empty(); }));
    ASSERT_THAT(recorder.events, ElementsAre("connected"));

    // Idle a minute, then six probes ten seconds apart: gone within two.
    const struct {
        const char *what;
        int fd;
    } ends[] = {{"accepted", connectedSocket(listener->port(), 0)},
                {"outgoing", connectedSocket(0, server.port())}};
    for (const auto &end : ends) {
        SCOPED_TRACE(end.what);
        ASSERT_GE(end.fd, 0);
        EXPECT_EQ(intOption(end.fd, SOL_SOCKET, SO_KEEPALIVE), 1);
        EXPECT_EQ(intOption(end.fd, IPPROTO_TCP, TCP_KEEPIDLE), 60);
        EXPECT_EQ(intOption(end.fd, IPPROTO_TCP, TCP_KEEPINTVL), 10);
        EXPECT_EQ(intOption(end.fd, IPPROTO_TCP, TCP_KEEPCNT), 6);
    }
    // The test's own end, which nobody set, reads as the system's default.
    EXPECT_EQ(intOption(connectedSocket(0, listener->port()), SOL_SOCKET, SO_KEEPALIVE), 0);
}

TEST(QtNetwork, APeerThatFloodsLeavesTimersAndPaintsTheirTurn)
{
    QtNetwork network;
    Tally tally;
    std::unique_ptr<Net::Connection> accepted;
    auto listener = listenKeeping(network, accepted, &tally);
    ASSERT_TRUE(listener);

    // Each tick at which the connection had taken more since the last one
    // counts, and asks for a paint.
    PaintCounter widget;
    widget.resize(100, 50);
    widget.show();
    int busyTicks = 0;
    std::size_t seen = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (tally.bytes > seen) {
            seen = tally.bytes;
            ++busyTicks;
        }
        widget.update();
    });
    timer.start(20);

    // The peer writes as fast as it can until the test has what it waits for.
    constexpr int Enough = 5;
    std::atomic<bool> enough{false}, peerDone{false}, gaveUp{false};
    const std::uint16_t port = listener->port();
    std::jthread peer([&] {
        auto p = Socket::connectTo(port, [] {});
        const std::string chunk(65536, 'x');
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (p && !enough) {
            if (std::chrono::steady_clock::now() > deadline) {
                gaveUp = true;
                break;
            }
            if (!p->send(chunk))
                break;
        }
        peerDone = true;
    });
    // The pump a wait on the device uses: it must come back while the flood lasts.
    while (!peerDone) {
        pump();
        if (busyTicks >= Enough && widget.paints >= Enough)
            enough = true;
        else
            ::poll(nullptr, 0, 5);
    }
    peer.join();
    EXPECT_TRUE(enough && !gaveUp)
        << "ticks " << busyTicks << ", paints " << widget.paints << ", bytes " << tally.bytes;
}

TEST(QtNetwork, ListensOnLiteralAddressesAndSaysWhyItCannot)
{
    QtNetwork network;
    const auto ignore = [](std::unique_ptr<Net::Connection>) {};
    std::string error;
    // Both loopbacks, and both wildcards, on one port each.
    for (const auto &[v4, v6] : {std::pair{"127.0.0.1", "::1"}, std::pair{"0.0.0.0", "::"}}) {
        SCOPED_TRACE(v4);
        auto first = network.listen(v4, 0, ignore, error);
        ASSERT_TRUE(first) << error;
        EXPECT_NE(first->port(), 0);
        EXPECT_TRUE(network.listen(v6, first->port(), ignore, error)) << error;
    }

    auto taken = network.listen("127.0.0.1", 0, ignore, error);
    ASSERT_TRUE(taken);
    const struct {
        std::string address;
        std::uint16_t port;
    } failing[] = {{"localhost", 0}, {"127.0.0.1", taken->port()}, {"192.0.2.1", 0}};
    for (const auto &f : failing) {
        SCOPED_TRACE(f.address);
        error.clear();
        EXPECT_FALSE(network.listen(f.address, f.port, ignore, error));
        EXPECT_FALSE(error.empty());
    }
}

TEST(QtNetwork, ATimerCallsOnceUnlessDestroyedFirst)
{
    QtNetwork network;
    int calls = 0;
    bool cancelledCalled = false;
    std::unique_ptr<Net::Timer> second;
    std::unique_ptr<Net::Timer> first = network.startTimer(0, [&] {
        ++calls;
        // Both were due in the same turn: the second is cancelled after its
        // time came, and the first ends itself from inside its own call.
        second.reset();
        first.reset();
    });
    second = network.startTimer(0, [&] { cancelledCalled = true; });
    network.startTimer(0, [&] { cancelledCalled = true; }); // destroyed at once
    EXPECT_EQ(calls, 0);
    ASSERT_TRUE(waitUntil([&] { return calls > 0; }));
    settle();
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(cancelledCalled);
}

TEST(NcidServerOnTheNetwork, AClientGetsTheBannerThenTheHistoryThenTheEndOfTheStartup)
{
    using NcidText::History;
    const struct {
        const char *what;
        History history;
        std::u16string text;
        std::vector<std::string> log;
    } cases[] = {
        {"history",
         History::Present,
         u"2026/12/07,09:05:03,0312345678\r\nnot a call\r\n2026/12/08,15:30:10,99999999999\r\n",
         {"CIDLOG: *DATE*12072026*TIME*0905*LINE*HOME*NMBR*0312345678*MESG*NONE*NAME*山田太郎*",
          "CIDLOG: *DATE*12082026*TIME*1530*LINE*HOME*NMBR*PRIVATE*MESG*NONE*NAME*非通知*",
          "250 End of call log"}},
        {"empty file", History::Present, u"", {"252 Call log empty"}},
        {"no file", History::Missing, u"", {"253 No Call log"}},
        {"history off",
         History::Off,
         u"2026/12/07,09:05:03,0312345678\r\n",
         {"251 Call log not sent"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ServerRig rig;
        rig.log.state = c.history;
        rig.log.text = c.text;
        auto peer = rig.connect();
        ASSERT_TRUE(peer);
        std::vector<std::string> expected = {"200 Server: Nubrel 1.6.0",
                                             "210 API: 1.0 Feature Set 1"};
        expected.insert(expected.end(), c.log.begin(), c.log.end());
        expected.push_back("300 End of connection startup");
        EXPECT_EQ(peer->readLinesThrough("300"), expected);
    }
}

TEST(NcidServerOnTheNetwork, ACallReachesEveryClientAsACidLine)
{
    ServerRig rig;
    std::vector<Socket> peers;
    for (int i = 0; i < 3; ++i) {
        auto peer = rig.join();
        ASSERT_TRUE(peer);
        peers.push_back(std::move(*peer));
    }
    rig.server.announce(callFrom(u"0312345678", u"山田太郎"));
    for (Socket &peer : peers)
        EXPECT_EQ(peer.readLine(), YamadaCid);
}

TEST(NcidServerOnTheNetwork, AClientIsAnsweredOrLetGoByWhatItSends)
{
    const struct {
        const char *what;
        std::vector<std::string> pieces;
        bool stays;
    } cases[] = {
        {"REQ: YO", {"REQ: YO\r\n"}, true},
        {"REQ: YO in pieces", {"RE", "Q: Y", "O\r", "\n"}, true},
        {"a line of 1,024 bytes", {std::string(1024, 'x') + "\r\n", "REQ: YO\r\n"}, true},
        // Too long a line is skipped, not a reason to go.
        {"a line of 1,025 bytes", {std::string(1025, 'x') + "\r\nREQ: YO\r\n"}, true},
        {"100,000 bytes without a line end", {std::string(100000, 'x'), "\r\nREQ: YO\r\n"}, true},
        {"GOODBYE", {"GOODBYE\r\n"}, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ServerRig rig;
        auto peer = rig.join();
        ASSERT_TRUE(peer);
        for (const std::string &piece : c.pieces) {
            ASSERT_TRUE(peer->send(piece));
            settle();
        }
        if (c.stays) {
            EXPECT_EQ(peer->readLine(), "ACK: REQ: YO");
            EXPECT_EQ(rig.server.clientCount(), 1u);
        } else {
            EXPECT_TRUE(peer->waitClosed());
            EXPECT_EQ(peer->unread(), "");
            EXPECT_TRUE(waitUntil([&] { return rig.server.clientCount() == 0; }));
        }
    }
}

TEST(NcidServerOnTheNetwork, AClientsMessageReachesEveryClientTheSenderIncluded)
{
    ServerRig rig;
    std::vector<Socket> peers;
    for (int i = 0; i < 3; ++i) {
        auto peer = rig.join();
        ASSERT_TRUE(peer);
        peers.push_back(std::move(*peer));
    }
    ASSERT_TRUE(peers[1].send("MSG: ごはんですよ\r\n"));
    for (Socket &peer : peers)
        EXPECT_EQ(peer.readLine(), "MSG: ごはんですよ");
    EXPECT_EQ(rig.server.clientCount(), 3u);
}

TEST(NcidServerOnTheNetwork, TheStartUpIsBuiltAgainOnlyWhenTheHistoryChanged)
{
    ServerRig rig;
    rig.log.state = NcidText::History::Present;
    rig.log.text = u"2026/12/07,09:05:03,0312345678\r\n";
    const auto historyLines = [&rig] {
        auto peer = rig.connect();
        return peer ? peer->readLinesThrough("300") : std::vector<std::string>();
    };
    const std::vector<std::string> first = historyLines();
    ASSERT_EQ(first.size(), 5u);
    // Peers that close at once, and one that reads: the history read once.
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(rig.connect());
    EXPECT_EQ(historyLines(), first);
    EXPECT_EQ(rig.log.reads, 1);
    // A changed history, and a call announced: each read again.
    rig.log.text += u"2026/12/08,15:30:10,0399999999\r\n";
    EXPECT_EQ(historyLines().size(), 6u);
    EXPECT_EQ(rig.log.reads, 2);
    rig.server.announce(callFrom(u"0311111111"));
    EXPECT_EQ(historyLines().size(), 6u);
    EXPECT_EQ(rig.log.reads, 3);
}

TEST(NcidServerOnTheNetwork, AnAddressThatFailedIsTriedAgainWithoutDroppingAClient)
{
    QtNetwork network;
    CallLog log;
    NcidServer server{network, log, "1.6.0"};
    // An address of no interface of this machine cannot be listened on.
    const auto failures = server.start({{"127.0.0.1", "192.0.2.1"}, 0}, u"HOME");
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].address, "192.0.2.1");
    auto peer = Socket::connectTo(server.port(), &pump);
    ASSERT_TRUE(peer);
    ASSERT_FALSE(peer->readLinesThrough("300").empty());
    EXPECT_EQ(server.retryFailed().size(), 1u);
    EXPECT_EQ(server.retryFailed().size(), 1u);
    settle();
    EXPECT_EQ(server.clientCount(), 1u);
    server.announce(callFrom(u"0312345678"));
    EXPECT_EQ(peer->readLine(),
              "CID: *DATE*12082026*TIME*1530*LINE*HOME*NMBR*0312345678*MESG*NONE*NAME*NO NAME*");
}

TEST(NcidServerOnTheNetwork, AClientThatNeverReadsGoesOnceItsUnsentOutputPassesTheLimit)
{
    ServerRig rig;
    // A small window: the system's buffers fill soon, and what follows waits
    // in the program.
    auto stuck = rig.connect(4096);
    ASSERT_TRUE(stuck);
    ASSERT_TRUE(waitUntil([&] { return rig.server.clientCount() == 1; }));
    auto reader = rig.join();
    auto other = rig.join();
    ASSERT_TRUE(reader && other);

    const NcidText::Call call = callFrom(u"0312345678", u"山田太郎");
    const std::size_t lineSize = NcidText::cidLine(call, u"HOME").size();
    std::size_t announced = 0;
    std::size_t readerCalls = 0;
    std::size_t otherCalls = 0;
    const auto takeCalls = [&] {
        readerCalls += reader->takeLines().size();
        otherCalls += other->takeLines().size();
    };
    // Far more than the limit and every buffer on the way, in the bursts a
    // busy line might make, each followed by a few turns of the loop.
    const std::size_t most = 64 * NcidText::MaxUnsent / lineSize;
    while (rig.server.clientCount() == 3 && announced < most) {
        for (int i = 0; i < 50 && rig.server.clientCount() == 3; ++i, ++announced)
            rig.server.announce(call);
        for (int i = 0; i < 5; ++i)
            pump();
        takeCalls();
    }
    ASSERT_EQ(rig.server.clientCount(), 2u);

    // It gets what the system held for it, then the end. What it was sent
    // beyond that waited in the program and is what passed the limit, by the
    // line that went over it.
    ASSERT_TRUE(stuck->waitClosed());
    const std::size_t sent = NcidText::banner("1.6.0").size() + NcidText::NoCallLog.size() +
                             NcidText::EndOfStartup.size() + announced * lineSize;
    ASSERT_LT(stuck->unread().size(), sent);
    const std::size_t waited = sent - stuck->unread().size();
    EXPECT_GT(waited, NcidText::MaxUnsent);
    EXPECT_LE(waited, NcidText::MaxUnsent + lineSize);

    // The others had every call and still get them.
    rig.server.announce(call);
    ++announced;
    EXPECT_TRUE(waitUntil([&] {
        takeCalls();
        return readerCalls == announced && otherCalls == announced;
    })) << readerCalls
        << " and " << otherCalls << " of " << announced;
}

TEST(NcidServerOnTheNetwork, TheTwentySixthClientIsToldWhyAndClosedWhileTwentyFiveStay)
{
    ServerRig rig;
    std::vector<std::u16string> notes;
    rig.server.setNote([&notes](const std::u16string &entry) { notes.push_back(entry); });
    std::vector<Socket> peers;
    for (std::size_t i = 0; i < NcidText::MaxClients; ++i) {
        auto peer = rig.join();
        ASSERT_TRUE(peer) << i;
        peers.push_back(std::move(*peer));
    }
    auto extra = rig.connect();
    ASSERT_TRUE(extra);
    EXPECT_EQ(extra->readLinesThrough("MSG:"),
              (std::vector<std::string>{"200 Server: Nubrel 1.6.0", "210 API: 1.0 Feature Set 1",
                                        "MSG: Too many clients connected: 25"}));
    EXPECT_TRUE(extra->waitClosed());
    EXPECT_EQ(extra->unread(), "");
    EXPECT_EQ(rig.server.clientCount(), NcidText::MaxClients);
    EXPECT_EQ(notes, (std::vector<std::u16string>{
                         u"NCIDのクライアントが多すぎるため、接続を断りました。"}));

    rig.server.announce(callFrom(u"0312345678", u"山田太郎"));
    for (Socket &peer : peers)
        EXPECT_EQ(peer.readLine(), YamadaCid);
}

namespace {
// The gateway started towards the test server, connected, past its start-up.
std::optional<Socket> startedTowards(NcidPeer::Server &server, NcidGateway &gateway)
{
    gateway.start({"127.0.0.1", server.port()}, u"HOME");
    auto peer = server.accept();
    if (!peer || !peer->send(Startup) || !waitUntil([&] { return gateway.isConnected(); }))
        return std::nullopt;
    return peer;
}
} // namespace

TEST(NcidGatewayOnTheNetwork, EachCallArrivesAsOneCallLine)
{
    NcidPeer::Server server(&pump);
    QtNetwork network;
    NcidGateway gateway(network);
    auto peer = startedTowards(server, gateway);
    ASSERT_TRUE(peer);

    gateway.forward(callFrom(u"0312345678", u"山田太郎"));
    gateway.forward(callFrom(u"99999999999"));
    EXPECT_EQ(peer->readLine(),
              "CALL: ###DATE12081530...CALLIN...LINEHOME...NMBR0312345678...NAME山田太郎+++");
    // The next only once the server sent the first back.
    EXPECT_EQ(peer->readLine(std::chrono::milliseconds(500)), std::nullopt);
    EXPECT_EQ(gateway.heldCount(), 2u);
    ASSERT_TRUE(peer->send(YamadaCid + "\r\n"));
    EXPECT_EQ(peer->readLine(),
              "CALL: ###DATE12081530...CALLIN...LINEHOME...NMBRPRIVATE...NAME非通知+++");
    EXPECT_EQ(gateway.heldCount(), 1u);
    // No line was cut across two reads.
    for (const std::string &read : peer->reads())
        EXPECT_TRUE(read.ends_with("\r\n")) << read;
}

TEST(NcidGatewayOnTheNetwork, AfterTheServerWentAndCameBackTheHeldCallArrives)
{
    NcidPeer::Server server(&pump);
    QtNetwork network;
    NcidGateway gateway(network);
    {
        auto peer = startedTowards(server, gateway);
        ASSERT_TRUE(peer);
        server.stop();
    }
    ASSERT_TRUE(waitUntil([&] { return !gateway.isConnected(); }));
    gateway.forward(callFrom(u"0312345678", u"山田太郎"));
    EXPECT_EQ(gateway.heldCount(), 1u);

    ASSERT_TRUE(server.listen());
    auto again = server.accept();
    ASSERT_TRUE(again);
    // Sent after the server's start-up, and held until it came back.
    ASSERT_TRUE(again->send(Startup));
    EXPECT_EQ(again->readLine(),
              "CALL: ###DATE12081530...CALLIN...LINEHOME...NMBR0312345678...NAME山田太郎+++");
    EXPECT_EQ(gateway.heldCount(), 1u);
    ASSERT_TRUE(again->send(YamadaCid + "\r\n"));
    EXPECT_TRUE(waitUntil([&] { return gateway.heldCount() == 0; }));
}

TEST(NcidClientOnTheNetwork, CallsAfterTheStartupAreHandedOnAndItComesBackAfterAClose)
{
    NcidPeer::Server server(&pump);
    QtNetwork qt;
    // Counted: each wait below is for the client to have been handed what the
    // peer sent.
    CountingNetwork network(qt);
    const auto handed = [&](std::size_t bytes) {
        return waitUntil([&] { return network.latest(server.port()).received >= bytes; });
    };
    std::vector<NcidText::ReceivedCall> calls;
    NcidClient client(network, [&](const NcidText::ReceivedCall &call) { calls.push_back(call); });
    // By name: the host is looked up.
    client.start({"localhost", server.port()});
    {
        auto peer = server.accept();
        ASSERT_TRUE(peer);
        // It asks for no call log: what the server may send anyway is no call.
        EXPECT_EQ(peer->readLine(), "HELLO: CMD: no_log");
        const std::string history = "200 Server: test\r\n210 API: 1.0 Feature Set 1\r\n"
                                    "CIDLOG: *DATE*12072026*TIME*0905*LINE*-*NMBR*0311111111*MESG*"
                                    "NONE*NAME*A*\r\n"
                                    "CID: *DATE*12072026*TIME*0906*LINE*-*NMBR*0322222222*MESG*"
                                    "NONE*NAME*B*\r\n"
                                    "250 End of call log\r\n";
        ASSERT_TRUE(peer->send(history));
        ASSERT_TRUE(handed(history.size()));
        EXPECT_THAT(calls, IsEmpty());
        // A call line cut in two is no call until its end comes.
        const std::string cut =
            "300 End of connection startup\r\nCID: *DATE*12082026*TIME*1530*LINE";
        ASSERT_TRUE(peer->send(cut));
        ASSERT_TRUE(handed(history.size() + cut.size()));
        EXPECT_THAT(calls, IsEmpty());
        ASSERT_TRUE(peer->send("*-*NMBR*0333333333*MESG*NONE*NAME*佐藤*\r\n"
                               "CID: *NAME*非通知*NMBR*PRIVATE*DATE*12082026*TIME*1531*\r\n"));
        ASSERT_TRUE(waitUntil([&] { return calls.size() >= 2; }));
        settle();
        EXPECT_EQ(calls, (std::vector<NcidText::ReceivedCall>{{u"0333333333", u"佐藤"},
                                                              {u"99999999999", u""}}));
        EXPECT_TRUE(client.isConnected());
    }
    // The server closed; the client connects again and reads a new start-up.
    auto again = server.accept();
    ASSERT_TRUE(again);
    ASSERT_TRUE(again->send("200 Server: test\r\nCID: *NMBR*0399999999*\r\n"
                            "300 End of connection startup\r\nCID: *NMBR*0344444444*NAME*X*\r\n"));
    ASSERT_TRUE(waitUntil([&] { return calls.size() >= 3; }));
    settle();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2], (NcidText::ReceivedCall{u"0344444444", u"X"}));
}
