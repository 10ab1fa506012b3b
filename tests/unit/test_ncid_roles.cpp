// The roles' decisions that depend on time: the pause before connecting again,
// the fate of a call made while the server is away, a quiet server and a
// flooding one. Real sockets show
// everything else (the integration tests); a clock of the test's own shows
// these without waiting minutes.
#include "ncid/NcidClient.h"
#include "ncid/NcidGateway.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <vector>

namespace {

// Connections that are made only when the test says so, and timers that fire
// only when the test fires them.
class StepNetwork final : public Net::Network {
public:
    struct Link final : Net::Connection {
        StepNetwork &network;
        Net::ConnectionHandler *handler;
        std::vector<std::string> writes;
        std::size_t unsent = 0;
        Link(StepNetwork &n, Net::ConnectionHandler *h) : network(n), handler(h) {}
        ~Link() override { std::erase(network.links, this); }
        void setHandler(Net::ConnectionHandler *h) override { handler = h; }
        void write(std::string_view bytes) override { writes.emplace_back(bytes); }
        std::size_t pending() const override { return unsent; }
    };
    struct Pending final : Net::Timer {
        StepNetwork &network;
        int milliseconds;
        std::function<void()> due;
        Pending(StepNetwork &n, int ms, std::function<void()> f)
            : network(n), milliseconds(ms), due(std::move(f))
        {
        }
        ~Pending() override { std::erase(network.timers, this); }
    };

    std::vector<Link *> links;
    std::vector<Pending *> timers;
    int connects = 0;

    std::unique_ptr<Net::Listener> listen(const std::string &, std::uint16_t, AcceptFunction,
                                          std::string &) override
    {
        return nullptr;
    }
    std::unique_ptr<Net::Connection> connect(const std::string &, std::uint16_t,
                                             Net::ConnectionHandler &handler) override
    {
        ++connects;
        auto link = std::make_unique<Link>(*this, &handler);
        links.push_back(link.get());
        return link;
    }
    std::unique_ptr<Net::Timer> startTimer(int milliseconds, std::function<void()> due) override
    {
        auto timer = std::make_unique<Pending>(*this, milliseconds, std::move(due));
        timers.push_back(timer.get());
        return timer;
    }

    Link &link()
    {
        EXPECT_EQ(links.size(), 1u);
        return *links.back();
    }
    // The one timer waiting: its pause, and it fired.
    int fireTimer()
    {
        EXPECT_EQ(timers.size(), 1u);
        if (timers.empty())
            return -1;
        Pending *timer = timers.back();
        const int pause = timer->milliseconds;
        auto due = timer->due; // the call may destroy the timer
        due();
        return pause;
    }
    void refuse() { link().handler->disconnected(link()); }
    void accept() { link().handler->connected(link()); }
};

const NcidSettings::Endpoint Server{"ncid", 3333};

} // namespace

const std::string Startup = "200 Server: x\r\n210 API: 1.0 Feature Set 1\r\n300 End\r\n";

