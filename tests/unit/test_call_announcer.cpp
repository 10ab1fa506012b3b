// Names from the phonebook on a call, and each new call passed on: the desktop
// notification and the ONCALL program, as section OPTIONS asks.
#include "ControllerRig.h"
#include "platform/Cp932.h"

#include "TestText.h"
#include "text/Text.h"

#include <gtest/gtest.h>

namespace {

const std::string Kind0Prefix = "AT\\L1\r\r\nRECEIVE CALLING PARTY = ";

struct Calls : ControllerRig {
    explicit Calls(const std::u16string &options = std::u16string())
    {
        folder.writeIni(u"[ENV]\nCOMPORT=2\n"s + options);
        folder.writeBytes(u"電話帳.csv"s, Cp932::encode(u"0312345678,<b>山田</b> & 太郎\r\n"s));
        c.Form_Load();
    }
    // One tick whose answer is `number`, or no number at all.
    void call(const char *number)
    {
        p.port.answer({number ? Kind0Prefix + number + "/1207\r\n\r\nOK\r\n"
                              : std::string("AT\\L1\r\r\nOK\r\n")});
        c.TimForm_Timer();
    }
    std::vector<std::u16string> startedWith(std::size_t i) const
    {
        return p.launcher.m_running.at(i).arguments;
    }
};

} // namespace

TEST(CallAnnouncer, TheNameGoesWhereTheNumberGoes)
{
    Calls r;
    r.call("0312345678");
    EXPECT_EQ(r.s.LastName, u"<b>山田</b> & 太郎"s);
    EXPECT_EQ(r.p.tray.m_calls.back().data.nameLine, r.s.LastName);
    EXPECT_EQ(r.p.view.m_title, u"0312345678"s) << "the title keeps the number";

    r.call("0452223333");
    EXPECT_TRUE(r.s.LastName.empty()) << "an unknown number has no name";
    r.call("0312345678");
    r.c.mnuTask_Click();
    EXPECT_EQ(r.p.tray.m_calls.back().data.nameLine, r.s.LastName) << "and into the tray with it";
    EXPECT_TRUE(r.p.notifier.m_shown.empty()) << "no OPTIONS, nothing passed on";
    EXPECT_EQ(r.p.launcher.m_starts, 0);
    EXPECT_EQ(r.folder.readText(u"着信履歴.TXT"s), u"2026/12/07,09:05:03,0452223333\r\n"
                                                   "2026/12/07,09:05:03,0312345678\r\n"s)
        << "the history is as it was";
}

TEST(CallAnnouncer, NotifiesAndStartsTheCommandForTheCallsTheHistoryGets)
{
    Calls r(u"HISTTXT=1\n[OPTIONS]\nNOTIFY=1\nONCALL=\"bin/on call\"\n"s);
    r.call("0312345678");
    EXPECT_TRUE(r.p.notifier.m_shown.empty()) << "the number there before start-up";
    EXPECT_EQ(r.p.launcher.m_starts, 0);

    r.call(nullptr);
    r.call("0312345678");
    const std::vector<std::pair<std::u16string, std::u16string>> shown{
        {u"非通知"s, std::u16string()}, {u"0312345678"s, u"<b>山田</b> & 太郎"s}};
    EXPECT_EQ(r.p.notifier.m_shown, shown);
    ASSERT_EQ(r.p.launcher.m_running.size(), 2u);
    EXPECT_EQ(r.p.launcher.m_running.front().program, r.folder.file(u"bin/on call"s))
        << "a relative path is the program folder's";
    EXPECT_EQ(r.startedWith(0), std::vector<std::u16string>({u"2026/12/07"s, u"09:05:03"s,
                                                             u"99999999999"s, std::u16string()}));
    EXPECT_EQ(r.startedWith(1),
              std::vector<std::u16string>(
                  {u"2026/12/07"s, u"09:05:03"s, u"0312345678"s, u"<b>山田</b> & 太郎"s}));
    EXPECT_FALSE(r.folder.exists(u"着信履歴.TXT"s)) << "with the history off";

    r.s.BaselineRead = false; // Start again: the first number is the baseline
    r.call("0452223333");
    EXPECT_EQ(r.p.notifier.m_shown.size(), 2);
}

TEST(CallAnnouncer, OptionsAreReadAtEachCall)
{
    Calls r(u"[OPTIONS]\nNOTIFY=2\nONCALL=\n"s);
    r.call(nullptr);
    r.call("0312345678");
    EXPECT_TRUE(r.p.notifier.m_shown.empty()) << "only 1 switches the notification on";
    EXPECT_EQ(r.p.launcher.m_starts, 0);

    r.folder.writeIni(u"[OPTIONS]\nNOTIFY= 1 \nONCALL=notify-me\n"s);
    r.call(nullptr);
    EXPECT_EQ(r.p.notifier.m_shown.size(), 1);
    ASSERT_EQ(r.p.launcher.m_running.size(), 1u);
    EXPECT_EQ(r.p.launcher.m_running.front().program, u"notify-me"s) << "found on PATH";
}

TEST(CallAnnouncer, NoMoreThanFourCommandsAndAFailureLoggedOnce)
{
    Calls r(u"[OPTIONS]\nONCALL=/opt/hook\n"s);
    r.call("0312345678");
    for (const char *number : {"01", "02", "03", "04", "05", "06"})
        r.call(number);
    EXPECT_EQ(r.p.launcher.m_starts, 4) << "the fifth and sixth calls are skipped";
    r.p.launcher.endOldest();
    r.call("07");
    EXPECT_EQ(r.p.launcher.m_starts, 5);
    EXPECT_EQ(r.startedWith(3).at(2), u"07"s);
    while (!r.p.launcher.m_running.empty())
        r.p.launcher.endOldest();

    r.p.launcher.m_succeeds = false;
    r.call("08");
    r.call("09");
    const std::u16string log = r.folder.readText(u"Nubrel.log"s);
    EXPECT_EQ(log, u"2026/12/07 09:05:03 ONCALL     "
                   "[着信時のコマンドを起動できません。/opt/hook]\r\n"s);
    r.p.launcher.m_succeeds = true;
    r.call("10");
    EXPECT_EQ(r.p.launcher.m_running.size(), 1u) << "a failed start holds no place";
}
