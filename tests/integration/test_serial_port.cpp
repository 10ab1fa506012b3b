// The real serial layer against the simulated device on a pseudo-terminal.
#include "ModemSim.h"
#include "link/ReplyParsers.h"
#include "platform/qt/QtSerialPort.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gmock/gmock.h>

#include <cstdint>
#include <ctime>
#include <iostream>

#include <sys/resource.h>

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

// Polls of one exchange, as the program makes them, and the pause of each.
constexpr int ExchangePolls = 10001;
constexpr int PausePerPoll = 300;

struct Exchange {
    QByteArray reply;
    int reads = 0;
    int polls = 0;
};

// Sends the command and collects the reply as the program's exchange does: one
// pass of the event loop per poll, read whatever waits, otherwise wait briefly.
// Stops once `until` has arrived.
Exchange exchange(QtSerialPort &port, const QByteArray &command, const QByteArray &until,
                  int maxPolls = ExchangePolls)
{
    Exchange e;
    port.discardInput();
    port.write(command);
    for (; e.polls < maxPolls; ++e.polls) {
        QCoreApplication::processEvents();
        if (port.waitingInput() > 0) {
            e.reply += port.readAll();
            ++e.reads;
            if (e.reply.contains(until))
                break;
        } else {
            port.waitForInput(PausePerPoll);
        }
    }
    return e;
}

// The time of the call in a reply ("/MMDDhhmm") as a fixed mark.
std::string withoutCallTime(const QByteArray &reply)
{
    static const QRegularExpression callTime(QStringLiteral("/[0-9]{8}\r"));
    return QString::fromLatin1(reply).replace(callTime, QStringLiteral("/<time>\r")).toStdString();
}

// Times the waits sleep: a wait that returns at once without sleeping does not count.
// A wait preempted just before it would have slept is not counted either, so a busy
// machine loses a few; a wait that spins loses them all.
long sleepsSoFar()
{
#ifdef Q_OS_LINUX
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
#else
    return 0;
#endif
}

// The sleeps expected of that many waits, allowing for the few a busy machine loses.
constexpr long mostOf(long waits)
{
    return waits * 9 / 10;
}

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// The part of the process's CPU time spent in the kernel.
double kernelSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_stime.tv_usec) / 1e6;
}

class SerialPortTest : public ::testing::Test {
protected:
    void startSim(const QStringList &arguments = {})
    {
        ASSERT_TRUE(m_sim.start(arguments)) << m_sim.errorOutput().constData();
    }
    void openOn(QtSerialPort &port, const QString &device)
    {
        ASSERT_TRUE(port.selectPort(device));
        int errorNumber = 0;
        QString errorText;
        ASSERT_TRUE(port.open(errorNumber, errorText))
            << errorNumber << " " << errorText.toStdString();
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

TEST_F(SerialPortTest, OpensByDevicePathAndBySymlink)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("ttyNubrel"));
    startSim({QStringLiteral("--link"), link});

    for (const QString &device : {m_sim.devicePath(), link}) {
        SCOPED_TRACE(device.toStdString());
        openOn(m_port, device);
        // Opened only for the exchange, twice in a row, as the program does.
        for (int round = 0; round < 2; ++round) {
            EXPECT_EQ(exchange(m_port, "AT\r", "OK\r\n").reply, QByteArray("AT\r\r\nOK\r\n"));
        }
        m_port.close();
        EXPECT_FALSE(m_port.isOpen());
        openOn(m_port, device);
        EXPECT_EQ(exchange(m_port, "AT\r", "OK\r\n").reply, QByteArray("AT\r\r\nOK\r\n"));
        m_port.close();
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
         "AT\\L1\r\r\nRECEIVE CALLING PARTY = 0312345678/<time>\r\nOK\r\n", "0312345678", 0},
        {"0", "withheld", "AT\\L1\r", "AT\\L1\r\r\nRECEIVE CALLING PARTY = P/<time>\r\nOK\r\n", "P",
         0},
        {"0", "clear", "AT\\L1\r", "AT\\L1\r\r\nOK\r\n", "", 0},
        {"1", "call 09012345678", "at$a\r", "at$a\r\r\n001 09012345678/<time>\r\nOK\r\n",
         "09012345678", 1},
        {"1", "withheld", "at$a\r", "at$a\r\r\n001 P/<time>\r\nOK\r\n", "P", 1},
        {"1", "clear", "at$a\r", "at$a\r\r\nNO DATA\r\nOK\r\n", "NONE", -1},
        // Commands of the other kind and the initialisation are only acknowledged.
        {"1", "call 0312345678", "AT$i10 = 1\r", "AT$i10 = 1\r\r\nOK\r\n", "", 0},
        {"1", "call 0312345678", "AT\\L1\r", "AT\\L1\r\r\nOK\r\n", "", 0},
        {"0", "call 0312345678", "at$a\r", "at$a\r\r\nOK\r\n", "", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string("kind ") + c.kind + ", " + c.setUp + ", " +
                     c.command.toStdString());
        ModemSim sim{QStringLiteral(NUBREL_MODEMSIM)};
        ASSERT_TRUE(sim.start({QStringLiteral("--kind"), QString::fromLatin1(c.kind)}));
        ASSERT_TRUE(sim.ok(QString::fromLatin1(c.setUp)));
        QtSerialPort port;
        openOn(port, sim.devicePath());
        const Exchange e = exchange(port, c.command, "OK\r\n");
        port.close();
        EXPECT_EQ(withoutCallTime(e.reply), c.reply);