TEST(NcidRoles, ThePauseGrowsFromOneSecondToAMinuteAndStartsAgainOnceAStartUpEnded)
{
    StepNetwork network;
    NcidClient client(network, [](const NcidText::ReceivedCall &) {});
    client.start(Server);
    std::vector<int> pauses;
    for (int i = 0; i < 8; ++i) {
        network.refuse();
        pauses.push_back(network.fireTimer());
    }
    EXPECT_EQ(pauses, (std::vector<int>{1000, 2000, 4000, 8000, 16000, 32000, 60000, 60000}));
    EXPECT_EQ(network.connects, 9);

    // Accepted and closed without a word, or with a word but no start-up (a
    // full server that says so and closes): still growing.
    network.accept();
    network.refuse();
    EXPECT_EQ(network.fireTimer(), 60000);
    network.accept();
    network.link().handler->received(network.link(), "200 Server: x\r\nMSG: Too many\r\n");
    network.refuse();
    EXPECT_EQ(network.fireTimer(), 60000);
    // A server that finished its start-up is up: its going away starts from 1 s.
    network.accept();
    network.link().handler->received(network.link(), Startup);
    network.refuse();
    EXPECT_EQ(network.fireTimer(), 1000);

    // The gateway follows the same steps.
    NcidGateway gateway(network);
    client.stop();
    gateway.start(Server, u"-");
    network.refuse();
    EXPECT_EQ(network.fireTimer(), 1000);
    network.accept();
    network.link().handler->received(network.link(), "200 Server: x\r\n");
    network.refuse();
    EXPECT_EQ(network.fireTimer(), 2000);
    network.accept();
    network.link().handler->received(network.link(), Startup);
    network.refuse();
    EXPECT_EQ(network.fireTimer(), 1000);
    gateway.stop();
    EXPECT_TRUE(network.links.empty());
    EXPECT_TRUE(network.timers.empty());
}

// The server sends a gateway's call back as a CID line with the CALL line's
// date and time, whatever its aliases made of the number and name.
std::string echoOf(const NcidText::Call &call)
{
    char text[96];
    std::snprintf(text, sizeof text,
                  "CID: *DATE*%02d%02d%04d*TIME*%02d%02d*LINE*-*NMBR*x*NAME*y*\r\n",
                  call.when.month, call.when.day, call.when.year, call.when.hour, call.when.minute);
    return text;
}

NcidText::Call callAt(int minute, std::u16string number = u"0311111111")
{
    return {{2026, 12, 8, 15, minute}, std::move(number), u""};
}

TEST(NcidRoles, TheGatewaySendsOneCallAtATimeAndEachUntilTheServerTookIt)
{
    StepNetwork network;
    auto now = std::chrono::steady_clock::time_point{};
    NcidGateway gateway(network, [&now] { return now; });
    gateway.start(Server, u"-");
    network.accept();
    StepNetwork::Link *link = &network.link();
    gateway.forward(callAt(1));
    gateway.forward(callAt(2));
    // Nothing before the server's start-up ended.
    EXPECT_TRUE(link->writes.empty());
    link->handler->received(*link, "200 Server: x\r\n");
    EXPECT_TRUE(link->writes.empty());
    link->handler->received(*link, "300 End\r\n");
    ASSERT_EQ(link->writes.size(), 1u);
    EXPECT_EQ(link->writes[0].find("CALL: ###DATE12081501..."), 0u);

    // Another client's call, or the call log, is not this call coming back.
    link->handler->received(*link, echoOf(callAt(7)) + "CIDLOG: *DATE*12082026*TIME*1501*\r\n");
    EXPECT_EQ(gateway.heldCount(), 2u);
    // Back: taken. The next goes after a pause.
    link->handler->received(*link, echoOf(callAt(1)));
    EXPECT_EQ(gateway.heldCount(), 1u);
    EXPECT_EQ(network.fireTimer(), NcidGateway::LinePauseMilliseconds);
    ASSERT_EQ(link->writes.size(), 2u);
    EXPECT_EQ(link->writes[1].find("CALL: ###DATE12081502..."), 0u);

    // Not back in time: the server is asked whether it is there; an answer
    // with no call before it is a server that takes calls without sending
    // them back.
    EXPECT_EQ(network.fireTimer(), NcidGateway::EchoMilliseconds);
    ASSERT_EQ(link->writes.size(), 3u);
    EXPECT_EQ(link->writes[2], "REQ: YO\r\n");
    link->handler->received(*link, "ACK: REQ: YO\r\n");
    EXPECT_EQ(gateway.heldCount(), 0u);
    EXPECT_EQ(network.fireTimer(), NcidGateway::LinePauseMilliseconds);
    EXPECT_EQ(link->writes.size(), 3u);

    // A connection that leads nowhere: no echo, no answer. The call is sent
    // again on a new connection, after that one's start-up.
    gateway.forward(callAt(3));
    ASSERT_EQ(link->writes.size(), 4u);
    EXPECT_EQ(network.fireTimer(), NcidGateway::EchoMilliseconds);
    EXPECT_EQ(network.fireTimer(), NcidGateway::AnswerMilliseconds);
    EXPECT_TRUE(network.links.empty());
    EXPECT_EQ(gateway.heldCount(), 1u);
    // The next connection, past its start-up, carries the same call first.
    const auto sentAgain = [&network, &link] {
        network.fireTimer();
        network.accept();
        link = &network.link();
        link->handler->received(*link, Startup);
        return link->writes.size() == 1 && link->writes[0].starts_with("CALL: ###DATE12081503...");
    };
    EXPECT_TRUE(sentAgain());

    // The connection ends before the call came back: sent again too.
    network.refuse();
    EXPECT_TRUE(sentAgain());
    link->handler->received(*link, echoOf(callAt(3)));
    EXPECT_EQ(gateway.heldCount(), 0u);
}

