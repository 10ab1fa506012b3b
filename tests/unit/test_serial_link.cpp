// The command exchange on a scripted port: answers, silence, the third
// unanswered exchange and a port that cannot be opened.
#include "ControllerRig.h"

#include "TestText.h"
#include "text/Text.h"
#include <deque>

#include <gtest/gtest.h>

namespace {

struct Exchange : ControllerRig {
    std::int16_t send(const std::u16string &command = u"AT\\L1\r"s)
    {
        std::u16string reply = u"stale"s;
        std::int16_t result = 99;
        c.link().SendCommand(command, reply, result);
        lastReply = reply;
        return result;
    }
    std::u16string log() const { return folder.readText(u"Nubrel.log"s); }
    std::u16string lastReply;
};

} // namespace

TEST(SendCommand, AnsweredWhenOkArrivesAnywhereInTheReply)
{
    struct Case {
        std::vector<std::string> chunks;
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
        EXPECT_EQ(x.p.port.m_written, std::vector<std::string>{"AT\\L1\r"});
        EXPECT_EQ(x.p.port.m_discards, 1);
        EXPECT_FALSE(x.p.port.isOpen()) << "the port is closed after every exchange";
        EXPECT_EQ(x.lastReply, std::u16string(cs.reply));
        if (cs.result == 1) {
            EXPECT_EQ(x.c.link().lastLcnt(), SerialLink::MaxPoll + 1);
        }
        EXPECT_FALSE(x.folder.exists(u"Nubrel.log"s));
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
    std::deque<std::string> later{"AT\\L1\r", "\r\nO", "K\r\n"};
    z.p.port.m_onWait = [&] {
        if (!later.empty()) {
            z.p.port.m_incoming.push_back(later.front());
            later.pop_front();
        }
    };
    EXPECT_EQ(z.send(), 0);
    EXPECT_EQ(z.p.port.m_waits, 3);
    EXPECT_EQ(z.c.link().lastLcnt(), 5);
    EXPECT_EQ(z.lastReply, u"AT\\L1\r\r\nOK\r\n"s);

    // Junk that never ends is no answer: the deadline holds while input flows.
    Exchange j;
    j.p.port.silent();
    j.p.port.m_onWait = [&] {
        for (int i = 0; i < 3; ++i)
            j.p.port.m_incoming.push_back(std::string(64, 'x'));
    };
    j.p.port.m_onRead = [&] { j.p.port.m_incoming.push_back(std::string(64, 'x')); };
    EXPECT_EQ(j.send(), 1);
    EXPECT_EQ(j.c.link().lastLcnt(), SerialLink::MaxPoll + 1);
    EXPECT_LE(j.lastReply.size(), SerialLink::MaxReplyBytes + 64) << "the flood is not all kept";

    // An answer that begins in the read that passes the limit is kept whole.
    Exchange f;
    f.p.port.answer({std::string(SerialLink::MaxReplyBytes, 'x') + "\r\nRECEIVE CALLING PARTY = 06",
                     "69998888\r\nOK\r\n"});
    EXPECT_EQ(f.send(), 0);
    EXPECT_TRUE(f.lastReply.ends_with(u"RECEIVE CALLING PARTY = 0669998888\r\nOK\r\n"s));
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
    EXPECT_FALSE(x.folder.exists(u"Nubrel.log"s));
    EXPECT_TRUE(x.p.prompts.m_messages.empty());

    EXPECT_EQ(x.send(), -1);
    EXPECT_EQ(x.s.iTry, 3) << "not reset by the failure";
    EXPECT_EQ(x.log(), u"2026/12/07 09:05:03 Nubrel     [iTry=[3]lcnt=[10001]F=[AT\\L1\r\r\n"
                       "ERROR\r\n]]\r\n"s);
    ASSERT_EQ(x.p.prompts.m_messages.size(), 1u);
    EXPECT_EQ(x.p.prompts.m_messages[0].text,
              u"ＶＯＲＤＥＫにて、\r受信できません。COM 2の設定を確認して、再起動して"
              "ください。"s);
    EXPECT_EQ(x.p.prompts.m_messages[0].title, u"VORDEK"s);
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
    EXPECT_FALSE(x.folder.exists(u"Nubrel.log"s));
}

TEST(SendCommand, PortThatCannotBeOpenedAsksStopOrExit)
{
    for (const bool exitChosen : {true, false}) {
        Exchange x;
        x.p.port.m_openFails = true;
        x.p.view.m_title = u"0312345678"s;
        x.p.prompts.m_answers.push_back(exitChosen);
        EXPECT_EQ(x.send(), exitChosen ? -1 : -2);
        EXPECT_TRUE(x.p.port.m_written.empty()) << "nothing is sent";
        EXPECT_EQ(x.s.iTry, 1);
        EXPECT_EQ(x.log(), u"2026/12/07 09:05:03 Nubrel     [ｴﾗｰ番号[2]Permission error "
                           "while locking the device]\r\n"s);
        ASSERT_EQ(x.p.prompts.m_questions.size(), 1u);
        EXPECT_EQ(x.p.prompts.m_questions[0].title, u"0312345678"s);
        EXPECT_EQ(x.p.prompts.m_questions[0].message,
                  u"COM 2は使用できません。別のﾎﾟｰﾄに設定してください。"s);
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
        int opened;
        const char *shown;
    } cases[] = {{0, 2, "COM 0"}, {-3, 2, "COM-3"}, {4, 4, "COM 4"}};
    for (const Case &cs : cases) {
        Exchange x;
        x.s.ComPort = cs.comPort;
        x.c.link().ApplyCommPort();
        EXPECT_EQ(x.p.port.m_device, deviceOf(cs.opened));
        x.p.port.m_openFails = true;
        x.send();
        EXPECT_TRUE(
            x.p.prompts.m_questions.at(0).message.starts_with(Text::fromLatin1(cs.shown) + u"は"s))
            << cs.comPort;
    }
}

TEST(ApplyComm, PortsSectionNamesTheDeviceAndBadValuesKeepTheOldSettings)
{
    // The port names the device; the link hands it the [PORTS] line of the
    // applied port, without its blanks.
    Exchange x;
    x.folder.writeIni(u"[PORTS]\ncom2=  /dev/ttyUSB0  \n"s);
    x.s.ComPort = 0;
    x.c.link().ApplyCommPort();
    EXPECT_EQ(x.p.port.m_device, deviceOf(2, u"/dev/ttyUSB0"s));
    EXPECT_EQ(x.p.port.m_mappingAsked, std::vector<std::u16string>{u"COM2"s});
    x.s.ComPort = 3;
    x.c.link().ApplyCommPort();
    EXPECT_EQ(x.p.port.m_device, deviceOf(3));

    // A mapping mended while monitoring is stopped holds at the next exchange.
    x.folder.writeIni(u"[PORTS]\nCOM3=/dev/ttyACM0\n"s);
    x.p.port.silent();
    x.send();
    EXPECT_EQ(x.p.port.m_device, deviceOf(3, u"/dev/ttyACM0"s));
    EXPECT_EQ(x.p.port.m_mappingAsked.back(), u"COM3"s);

    struct Case {
        const char *speed;
        const char *settings;
    } cases[] = {{" 19200 ", "19200,N,8,1"},
                 {"", "9600,N,8,1"},
                 {"abc", "9600,N,8,1"},
                 {"9600", "9600,N,8,1"},
                 {"7200", "7200,N,8,1"}};
    for (const Case &cs : cases) {
        x.s.ComSpeed = Text::fromLatin1(cs.speed);
        x.c.link().ApplyCommSettings();
        EXPECT_EQ(x.p.port.m_settings, Text::fromLatin1(cs.settings)) << cs.speed;
    }
    // A speed the port refuses: it keeps what it had, and the exchanges go on.
    x.p.port.m_refuseSettings = true;
    x.s.ComSpeed = u"1200"s;
    x.c.link().ApplyCommSettings();
    EXPECT_EQ(x.p.port.m_settings, u"7200,N,8,1"s);
    x.p.port.answer({"OK"});
    EXPECT_EQ(x.send(), 0);
    EXPECT_EQ(x.p.port.m_written.back(), "AT\\L1\r");
    EXPECT_FALSE(x.folder.exists(u"Nubrel.log"s));
    EXPECT_TRUE(x.p.prompts.m_messages.empty());
}