        const QString reply = QString::fromLatin1(e.reply);
        QString number;
        if (c.command == "AT\\L1\r" && c.kind[0] == '0') {
            ReplyParsers::ParseCallingPartyReply(reply, number);
            EXPECT_EQ(number.toStdString(), c.number);
        } else if (c.command == "at$a\r" && c.kind[0] == '1') {
            bool changed = false;
            std::int32_t lastCallNo = -2;
            ReplyParsers::ParseNumberReply(reply, number, changed, lastCallNo);
            EXPECT_EQ(number.toStdString(), c.number);
            EXPECT_EQ(lastCallNo, c.callIndex);
        }
    }
}

TEST_F(SerialPortTest, CallIndexCountsEveryCallAndWrapsAfter999)
{
    startSim({QStringLiteral("--kind"), QStringLiteral("1"), QStringLiteral("--number"),
              QStringLiteral("0312345678")});
    openOn(m_port, m_sim.devicePath());
    std::int32_t lastCallNo = -2;
    auto poll = [&](bool &changed) {
        QString number;
        ReplyParsers::ParseNumberReply(
            QString::fromLatin1(exchange(m_port, "at$a\r", "OK\r\n").reply), number, changed,
            lastCallNo);
        return number.toStdString();
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

TEST_F(SerialPortTest, ReplyInPiecesIsAssembled)
{
    startSim({QStringLiteral("--kind"), QStringLiteral("1"), QStringLiteral("--number"),
              QStringLiteral("0312345678")});
    openOn(m_port, m_sim.devicePath());
    const Exchange whole = exchange(m_port, "at$a\r", "OK\r\n");
    ASSERT_THAT(whole.reply.constData(), HasSubstr("001 0312345678/"));

    for (const char *pacing : {"pieces on", "slow 1200"}) {
        SCOPED_TRACE(pacing);
        ASSERT_TRUE(m_sim.okAll(
            {QStringLiteral("pieces off"), QStringLiteral("slow 0"), QString::fromLatin1(pacing)}));
        const Exchange pieces = exchange(m_port, "at$a\r", "OK\r\n");
        EXPECT_EQ(pieces.reply, whole.reply);
        EXPECT_GT(pieces.reads, 2);
    }
    m_port.close();
}

TEST_F(SerialPortTest, SilentDeviceGivesNothingAndTheWaitSleeps)
{
    startSim({QStringLiteral("--number"), QStringLiteral("0312345678")});
    ASSERT_TRUE(m_sim.ok(QStringLiteral("silent 1")));
    openOn(m_port, m_sim.devicePath());

    QElapsedTimer wall;
    const double cpuBefore = cpuSeconds();
    const double kernelBefore = kernelSeconds();
    const long sleepsBefore = sleepsSoFar();
    wall.start();
    const Exchange silent = exchange(m_port, "AT\\L1\r", "OK");
    const qint64 wallMs = wall.elapsed();
    const double cpuMs = (cpuSeconds() - cpuBefore) * 1000.0;
    const double kernelMs = (kernelSeconds() - kernelBefore) * 1000.0;
    const long sleeps = sleepsSoFar() - sleepsBefore;

    std::cout << "[ measure  ] " << ExchangePolls << " polls against a silent device: wall "
              << wallMs << " ms, process CPU " << cpuMs << " ms (" << kernelMs
              << " ms in the kernel), " << sleeps << " sleeps" << std::endl;
    RecordProperty("silent_wall_ms", static_cast<int>(wallMs));
    RecordProperty("silent_cpu_ms", static_cast<int>(cpuMs));

    EXPECT_EQ(silent.reply, QByteArray()) << "not even the echo";
    EXPECT_EQ(silent.polls, ExchangePolls);
#ifdef Q_OS_LINUX
    EXPECT_GE(sleeps, mostOf(ExchangePolls)) << "every empty poll must sleep, not spin";
#endif
    // The silence was for one command only.
    EXPECT_EQ(exchange(m_port, "AT\r", "OK\r\n").reply, QByteArray("AT\r\r\nOK\r\n"));
    m_port.close();
}

TEST_F(SerialPortTest, ErrorReplyHasNoOk)
{
    startSim({QStringLiteral("--number"), QStringLiteral("0312345678")});
    ASSERT_TRUE(m_sim.ok(QStringLiteral("error 2")));
    openOn(m_port, m_sim.devicePath());
    for (const QByteArray &command : {QByteArray("AT\\L1\r"), QByteArray("AT$i10 = 1\r")}) {
        const Exchange e = exchange(m_port, command, "ERROR\r\n");
        EXPECT_EQ(e.reply, command + "\r\nERROR\r\n");
        EXPECT_THAT(e.reply.constData(), Not(HasSubstr("OK")));
    }
    EXPECT_THAT(exchange(m_port, "AT\\L1\r", "OK\r\n").reply.constData(),
                HasSubstr("RECEIVE CALLING PARTY = 0312345678/"));
    m_port.close();
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
            for (int i = 0; i < 1000 && m_port.waitingInput() < 10; ++i) {
                QCoreApplication::processEvents();
                m_port.waitForInput(PausePerPoll);
            }
            ASSERT_EQ(m_port.waitingInput(), 10);
        }
        m_port.discardInput();
        EXPECT_EQ(m_port.waitingInput(), 0);
        EXPECT_EQ(exchange(m_port, "ATE1\r", "OK\r\n").reply, QByteArray("ATE1\r\r\nOK\r\n"));
    }
    m_port.close();
}

