// The NCID roles as the program drives them: [NCID] read by the controller,
// the device's calls served and forwarded, a server's calls recorded as the
// program's own. The controller runs on fakes of the windows; the network is
// QtNetwork on 127.0.0.1 against the tests' own peers, counted on the way
// (CountingNetwork.h) so that a test knows what the program has read.
#include "ControllerRig.h"
#include "CountingNetwork.h"
#include "NcidPeer.h"
#include "QtLoop.h"
#include "frontend/qt/QtNetwork.h"

#include <QCoreApplication>
#include <gmock/gmock.h>

using namespace std::string_literals;
using NcidPeer::Socket;
using ::testing::ElementsAre;

namespace {

using QtLoop::pump;
using QtLoop::waitUntil;

std::u16string number(std::uint16_t port)
{
    return Text::number(port);
}

// A port nothing listens on at the moment.
std::uint16_t freePort()
{
    NcidPeer::Server probe(&pump);
    return probe.port();
}

const std::string Kind0Held = "AT\\L1\r\r\nRECEIVE CALLING PARTY = 0312345678/1207\r\n\r\nOK\r\n";
const std::string Kind0New = "AT\\L1\r\r\nRECEIVE CALLING PARTY = 0451112222/1207\r\n\r\nOK\r\n";
const std::string ServerStartup =
    "200 Server: test\r\n210 API: 1.0 Feature Set 1\r\n"
    "CIDLOG: *DATE*12012026*TIME*0930*LINE*-*NMBR*0399998888*MESG*NONE*NAME*OLD*\r\n"
    "250 End of call log\r\n300 End of connection startup\r\n";

// A server's call line for `number`.
std::string cidFor(const std::string &number)
{
    return "CID: *DATE*12082026*TIME*1200*LINE*-*NMBR*" + number + "*MESG*NONE*NAME*X*\r\n";
}

// The network is there before the controller and goes after it.
struct NetworkRig {
    QtNetwork qt;
    CountingNetwork network{qt};
    ControllerRig r;
    NetworkRig() { r.c.useNetwork(network); }
    std::size_t historyLines() const
    {
        const std::u16string text =
            r.folder.exists(u"着信履歴.TXT"s) ? r.folder.readText(u"着信履歴.TXT"s) : u""s;
        return static_cast<std::size_t>(std::count(text.begin(), text.end(), u'\n'));
    }
    // The number of each call written, in order.
    std::vector<std::u16string> historyNumbers() const
    {
        std::vector<std::u16string> numbers;
        const std::u16string text =
            r.folder.exists(u"着信履歴.TXT"s) ? r.folder.readText(u"着信履歴.TXT"s) : u""s;
        for (std::size_t at = 0, end; (end = text.find(u'\n', at)) != std::u16string::npos;
             at = end + 1) {
            std::u16string line = text.substr(at, end - at);
            if (!line.empty() && line.back() == u'\r')
                line.pop_back();
            numbers.push_back(line.substr(line.rfind(u',') + 1));
        }
        return numbers;
    }
    std::vector<std::u16string> logLines() const
    {
        std::vector<std::u16string> lines;
        const std::u16string text =
            r.folder.exists(u"Nubrel.log"s) ? r.folder.readText(u"Nubrel.log"s) : u""s;
        for (std::size_t at = 0, end; (end = text.find(u"\r\n"s, at)) != std::u16string::npos;
             at = end + 2)
            lines.push_back(text.substr(at, end - at));
        return lines;
    }
};

} // namespace

TEST(NcidInTheProgram, DeviceCallsReachClientsAndTheGatewayButNotTheHeldNumber)
{
    NcidPeer::Server upstream(&pump);
    const std::uint16_t port = freePort();
    NetworkRig n;
    n.r.folder.writeBytes(u"電話帳.csv"s, "0451112222,\x8E\x52\x93\x63\r\n"); // 山田
    n.r.folder.writeIni(u"[NCID]\nLISTEN="s + number(port) + u"\nLINE=自宅\nFORWARD=127.0.0.1:"s +
                        number(upstream.port()) + u"\n"s);
    n.r.c.Form_Load();
    auto gateway = upstream.accept();
    ASSERT_TRUE(gateway);
    ASSERT_TRUE(gateway->send(ServerStartup));
    auto client = Socket::connectTo(port, &pump);
    ASSERT_TRUE(client);
    EXPECT_THAT(client->readLinesThrough("300"),
                ElementsAre("200 Server: Nubrel " NUBREL_PROJECT_VERSION,
                            "210 API: 1.0 Feature Set 1", "253 No Call log",
                            "300 End of connection startup"));

    n.r.p.port.answer({Kind0Held});
    n.r.c.TimForm_Timer();
    n.r.p.port.answer({Kind0New});
    n.r.c.TimForm_Timer();
    ASSERT_EQ(n.r.p.view.m_title, u"0451112222"s);
    // The first line each reads is the new call: the held number was none.
    EXPECT_EQ(client->readLine(), "CID: *DATE*12072026*TIME*0905*LINE*" + utf8(u"自宅") +
                                      "*NMBR*0451112222*MESG*NONE*NAME*" + utf8(u"山田") + "*");
    EXPECT_EQ(gateway->readLine(), "CALL: ###DATE12070905...CALLIN...LINE" + utf8(u"自宅") +
                                       "...NMBR0451112222...NAME" + utf8(u"山田") + "+++");
}

