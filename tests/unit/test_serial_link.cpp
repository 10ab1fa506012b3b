// The command exchange on a scripted port: answers, silence, the third
// unanswered exchange and a port that cannot be opened.
#include "ControllerRig.h"

#include <deque>
#include <gtest/gtest.h>

namespace {

struct Exchange : ControllerRig {
    std::int16_t send(const QString &command = QStringLiteral("AT\\L1\r"))
    {
        QString reply = QStringLiteral("stale");
        std::int16_t result = 99;
        c.link().SendCommand(command, reply, result);
        lastReply = reply;
        return result;
    }
    QString log() const { return folder.readText(QStringLiteral("Nubrel.log")); }
    QString lastReply;
};

} // namespace

TEST(SendCommand, AnsweredWhenOkArrivesAnywhereInTheReply)
{
    struct Case {
        std::vector<QByteArray> chunks;
        std::int16_t result;
        const char16_t *reply;
    } cases[] = {
        {{"AT\\L1\r\r\nOK\r\n"}, 0, u"AT\\L1\r\r\nOK\r\n"},
        {{"AT\\L1\r\r\nO", "K\r\n"}, 0, u"AT\\L1\r\r\nOK\r\n"}, // in two pieces
        {{"xxOKyy"}, 0, u"xxOKyy"},                             // inside other text
        {{"ok\r\n"}, 1, u"ok\r\n"},                             // lower case does not count
        {{"ERROR\r\n"}, 1, u"ERROR\r\n"},
        {{}, 1, u""},                   // silent
        {{"\x82\x4F", "K"}, 1, u"０K"}, // "０" then "K": the trail byte is no "O"
    };
    for (const Case &cs : cases) {
        Exchange x;
        x.p.port.answer(cs.chunks);
        EXPECT_EQ(x.send(), cs.result);
        EXPECT_EQ(x.p.port.m_written, QList<QByteArray>{"AT\\L1\r"});
        EXPECT_EQ(x.p.port.m_discards, 1);
        EXPECT_FALSE(x.p.port.isOpen()) << "the port is closed after every exchange";
        EXPECT_EQ(x.lastReply, QString::fromUtf16(cs.reply));
        if (cs.result == 1) {
            EXPECT_EQ(x.c.link().lastLcnt(), SerialLink::MaxPoll + 1);
        }
        EXPECT_FALSE(x.folder.exists(QStringLiteral("Nubrel.log")));
        EXPECT_TRUE(x.p.prompts.m_messages.empty());
    }
}

TEST(SendCommand, WaitsOnlyWhileNothingArrivedAndCountsItsPolls)
{
    Exchange x;
    x.p.port.silent();
    EXPECT_EQ(x.send(), 1);
    EXPECT_EQ(x.p.port.m_waits, 1) << "one wait, asleep until the deadline";
    EXPECT_EQ(x.c.link().lastLcnt(), SerialLink::MaxPoll + 1);

    Exchange y;
    y.p.port.answer({"AT", "\r\r\n", "OK"});
    EXPECT_EQ(y.send(), 0);
    EXPECT_EQ(y.c.link().lastLcnt(), 2);
    EXPECT_EQ(y.p.port.m_waits, 0);

    // The answer comes while the exchange waits: each wake-up is a poll.
    Exchange z;
    z.p.port.silent();
    std::deque<QByteArray> later{"AT\\L1\r", "\r\nO", "K\r\n"};
    z.p.port.m_onWait = [&] {
        if (!later.empty()) {
            z.p.port.m_incoming.push_back(later.front());
            later.pop_front();
        }
    };
    EXPECT_EQ(z.send(), 0);
    EXPECT_EQ(z.p.port.m_waits, 3);
    EXPECT_EQ(z.c.link().lastLcnt(), 5);
    EXPECT_EQ(z.lastReply, QStringLiteral("AT\\L1\r\r\nOK\r\n"));

    // Junk that never ends is no answer: the deadline holds while input flows.
    Exchange j;
    j.p.port.silent();
    j.p.port.m_onWait = [&] {
        for (int i = 0; i < 3; ++i)
            j.p.port.m_incoming.push_back(QByteArray(64, 'x'));
    };
    j.p.port.m_onRead = [&] { j.p.port.m_incoming.push_back(QByteArray(64, 'x')); };
    EXPECT_EQ(j.send(), 1);
    EXPECT_EQ(j.c.link().lastLcnt(), SerialLink::MaxPoll + 1);
}

TEST(SendCommand, ThirdUnansweredExchangeIsLoggedAndReported)
{
    Exchange x;
    x.p.port.silent();
    x.p.port.answer({"ERROR\r\n"});
    x.p.port.answer({"AT\\L1\r\r\n", "ERROR\r\n"});
    EXPECT_EQ(x.send(), 1);
    EXPECT_EQ(x.s.iTry, 1);
    EXPECT_EQ(x.send(), 1);
    EXPECT_EQ(x.s.iTry, 2);
    EXPECT_FALSE(x.folder.exists(QStringLiteral("Nubrel.log")));
    EXPECT_TRUE(x.p.prompts.m_messages.empty());

    EXPECT_EQ(x.send(), -1);
    EXPECT_EQ(x.s.iTry, 3) << "not reset by the failure";
    EXPECT_EQ(x.log(),
              QStringLiteral("2026/12/07 09:05:03 Nubrel     [iTry=[3]lcnt=[10001]F=[AT\\L1\r\r\n"
                             "ERROR\r\n]]\r\n"));
    ASSERT_EQ(x.p.prompts.m_messages.size(), 1u);
    EXPECT_EQ(x.p.prompts.m_messages[0].text,
              QStringLiteral("ＶＯＲＤＥＫにて、\r受信できません。COM 2の設定を確認して、再起動して"
                             "ください。"));
    EXPECT_EQ(x.p.prompts.m_messages[0].title, QStringLiteral("VORDEK"));
    EXPECT_EQ(x.p.prompts.m_messages[0].icon, MessageIcon::Exclamation);
}