TEST_F(SerialPortTest, LineSettingsTakeEffectAtTheNextOpen)
{
    startSim();
    ASSERT_TRUE(m_port.selectPort(m_sim.devicePath()));
    ASSERT_TRUE(m_port.setLineSettings(QStringLiteral("19200,N,8,1")));
    const std::string at19200 = "speed 19200 stop 1";

    // Not rates the serial driver has, or not plain positive integers.
    for (const char *refused :
         {"7200,N,8,1", "14400,N,8,1", "1,200,N,8,1", "9600.5,N,8,1", "-9600,N,8,1", "+9600,N,8,1",
          " 9600,N,8,1", "0,N,8,1", "99999999999,N,8,1", ",N,8,1", "abc,N,8,1", "9600,X,8,1",
          "9600,N,9,1", "9600,N,8,3", "9600,N,8", "9600", ""}) {
        SCOPED_TRACE(refused);
        EXPECT_FALSE(m_port.setLineSettings(QString::fromLatin1(refused)));
    }
    int errorNumber = 0;
    QString errorText;
    ASSERT_TRUE(m_port.open(errorNumber, errorText));
    EXPECT_EQ(lineSettings(), at19200);

    // Changed while open: the port keeps its settings until it is opened again.
    ASSERT_TRUE(m_port.setLineSettings(QStringLiteral("2400,E,7,2")));
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
        ASSERT_TRUE(m_port.setLineSettings(QString::fromLatin1(settings)));
        ASSERT_TRUE(m_port.open(errorNumber, errorText));
        EXPECT_EQ(lineSettings(), seen);
        EXPECT_EQ(exchange(m_port, "AT\r", "OK\r\n").reply, QByteArray("AT\r\r\nOK\r\n"));
        m_port.close();
    }
}

