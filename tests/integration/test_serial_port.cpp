// The real serial layer against the simulated device on a pseudo-terminal:
// the program's own SendCommand on QtSerialPort, and the port's operations.
#include "CountingPort.h"
#include "Fakes.h"
#include "ModemSim.h"
#include "ProgramFolder.h"
#include "config/basNbComIni.h"
#include "frontend/qt/QtSerialPort.h"
#include "frontend/qt/QtText.h"
#include "link/ReplyParsers.h"
#include "link/SerialLink.h"
#include "log/DiagnosticLog.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gmock/gmock.h>

#include <chrono>
#include <cstdint>
#include <functional>

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

struct Exchange {
    std::int16_t result = 99;
    QByteArray reply; // as CP932 bytes
    std::int32_t lcnt = 0;
    int waits = 0;
    int reads = 0;
    int wakeUps = 0; // of the event loop: a sleeping wait has a few, a spinning one thousands
};

// The program's link on port 2, mapped to the simulated device.
struct Link {
    explicit Link(const QString &device)
    {
        folder.writeIni(fromQt(QStringLiteral("[PORTS]\nCOM2=") + device + u'\n'));
        link.ApplyCommPort();
        link.ApplyCommSettings();
    }
    Exchange send(const QByteArray &command)
    {
        counting.waits = 0;
        counting.reads = 0;
        Exchange e;
        const QMetaObject::Connection counter =
            QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake,
                             [&e] { ++e.wakeUps; });
        std::u16string reply;
        link.SendCommand(fromQt(QString::fromLatin1(command)), reply, e.result);
        QObject::disconnect(counter);
        e.reply = toQt(reply).toLatin1();
        e.lcnt = link.lastLcnt();
        e.waits = counting.waits;
        e.reads = counting.reads;
        return e;
    }
    QString log() const { return toQt(folder.readText(u"Nubrel.log")); }

    ProgramFolder folder;
    ProgramState state;
    QtSerialPort port;
    CountingPort counting{port};
    basNbComIni ini{folder.path()};
    FakeClock clock;
    DiagnosticLog diagnostics{folder.path(), clock};
    FakePrompts prompts;
    FakeView view;
    SerialLink link{state, counting, ini, diagnostics, prompts, view};
};

// The time of the call in a reply ("/MMDDhhmm") as a fixed mark.
std::string withoutCallTime(const QByteArray &reply)
{
    static const QRegularExpression callTime(QStringLiteral("/[0-9]{8}\r"));
    return QString::fromLatin1(reply).replace(callTime, QStringLiteral("/<time>\r")).toStdString();
}

// Reads from a port opened by the test itself until `until` has come.
QByteArray readUntil(QtSerialPort &port, const QByteArray &until)
{
    QByteArray got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!got.contains(until) && port.waitForInput(deadline))
        got += QByteArray::fromStdString(port.readAll());
    return got;
}

class SerialPortTest : public ::testing::Test {
protected:
    void startSim(const QStringList &arguments = {})
    {
        ASSERT_TRUE(m_sim.start(arguments)) << m_sim.errorOutput().constData();
    }
    void openOn(QtSerialPort &port, const QString &device)
    {
        ASSERT_TRUE(port.selectPort(fromQt(device)));
        int errorNumber = 0;
        std::u16string errorText;
        ASSERT_TRUE(port.open(errorNumber, errorText)) << errorNumber << " " << utf8(errorText);
        ASSERT_TRUE(port.isOpen());
    }
    // Speed and stop bits as the device sees them, from its "status" answer. A
    // pseudo-terminal always reports 8 data bits and no parity, whatever was set.
    std::string lineSettings()
    {
        static const QRegularExpression fields(QStringLiteral("(speed \\S+) .*(stop \\S+)"));
        const QRegularExpressionMatch m = fields.match(m_sim.command(QStringLiteral("status")));
        return m.hasMatch() ? (m.captured(1) + u' ' + m.captured(2)).toStdString() : "no status";
    }

    ModemSim m_sim{QStringLiteral(NUBREL_MODEMSIM)};
    QtSerialPort m_port;
};