TEST(NcidRoles, HeldCallsOutlastALongOutageEachWithItsOwnTime)
{
    StepNetwork network;
    auto now = std::chrono::steady_clock::time_point{};
    NcidGateway gateway(network, [&now] { return now; });
    std::vector<std::u16string> notes;
    gateway.setNote([&notes](const std::u16string &entry) { notes.push_back(entry); });
    gateway.start(Server, u"-");
    network.refuse();

    // 105 calls over 23 hours: the 100 newest are held.
    for (int i = 0; i < 105; ++i) {
        gateway.forward(
            callAt(i % 60, u"03" + std::u16string(8, static_cast<char16_t>(u'0' + i % 10))));
        now += std::chrono::minutes(13);
    }
    EXPECT_EQ(gateway.heldCount(), NcidGateway::MaxHeld);
    ASSERT_EQ(notes.size(), 5u);
    EXPECT_EQ(notes[0], u"NCIDのサーバーに送れなかった着信を捨てました。ncid:3333");
    // The oldest eight held calls are now past a day: they go when the server
    // is back, noted.
    now += std::chrono::hours(4);
    network.fireTimer();
    network.accept();
    StepNetwork::Link &link = network.link();
    link.handler->received(link, Startup);
    ASSERT_EQ(link.writes.size(), 1u);
    EXPECT_EQ(gateway.heldCount(), 92u);
    EXPECT_EQ(notes.size(), 6u);
    // Each is sent with the time it was made.
    std::size_t sent = 0;
    while (gateway.heldCount() > 0 && sent < 200) {
        const std::string &line = link.writes.back();
        ASSERT_EQ(line.find("CALL: ###DATE1208"), 0u) << line;
        const int minute = std::stoi(line.substr(19, 2));
        link.handler->received(link, echoOf(callAt(minute)));
        if (gateway.heldCount() > 0)
            network.fireTimer();
        ++sent;
    }
    EXPECT_EQ(sent, 92u);
    EXPECT_EQ(gateway.heldCount(), 0u);
}