TEST_F(SerialPortTest, OpenFailsWithNumberAndDescription)
{
    startSim();
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("ttyGone"));

    // An empty name is refused and the port chosen before stays.
    ASSERT_TRUE(m_port.selectPort(missing));
    EXPECT_FALSE(m_port.selectPort(QString()));
    int errorNumber = 0;
    QString errorText;
    EXPECT_FALSE(m_port.open(errorNumber, errorText));
    EXPECT_EQ(errorNumber, 1) << "DeviceNotFoundError";
    EXPECT_FALSE(errorText.isEmpty());
    EXPECT_FALSE(m_port.isOpen());

    openOn(m_port, m_sim.devicePath());

    // Held by another port object: the lock refuses it.
    QtSerialPort other;
    ASSERT_TRUE(other.selectPort(m_sim.devicePath()));
    errorNumber = 0;
    errorText.clear();
    EXPECT_FALSE(other.open(errorNumber, errorText));
    EXPECT_EQ(errorNumber, 2) << "PermissionError";
    EXPECT_FALSE(errorText.isEmpty());
    EXPECT_FALSE(other.isOpen());

    // Opened again while an exchange holds it: refused, and the exchange goes on.
    errorNumber = 0;
    errorText.clear();
    EXPECT_FALSE(m_port.open(errorNumber, errorText));
    EXPECT_EQ(errorNumber, 3) << "OpenError";
    EXPECT_FALSE(errorText.isEmpty());
    EXPECT_TRUE(m_port.isOpen());
    EXPECT_EQ(exchange(m_port, "AT\r", "OK\r\n").reply, QByteArray("AT\r\r\nOK\r\n"));

    m_port.close();
    EXPECT_TRUE(other.open(errorNumber, errorText)) << errorText.toStdString();
    other.close();
}

TEST_F(SerialPortTest, VanishedDeviceNeitherCrashesNorSpins)
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ttyUsb"));
    startSim({QStringLiteral("--kind"), QStringLiteral("1"), QStringLiteral("--number"),
              QStringLiteral("0312345678"), QStringLiteral("--link"), link});
    ASSERT_TRUE(m_sim.ok(QStringLiteral("pieces on")));
    openOn(m_port, link);

    // Unplugged while the answer is on its way.
    const Exchange started = exchange(m_port, "at$a\r", "\r\n0");
    ASSERT_THAT(started.reply.constData(), StartsWith("at$a\r"));
    ASSERT_TRUE(m_sim.ok(QStringLiteral("vanish")));
    ASSERT_TRUE(m_sim.waitForExit());

    constexpr int Polls = 2000;
    QByteArray after;
    const long sleepsBefore = sleepsSoFar();
    QElapsedTimer wall;
    wall.start();
    for (int i = 0; i < Polls; ++i) {
        QCoreApplication::processEvents();
        if (m_port.waitingInput() > 0)
            after += m_port.readAll();
        else
            m_port.waitForInput(PausePerPoll);
    }
    const long sleeps = sleepsSoFar() - sleepsBefore;
    std::cout << "[ measure  ] " << Polls << " polls after the device vanished: wall "
              << wall.elapsed() << " ms, " << sleeps << " sleeps" << std::endl;
    EXPECT_THAT((started.reply + after).constData(), Not(HasSubstr("OK")));
#ifdef Q_OS_LINUX
    EXPECT_GE(sleeps, mostOf(Polls)) << "a vanished device must not make the poll spin";
#endif
    m_port.close();
    EXPECT_FALSE(m_port.isOpen());

    // Closed (or never opened), the port still answers every call harmlessly.
    const long closedBefore = sleepsSoFar();
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(m_port.waitingInput(), 0);
        EXPECT_EQ(m_port.readAll(), QByteArray());
        m_port.discardInput();
        m_port.write("AT\r");
        m_port.waitForInput(PausePerPoll);
    }
#ifdef Q_OS_LINUX
    EXPECT_GE(sleepsSoFar() - closedBefore, mostOf(100));
#endif
    m_port.close();

    // The link went with the device.
    int errorNumber = 0;
    QString errorText;
    EXPECT_FALSE(m_port.open(errorNumber, errorText));
    EXPECT_NE(errorNumber, 0);
    EXPECT_FALSE(errorText.isEmpty());
}

} // namespace
