// The roles' decisions that depend on time: the pause before connecting again
// and the fate of a call made while the server is away. Real sockets show
// everything else (the integration tests); a clock of the test's own shows
// these without waiting minutes.
#include "ncid/NcidClient.h"
#include "ncid/NcidGateway.h"

#include <gtest/gtest.h>

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

NcidText::Call callTo(std::u16string number)
{
    return {{2026, 12, 8, 15, 30}, std::move(number), u""};
}

} // namespace

TEST(NcidRoles, ThePauseGrowsFromOneSecondToAMinuteAndStartsAgainOnceTheServerSpoke)
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

    // Accepted and closed without a word: still growing.
    network.accept();
    network.refuse();
    EXPECT_EQ(network.fireTimer(), 60000);
    // A server that answers is up: its going away starts from 1 s.
    network.accept();
    network.link().handler->received(network.link(), "200 Server: x\r\n");
    network.refuse();
    EXPECT_EQ(network.fireTimer(), 1000);

    // The gateway follows the same steps.
    NcidGateway gateway(network);
    client.stop();
    gateway.start(Server, u"-");
    network.refuse();
    EXPECT_EQ(network.fireTimer(), 1000);
    network.refuse();
    EXPECT_EQ(network.fireTimer(), 2000);
    gateway.stop();
    EXPECT_TRUE(network.links.empty());
    EXPECT_TRUE(network.timers.empty());
}

TEST(NcidRoles, ACallMadeWhileTheServerIsAwayIsHeldForAMinute)
{
    StepNetwork network;
    auto now = std::chrono::steady_clock::time_point{};
    NcidGateway gateway(network, [&now] { return now; });
    gateway.start(Server, u"-");
    network.refuse();

    gateway.forward(callTo(u"0311111111"));
    now += std::chrono::seconds(30);
    gateway.forward(callTo(u"0322222222"));
    now += std::chrono::seconds(31); // the first is 61 s old now, the second 31 s
    EXPECT_EQ(gateway.heldCount(), 2u);

    network.fireTimer();
    network.accept();
    // The one still within the minute goes; the older one is dropped.
    ASSERT_EQ(network.link().writes.size(), 1u);
    EXPECT_NE(network.link().writes[0].find("NMBR0322222222"), std::string::npos);
    EXPECT_EQ(gateway.heldCount(), 0u);
}

TEST(NcidRoles, TheGatewaySendsOneLinePerWriteWithAPauseBetweenLines)
{
    StepNetwork network;
    auto now = std::chrono::steady_clock::time_point{};
    NcidGateway gateway(network, [&now] { return now; });
    gateway.start(Server, u"-");
    network.refuse();
    // More than are held: the oldest go.
    for (int i = 0; i < 20; ++i)
        gateway.forward(callTo(u"03" + std::u16string(8, static_cast<char16_t>(u'0' + i % 10))));
    EXPECT_EQ(gateway.heldCount(), NcidGateway::MaxHeld);

    network.fireTimer();
    network.accept();
    StepNetwork::Link &link = network.link();
    ASSERT_EQ(link.writes.size(), 1u);
    // The next waits for the pause, and then for the system to take the last.
    link.unsent = 10;
    EXPECT_EQ(network.fireTimer(), NcidGateway::LinePauseMilliseconds);
    EXPECT_EQ(link.writes.size(), 1u);
    link.unsent = 0;
    link.handler->written(link);
    EXPECT_EQ(link.writes.size(), 2u);
    while (!network.timers.empty())
        network.fireTimer();
    ASSERT_EQ(link.writes.size(), NcidGateway::MaxHeld);
    for (const std::string &write : link.writes) {
        EXPECT_TRUE(write.starts_with("CALL: ###DATE12081530...CALLIN...LINE-...NMBR03"));
        EXPECT_EQ(write.find("\r\n"), write.size() - 2) << write; // one line each
    }
    EXPECT_NE(link.writes.front().find("NMBR0344444444"), std::string::npos); // the fifth
}