TEST(NcidInTheProgram, SourceCallsAreTheProgramsOwnAndTheDeviceIsLeftAlone)
{
    NcidPeer::Server source(&pump);
    NcidPeer::Server upstream(&pump);
    NetworkRig n;
    // A terminal adapter, whose initialisation would open the port at once.
    n.r.folder.writeIni(
        u"[NUBREL]\nPRODUCTSLISTCNT=1\nPRODUCTSLIST0=1,adapter\n[NCID]\nSOURCE=127.0.0.1:"s +
        number(source.port()) + u"\nFORWARD=127.0.0.1:"s + number(upstream.port()) + u"\n"s);
    n.r.c.Form_Load();
    auto server = source.accept();
    ASSERT_TRUE(server);
    auto gateway = upstream.accept();
    ASSERT_TRUE(gateway);
    // Up towards the gateway, past its server's start-up: a call forwarded
    // would be written at once.
    ASSERT_TRUE(gateway->send(ServerStartup));
    ASSERT_TRUE(waitUntil(
        [&] { return n.network.latest(upstream.port()).received == ServerStartup.size(); }));

    // The call comes behind the server's history: had that been taken for a
    // call, it would be written first.
    const std::string call = "CID: *DATE*12082026*TIME*1200*LINE*-*NMBR*+81-45-111-2222*MESG*"
                             "NONE*NAME*YAMADA*\r\n";
    ASSERT_TRUE(server->send(ServerStartup + call));
    ASSERT_TRUE(waitUntil([&] { return n.historyLines() == 1; })) << "the first call is written";
    EXPECT_THAT(n.historyNumbers(), ElementsAre(u"0451112222"s))
        << "the server's history is no call";
    EXPECT_EQ(n.r.p.view.m_title, u"0451112222"s);
    EXPECT_EQ(n.r.s.LastName, u"YAMADA"s);

    // A repeated number is a new call; from the tray it brings the pop-up.
    n.r.c.mnuTask_Click();
    ASSERT_TRUE(server->send(call));
    ASSERT_TRUE(waitUntil([&] { return n.historyLines() == 2; }));
    EXPECT_EQ(n.r.p.tip.m_shows, 1);

    // 停止 lets the calls go, read while stopped; 開始 takes them again.
    n.r.c.mnuTime_Click();
    const std::string whileStopped = cidFor("0452223333");
    const std::size_t readBefore = n.network.latest(source.port()).received;
    ASSERT_TRUE(server->send(whileStopped));
    ASSERT_TRUE(waitUntil([&] {
        return n.network.latest(source.port()).received >= readBefore + whileStopped.size();
    })) << "the program did not read the call sent while stopped";
    n.r.c.mnuTime_Click();
    ASSERT_TRUE(server->send(cidFor("0453334444")));
    ASSERT_TRUE(waitUntil([&] { return n.historyLines() == 3; }));
    EXPECT_THAT(n.historyNumbers(), ElementsAre(u"0451112222"s, u"0451112222"s, u"0453334444"s));
    EXPECT_EQ(n.r.p.view.m_title, u"0453334444"s);

    n.r.c.TimForm_Timer();
    EXPECT_EQ(n.r.p.port.m_opens, 0) << "neither a query nor the initialisation";
    EXPECT_EQ(n.network.latest(upstream.port()).written, 0u)
        << "a call from SOURCE is never forwarded";
    EXPECT_THAT(gateway->takeLines(), ::testing::IsEmpty());
}

TEST(NcidInTheProgram, TheSettingsCommandReadsTheSectionAgainAndABadValueIsNotedOnce)
{
    NcidPeer::Server source(&pump);
    NetworkRig n;
    const std::u16string bad = u"LISTEN=port 80\n"s;
    n.r.folder.writeIni(u"[NCID]\n"s + bad);
    n.r.c.Form_Load();
    n.r.c.mnuEnv_Click(); // cancelled
    const std::vector<std::u16string> noted = n.logLines();
    ASSERT_EQ(noted.size(), 1u);
    EXPECT_TRUE(noted[0].ends_with(u" NCID       [NCIDの設定を読めません。LISTEN=port 80]"s));

    // SOURCE added by hand: taken at the next settings command.
    n.r.folder.writeIni(u"[NCID]\n"s + bad + u"SOURCE=127.0.0.1:"s + number(source.port()) +
                        u"\n"s);
    n.r.c.mnuEnv_Click();
    auto server = source.accept();
    ASSERT_TRUE(server);
    n.r.p.port.answer({Kind0Held});
    n.r.c.TimForm_Timer();
    EXPECT_EQ(n.r.p.port.m_opens, 0);

    // Unchanged, it keeps its connection: a call on it is taken, and a read
    // after that finds it open.
    n.r.c.mnuEnv_Click();
    ASSERT_TRUE(server->send(ServerStartup + "CID: *NMBR*0451112222*NAME*NO NAME*\r\n"));
    ASSERT_TRUE(waitUntil([&] { return n.historyLines() == 1; }));
    // What the client said at its start, and nothing more.
    EXPECT_THAT(server->takeLines(), ElementsAre("HELLO: CMD: no_log"));
    EXPECT_FALSE(server->closed());
    EXPECT_EQ(n.network.connections(source.port()), 1u);

    // Removed: the device is asked again, its first answer held, not written.
    n.r.folder.writeIni(u"[NCID]\n"s + bad);
    n.r.c.mnuEnv_Click();
    EXPECT_TRUE(server->waitClosed());
    n.r.c.TimForm_Timer();
    EXPECT_EQ(n.r.p.port.m_opens, 1);
    EXPECT_EQ(n.r.p.view.m_title, u"0312345678"s);
    EXPECT_EQ(n.historyLines(), 1u);
    EXPECT_EQ(n.logLines(), noted);
}