TEST_F(SerialPortTest, ExchangesByDevicePathAndBySymlinkOpenThePortOnlyForThemselves)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("ttyNubrel"));
    startSim({QStringLiteral("--link"), link});

    for (const QString &device : {m_sim.devicePath(), link}) {
        SCOPED_TRACE(device.toStdString());
        Link l(device);
        for (int round = 0; round < 2; ++round) {
            const Exchange e = l.send("AT\r");
            EXPECT_EQ(e.result, ExchangeResult::Answered);
            EXPECT_EQ(e.reply, QByteArray("AT\r\r\nOK\r\n"));
            EXPECT_FALSE(l.port.isOpen());
        }
    }
}

TEST_F(SerialPortTest, QueryRepliesComeBackWholeAndGiveTheNumber)
{
    struct Case {
        const char *kind;
        const char *setUp;
        QByteArray command;
        const char *reply;
        const char *number; // as the kind's parser reads it; not checked for other commands
        std::int32_t callIndex;
    };
    const std::vector<Case> cases{
        {"0", "call 0312345678", "AT\\L1\r",
         "AT\\L1\r\r\nRECEIVE CALLING PARTY = 0312345678/<time>\r\nOK", "0312345678", 0},
        {"0", "withheld", "AT\\L1\r", "AT\\L1\r\r\nRECEIVE CALLING PARTY = P/<time>\r\nOK", "P", 0},
        {"0", "clear", "AT\\L1\r", "AT\\L1\r\r\nOK", "", 0},
        {"1", "call 09012345678", "at$a\r", "at$a\r\r\n001 09012345678/<time>\r\nOK", "09012345678",
         1},
        {"1", "withheld", "at$a\r", "at$a\r\r\n001 P/<time>\r\nOK", "P", 1},
        {"1", "clear", "at$a\r", "at$a\r\r\nNO DATA\r\nOK", "NONE", -1},
        // Commands of the other kind and the initialisation are only acknowledged.
        {"1", "call 0312345678", "AT$i10 = 1\r", "AT$i10 = 1\r\r\nOK", "", 0},
        {"1", "call 0312345678", "AT\\L1\r", "AT\\L1\r\r\nOK", "", 0},
        {"0", "call 0312345678", "at$a\r", "at$a\r\r\nOK", "", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string("kind ") + c.kind + ", " + c.setUp + ", " +
                     c.command.toStdString());
        ModemSim sim{QStringLiteral(NUBREL_MODEMSIM)};
        ASSERT_TRUE(sim.start({QStringLiteral("--kind"), QString::fromLatin1(c.kind)}));
        ASSERT_TRUE(sim.ok(QString::fromLatin1(c.setUp)));
        Link l(sim.devicePath());
        const Exchange e = l.send(c.command);
        EXPECT_EQ(e.result, ExchangeResult::Answered);
        // Up to the read that brought "OK": the rest of its line may follow.
        EXPECT_EQ(withoutCallTime(e.reply).substr(0, std::string(c.reply).size()), c.reply);

        const std::u16string reply = fromQt(QString::fromLatin1(e.reply));
        std::u16string number;
        if (c.command == "AT\\L1\r" && c.kind[0] == '0') {
            ReplyParsers::ParseCallingPartyReply(reply, number);
            EXPECT_EQ(utf8(number), c.number);
        } else if (c.command == "at$a\r" && c.kind[0] == '1') {
            bool changed = false;
            std::int32_t lastCallNo = -2;
            ReplyParsers::ParseNumberReply(reply, number, changed, lastCallNo);
            EXPECT_EQ(utf8(number), c.number);
            EXPECT_EQ(lastCallNo, c.callIndex);
        }
    }
}