TEST(NcidRoles, TheClientAsksAQuietServerAndLeavesOneThatDoesNotAnswer)
{
    StepNetwork network;
    auto now = std::chrono::steady_clock::time_point{};
    NcidClient client(
        network, [](const NcidText::ReceivedCall &) {}, [&now] { return now; });
    std::vector<std::u16string> notes;
    client.setNotes([&notes](const std::u16string &entry) { notes.push_back(entry); },
                    [](const std::u16string &) {});
    client.start(Server);
    network.accept();
    StepNetwork::Link *link = &network.link();
    // It asks for no call log: a reconnect has no use for one.
    ASSERT_EQ(link->writes.size(), 1u);
    EXPECT_EQ(link->writes[0], "HELLO: CMD: no_log\r\n");
    link->handler->received(*link, Startup);

    // Heard from within the idle time: nothing asked.
    now += std::chrono::minutes(3);
    link->handler->received(*link, "CIDINFO: *LINE*-*RING*1*\r\n");
    now += std::chrono::minutes(2);
    network.fireTimer();
    EXPECT_EQ(link->writes.size(), 1u);
    // Quiet for the whole idle time: asked; an answer keeps the connection.
    now += std::chrono::minutes(3);
    network.fireTimer();
    ASSERT_EQ(link->writes.size(), 2u);
    EXPECT_EQ(link->writes[1], "REQ: YO\r\n");
    now += std::chrono::seconds(1);
    link->handler->received(*link, "ACK: REQ: YO\r\n");
    now += std::chrono::seconds(29);
    network.fireTimer();
    EXPECT_EQ(network.links.size(), 1u);
    // Asked again later, and no answer: closed, noted, connected again.
    now += std::chrono::minutes(4);
    network.fireTimer();
    ASSERT_EQ(link->writes.size(), 3u);
    now += std::chrono::seconds(30);
    network.fireTimer();
    EXPECT_TRUE(network.links.empty());
    EXPECT_EQ(notes, (std::vector<std::u16string>{
                         u"NCIDのサーバーが応答しません。接続し直します。ncid:3333"}));
    network.fireTimer();
    EXPECT_EQ(network.links.size(), 1u);
}

TEST(NcidRoles, TheClientTakesNoMoreCallsThanATelephoneRings)
{
    StepNetwork network;
    auto now = std::chrono::steady_clock::time_point{};
    std::vector<std::u16string> numbers;
    NcidClient client(
        network, [&numbers](const NcidText::ReceivedCall &call) { numbers.push_back(call.number); },
        [&now] { return now; });
    std::vector<std::u16string> once;
    std::vector<std::u16string> each;
    client.setNotes([&once](const std::u16string &entry) { once.push_back(entry); },
                    [&each](const std::u16string &entry) { each.push_back(entry); });
    client.start(Server);
    network.accept();
    StepNetwork::Link &link = network.link();
    link.handler->received(link, Startup);

    const auto cid = [](const std::string &number) {
        return "CID: *DATE*12082026*TIME*1530*LINE*-*NMBR*" + number + "*MESG*NONE*NAME*x*\r\n";
    };
    // A number longer than any telephone number is no call.
    link.handler->received(link, cid("1234567890123456") + cid("123456789012345"));
    EXPECT_EQ(numbers, (std::vector<std::u16string>{u"123456789012345"}));
    // A flood: the burst is taken, the rest let go, noted once.
    std::string flood;
    for (int i = 0; i < 50; ++i)
        flood += cid("03000000" + std::to_string(10 + i));
    link.handler->received(link, flood);
    EXPECT_EQ(numbers.size(), static_cast<std::size_t>(NcidClient::CallBurst));
    EXPECT_EQ(numbers.back(), u"0300000013");
    // Later, one more each interval.
    now += NcidClient::CallEvery;
    link.handler->received(link, cid("0311111111") + cid("0322222222"));
    EXPECT_EQ(numbers.back(), u"0311111111");
    EXPECT_EQ(numbers.size(), static_cast<std::size_t>(NcidClient::CallBurst) + 1);
    // Each drop is offered to the log, which keeps each entry once.
    EXPECT_EQ(std::set<std::u16string>(once.begin(), once.end()),
              (std::set<std::u16string>{
                  u"NCIDの着信の番号が長すぎるため、受け取りませんでした。ncid:3333",
                  u"NCIDの着信が多すぎるため、一部を受け取りませんでした。ncid:3333"}));
    // A server's message goes to the log, within the same bound.
    now += NcidClient::CallEvery;
    link.handler->received(link, "MSG: \x01"
                                 "ごはんですよ\r\n");
    EXPECT_EQ(each, (std::vector<std::u16string>{u"NCIDのメッセージ（ncid:3333）：ごはんですよ"}));
}