TEST(SendCommand, AnAnswerResetsTheCountOfUnansweredExchanges)
{
    Exchange x;
    x.p.port.silent();
    x.p.port.silent();
    x.p.port.answer({"OK"});
    x.p.port.silent();
    x.p.port.silent();
    EXPECT_EQ(x.send(), 1);
    EXPECT_EQ(x.send(), 1);
    EXPECT_EQ(x.send(), 0);
    EXPECT_EQ(x.s.iTry, 0);
    EXPECT_EQ(x.send(), 1);
    EXPECT_EQ(x.send(), 1);
    EXPECT_FALSE(x.folder.exists(QStringLiteral("Nubrel.log")));
}

TEST(SendCommand, PortThatCannotBeOpenedAsksStopOrExit)
{
    for (const bool exitChosen : {true, false}) {
        Exchange x;
        x.p.port.m_openFails = true;
        x.p.view.m_title = QStringLiteral("0312345678");
        x.p.prompts.m_answers.push_back(exitChosen);
        EXPECT_EQ(x.send(), exitChosen ? -1 : -2);
        EXPECT_TRUE(x.p.port.m_written.isEmpty()) << "nothing is sent";
        EXPECT_EQ(x.s.iTry, 1);
        EXPECT_EQ(x.log(),
                  QStringLiteral("2026/12/07 09:05:03 Nubrel     [ｴﾗｰ番号[2]Permission error "
                                 "while locking the device]\r\n"));
        ASSERT_EQ(x.p.prompts.m_questions.size(), 1u);
        EXPECT_EQ(x.p.prompts.m_questions[0].title, QStringLiteral("0312345678"));
        EXPECT_EQ(x.p.prompts.m_questions[0].message,
                  QStringLiteral("COM 2は使用できません。別のﾎﾟｰﾄに設定してください。"));
    }
}

TEST(SendCommand, FailedOpenCountsTowardsTheThirdUnansweredExchange)
{
    Exchange x;
    x.p.port.m_openFails = true;
    EXPECT_EQ(x.send(), -2);
    x.p.port.m_openFails = false;
    x.p.port.silent();
    x.p.port.silent();
    EXPECT_EQ(x.send(), 1);
    EXPECT_EQ(x.send(), -1) << "iTry reached 3";
    EXPECT_EQ(x.p.prompts.m_messages.size(), 1u);
}

TEST(SendCommand, MessagesNameTheConfiguredPortEvenWhenAnotherIsUsed)
{
    struct Case {
        std::int16_t comPort;
        const char *device;
        const char *shown;
    } cases[] = {
        {0, "/dev/ttyS1", "COM 0"}, {-3, "/dev/ttyS1", "COM-3"}, {4, "/dev/ttyS3", "COM 4"}};
    for (const Case &cs : cases) {
        Exchange x;
        x.s.ComPort = cs.comPort;
        x.c.link().ApplyCommPort();
        EXPECT_EQ(x.p.port.m_device, QString::fromLatin1(cs.device));
        x.p.port.m_openFails = true;
        x.send();
        EXPECT_TRUE(x.p.prompts.m_questions.at(0).message.startsWith(QString::fromLatin1(cs.shown) +
                                                                     QStringLiteral("は")))
            << cs.comPort;
    }
}

TEST(ApplyComm, PortsSectionNamesTheDeviceAndBadValuesKeepTheOldSettings)
{
    Exchange x;
    x.folder.writeIni(QStringLiteral("[PORTS]\ncom2=/dev/ttyUSB0\n"));
    x.s.ComPort = 2;
    x.c.link().ApplyCommPort();
    EXPECT_EQ(x.p.port.m_device, QStringLiteral("/dev/ttyUSB0"));
    x.s.ComPort = 3;
    x.c.link().ApplyCommPort();
    EXPECT_EQ(x.p.port.m_device, QStringLiteral("/dev/ttyS2"));

    // A mapping mended while monitoring is stopped holds at the next exchange.
    x.folder.writeIni(QStringLiteral("[PORTS]\nCOM3=/dev/ttyACM0\n"));
    x.p.port.silent();
    x.send();
    EXPECT_EQ(x.p.port.m_device, QStringLiteral("/dev/ttyACM0"));

    struct Case {
        const char *speed;
        const char *settings;
    } cases[] = {{" 19200 ", "19200,N,8,1"},
                 {"", "9600,N,8,1"},
                 {"abc", "9600,N,8,1"},
                 {"9600", "9600,N,8,1"},
                 {"7200", "7200,N,8,1"}};
    for (const Case &cs : cases) {
        x.s.ComSpeed = QString::fromLatin1(cs.speed);
        x.c.link().ApplyCommSettings();
        EXPECT_EQ(x.p.port.m_settings, QString::fromLatin1(cs.settings)) << cs.speed;
    }
    // A speed the port refuses: it keeps what it had, and the exchanges go on.
    x.p.port.m_refuseSettings = true;
    x.s.ComSpeed = QStringLiteral("1200");
    x.c.link().ApplyCommSettings();
    EXPECT_EQ(x.p.port.m_settings, QStringLiteral("7200,N,8,1"));
    x.p.port.answer({"OK"});
    EXPECT_EQ(x.send(), 0);
    EXPECT_EQ(x.p.port.m_written.constLast(), QByteArray("AT\\L1\r"));
    EXPECT_FALSE(x.folder.exists(QStringLiteral("Nubrel.log")));
    EXPECT_TRUE(x.p.prompts.m_messages.empty());
}