TEST_F(SerialPortTest, CallIndexCountsEveryCallAndWrapsAfter999)
{
    startSim({QStringLiteral("--kind"), QStringLiteral("1"), QStringLiteral("--number"),
              QStringLiteral("0312345678")});
    Link l(m_sim.devicePath());
    std::int32_t lastCallNo = -2;
    auto poll = [&](bool &changed) {
        std::u16string number;
        ReplyParsers::ParseNumberReply(fromQt(QString::fromLatin1(l.send("at$a\r").reply)), number,
                                       changed, lastCallNo);
        return utf8(number);
    };
    bool changed = false;
    EXPECT_EQ(poll(changed), "0312345678");
    EXPECT_TRUE(changed);
    EXPECT_EQ(lastCallNo, 1);
    EXPECT_EQ(poll(changed), "0312345678");
    EXPECT_FALSE(changed) << "the same call polled again";

    // A second call from the same number is a new index.
    ASSERT_TRUE(m_sim.ok(QStringLiteral("call 0312345678")));
    EXPECT_EQ(poll(changed), "0312345678");
    EXPECT_TRUE(changed);
    EXPECT_EQ(lastCallNo, 2);

    QStringList calls;
    for (int i = 3; i <= 999; ++i)
        calls << QStringLiteral("call 0452223333");
    ASSERT_TRUE(m_sim.okAll(calls));
    EXPECT_EQ(poll(changed), "0452223333");
    EXPECT_EQ(lastCallNo, 999);
    ASSERT_TRUE(m_sim.ok(QStringLiteral("withheld")));
    EXPECT_EQ(poll(changed), "P");
    EXPECT_EQ(lastCallNo, 1);
    EXPECT_TRUE(changed);
}

TEST_F(SerialPortTest, OkInPiecesIsFoundAndWhatFollowsItIsNotRead)
{
    startSim({QStringLiteral("--kind"), QStringLiteral("1"), QStringLiteral("--number"),
              QStringLiteral("0312345678")});
    Link l(m_sim.devicePath());
    const Exchange whole = l.send("at$a\r");
    ASSERT_THAT(whole.reply.constData(), HasSubstr("001 0312345678/"));
    ASSERT_EQ(whole.result, ExchangeResult::Answered);

    // "pieces": the answer in pieces, "O" and "K" apart; at 1200 bit/s every
    // byte on its own. Each piece wakes the wait, which then sleeps again.
    for (const char *pacing : {"pieces on", "slow 1200"}) {
        SCOPED_TRACE(pacing);
        ASSERT_TRUE(m_sim.okAll(
            {QStringLiteral("pieces off"), QStringLiteral("slow 0"), QString::fromLatin1(pacing)}));
        const Exchange pieces = l.send("at$a\r");
        EXPECT_EQ(pieces.result, ExchangeResult::Answered);
        EXPECT_GT(pieces.reads, 2);
        EXPECT_EQ(pieces.lcnt, pieces.reads + pieces.waits - 1);
        EXPECT_LT(pieces.wakeUps, 3 * pieces.reads + 20) << "woken by the bytes, not spinning";
        EXPECT_TRUE(whole.reply.startsWith(pieces.reply));
        // The CR LF after "OK" was still on the line: it stays unread, and the
        // next exchange, once it has come, discards it before its command.
        EXPECT_TRUE(pieces.reply.endsWith("OK")) << pieces.reply.toStdString();
        ASSERT_TRUE(m_sim.okAll(
            {QStringLiteral("sync"), QStringLiteral("pieces off"), QStringLiteral("slow 0")}));
        EXPECT_EQ(l.send("AT\r").reply.left(7), QByteArray("AT\r\r\nOK"));
    }
}

TEST_F(SerialPortTest, SilentUntilTheThirdExchangeWhichIsLoggedAndEndsTheProgram)
{
    startSim({QStringLiteral("--number"), QStringLiteral("0312345678")});
    ASSERT_TRUE(m_sim.ok(QStringLiteral("silent on")));
    Link l(m_sim.devicePath());
    for (const std::int16_t expected :
         {ExchangeResult::Unanswered, ExchangeResult::Unanswered, ExchangeResult::EndProgram}) {
        const Exchange e = l.send("AT\\L1\r");
        EXPECT_EQ(e.result, expected);
        EXPECT_EQ(e.reply, QByteArray()) << "not even the echo";
        EXPECT_EQ(e.lcnt, SerialLink::MaxPoll + 1);
        EXPECT_EQ(e.waits, 1) << "one sleep until the deadline";
        EXPECT_LT(e.wakeUps, 50) << "the wait must sleep, not spin";
    }
    EXPECT_EQ(l.log(),
              QStringLiteral("2026/12/07 09:05:03 Nubrel     [iTry=[3]lcnt=[10001]F=[]]\r\n"));
    ASSERT_EQ(l.prompts.m_messages.size(), 1u);
    EXPECT_EQ(
        toQt(l.prompts.m_messages[0].text),
        QStringLiteral(
            "ＶＯＲＤＥＫにて、\r受信できません。COM 2の設定を確認して、再起動してください。"));

    // The silence was for those commands only.
    ASSERT_TRUE(m_sim.ok(QStringLiteral("silent off")));
    EXPECT_EQ(l.send("AT\r").result, ExchangeResult::Answered);
    EXPECT_EQ(l.state.iTry, 0);
}

TEST_F(SerialPortTest, ErrorReplyHasNoOk)
{
    startSim({QStringLiteral("--number"), QStringLiteral("0312345678")});
    ASSERT_TRUE(m_sim.ok(QStringLiteral("error 1")));
    Link l(m_sim.devicePath());
    const Exchange e = l.send("AT\\L1\r");
    EXPECT_EQ(e.result, ExchangeResult::Unanswered);
    EXPECT_EQ(e.reply, QByteArray("AT\\L1\r\r\nERROR\r\n"));
    EXPECT_THAT(l.send("AT\\L1\r").reply.constData(),
                HasSubstr("RECEIVE CALLING PARTY = 0312345678/"));
}

TEST_F(SerialPortTest, DiscardDropsInputWaitingInEitherBuffer)
{
    startSim();
    openOn(m_port, m_sim.devicePath());
    for (bool intoPortBuffer : {false, true}) {
        SCOPED_TRACE(intoPortBuffer ? "read into the port's buffer" : "left in the kernel");
        m_port.write("ATZ\r");
        // The device has answered in full before the simulator acknowledges.
        ASSERT_TRUE(m_sim.ok(QStringLiteral("sync")));
        if (intoPortBuffer) {
            const QDeadlineTimer deadline(5000);
            while (m_port.waitingInput() < 10 && !deadline.hasExpired())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            ASSERT_EQ(m_port.waitingInput(), 10);
        }
        m_port.discardInput();
        EXPECT_EQ(m_port.waitingInput(), 0);
        m_port.write("ATE1\r");
        EXPECT_EQ(readUntil(m_port, "OK\r\n"), QByteArray("ATE1\r\r\nOK\r\n"));
    }
    m_port.close();
}

TEST_F(SerialPortTest, LineSettingsTakeEffectAtTheNextOpen)
{
    startSim();
    ASSERT_TRUE(m_port.selectPort(fromQt(m_sim.devicePath())));
    ASSERT_TRUE(m_port.setLineSettings(u"19200,N,8,1"));
    const std::string at19200 = "speed 19200 stop 1";

    // Not rates the serial driver has, or not plain positive integers.
    for (const char *refused :
         {"7200,N,8,1", "14400,N,8,1", "1,200,N,8,1", "9600.5,N,8,1", "-9600,N,8,1", "+9600,N,8,1",
          " 9600,N,8,1", "0,N,8,1", "99999999999,N,8,1", ",N,8,1", "abc,N,8,1", "9600,X,8,1",
          "9600,N,9,1", "9600,N,8,3", "9600,N,8", "9600", ""}) {
        SCOPED_TRACE(refused);
        EXPECT_FALSE(m_port.setLineSettings(fromQt(QString::fromLatin1(refused))));
    }
    int errorNumber = 0;
    std::u16string errorText;
    ASSERT_TRUE(m_port.open(errorNumber, errorText));
    EXPECT_EQ(lineSettings(), at19200);

    // Changed while open: the port keeps its settings until it is opened again.
    ASSERT_TRUE(m_port.setLineSettings(u"2400,E,7,2"));
    EXPECT_EQ(lineSettings(), at19200);
    // Nor does a second open that the open port refuses.
    EXPECT_FALSE(m_port.open(errorNumber, errorText));
    EXPECT_EQ(lineSettings(), at19200);
    m_port.close();
    ASSERT_TRUE(m_port.open(errorNumber, errorText));
    EXPECT_EQ(lineSettings(), "speed 2400 stop 2");
    m_port.close();

    const std::vector<std::pair<const char *, const char *>> accepted{
        {"50,N,8,1", "speed 50 stop 1"},
        {"09600,N,8,1", "speed 9600 stop 1"},
        {"115200,n,8,1", "speed 115200 stop 1"},
        {"4000000,O,8,2", "speed 4000000 stop 2"},
    };
    for (const auto &[settings, seen] : accepted) {
        SCOPED_TRACE(settings);
        ASSERT_TRUE(m_port.setLineSettings(fromQt(QString::fromLatin1(settings))));
        ASSERT_TRUE(m_port.open(errorNumber, errorText));
        EXPECT_EQ(lineSettings(), seen);
        m_port.write("AT\r");
        EXPECT_EQ(readUntil(m_port, "OK\r\n"), QByteArray("AT\r\r\nOK\r\n"));
        m_port.close();
    }
}

TEST_F(SerialPortTest, OpenFailsWithNumberAndDescription)
{
    startSim();
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("ttyGone"));

    // An empty name is refused and the port chosen before stays.
    ASSERT_TRUE(m_port.selectPort(fromQt(missing)));
    EXPECT_FALSE(m_port.selectPort(std::u16string()));
    int errorNumber = 0;
    std::u16string errorText;
    EXPECT_FALSE(m_port.open(errorNumber, errorText));
    EXPECT_EQ(errorNumber, 1) << "DeviceNotFoundError";
    EXPECT_FALSE(errorText.empty());
    EXPECT_FALSE(m_port.isOpen());

    openOn(m_port, m_sim.devicePath());

    // Held by another port object: the lock refuses it, and the exchange asks.
    Link held(m_sim.devicePath());
    const Exchange refused = held.send("AT\r");
    EXPECT_EQ(refused.result, ExchangeResult::StopMonitoring) << "停止 is the default answer";
    EXPECT_THAT(held.log().toStdString(), HasSubstr("ｴﾗｰ番号[2]"));
    ASSERT_EQ(held.prompts.m_questions.size(), 1u);

    // Opened again while an exchange holds it: refused, and the exchange goes on.
    errorNumber = 0;
    errorText.clear();
    EXPECT_FALSE(m_port.open(errorNumber, errorText));
    EXPECT_EQ(errorNumber, 3) << "OpenError";
    EXPECT_FALSE(errorText.empty());
    EXPECT_TRUE(m_port.isOpen());
    m_port.write("AT\r");
    EXPECT_EQ(readUntil(m_port, "OK\r\n"), QByteArray("AT\r\r\nOK\r\n"));

    m_port.close();
    EXPECT_EQ(held.send("AT\r").result, ExchangeResult::Answered);
}

TEST_F(SerialPortTest, DeviceVanishedMidExchangeIsUnansweredWithoutSpinning)
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ttyUsb"));
    startSim({QStringLiteral("--kind"), QStringLiteral("1"), QStringLiteral("--number"),
              QStringLiteral("0312345678"), QStringLiteral("--link"), link});
    ASSERT_TRUE(m_sim.okAll({QStringLiteral("slow 300")}));
    Link l(link);

    // Unplugged once the answer is on its way.
    bool unplugged = false;
    l.counting.beforeWait = [&] {
        if (!unplugged && l.counting.reads > 0) {
            unplugged = true;
            ASSERT_TRUE(m_sim.ok(QStringLiteral("vanish")));
        }
    };
    const Exchange e = l.send("at$a\r");
    ASSERT_TRUE(unplugged);
    EXPECT_EQ(e.result, ExchangeResult::Unanswered);
    EXPECT_EQ(e.lcnt, SerialLink::MaxPoll + 1);
    EXPECT_THAT(e.reply.constData(), StartsWith("a"));
    EXPECT_THAT(e.reply.constData(), Not(HasSubstr("OK")));
    EXPECT_LT(e.waits, e.reads + 5);
    EXPECT_LT(e.wakeUps, e.reads + 50) << "the wait must sleep once the device has gone";
    EXPECT_FALSE(l.port.isOpen());
    ASSERT_TRUE(m_sim.waitForExit());

    // The link went with the device: the next exchange asks 停止 or 終了.
    EXPECT_EQ(l.send("at$a\r").result, ExchangeResult::StopMonitoring);
    EXPECT_THAT(l.log().toStdString(), HasSubstr("ｴﾗｰ番号["));
}

} // namespace
