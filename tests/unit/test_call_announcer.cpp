// Names from the phonebook on a call, and each new call passed on: the desktop
// notification and the ONCALL program, as section OPTIONS asks.
#include "ControllerRig.h"
#include "platform/Cp932.h"

#include <gtest/gtest.h>

namespace {

const QByteArray Kind0Prefix = "AT\\L1\r\r\nRECEIVE CALLING PARTY = ";

struct Calls : ControllerRig {
    explicit Calls(const QString &options = QString())
    {
        folder.writeIni(QStringLiteral("[ENV]\nCOMPORT=2\n") + options);
        folder.writeBytes(QStringLiteral("電話帳.csv"),
                          Cp932::encode(QStringLiteral("0312345678,<b>山田</b> & 太郎\r\n")));
        c.Form_Load();
    }
    // One tick whose answer is `number`, or no number at all.
    void call(const char *number)
    {
        p.port.answer({number ? Kind0Prefix + number + "/1207\r\n\r\nOK\r\n"
                              : QByteArray("AT\\L1\r\r\nOK\r\n")});
        c.TimForm_Timer();
    }
    QStringList startedWith(qsizetype i) const { return p.launcher.m_running.at(i).arguments; }
};

} // namespace

TEST(CallAnnouncer, TheNameGoesWhereTheNumberGoes)
{
    Calls r;
    r.call("0312345678");
    EXPECT_EQ(r.s.LastName, QStringLiteral("<b>山田</b> & 太郎"));
    EXPECT_EQ(r.p.tray.m_calls.back().data.nameLine, r.s.LastName);
    EXPECT_EQ(r.p.view.m_title, QStringLiteral("0312345678")) << "the title keeps the number";

    r.call("0452223333");
    EXPECT_TRUE(r.s.LastName.isEmpty()) << "an unknown number has no name";
    r.call("0312345678");
    r.c.mnuTask_Click();
    EXPECT_EQ(r.p.tray.m_calls.back().data.nameLine, r.s.LastName) << "and into the tray with it";
    EXPECT_TRUE(r.p.notifier.m_shown.isEmpty()) << "no OPTIONS, nothing passed on";
    EXPECT_EQ(r.p.launcher.m_starts, 0);
    EXPECT_EQ(r.folder.readText(QStringLiteral("着信履歴.TXT")),
              QStringLiteral("2026/12/07,09:05:03,0452223333\r\n"
                             "2026/12/07,09:05:03,0312345678\r\n"))
        << "the history is as it was";
}

TEST(CallAnnouncer, NotifiesAndStartsTheCommandForTheCallsTheHistoryGets)
{
    Calls r(QStringLiteral("HISTTXT=1\n[OPTIONS]\nNOTIFY=1\nONCALL=\"bin/on call\"\n"));
    r.call("0312345678");
    EXPECT_TRUE(r.p.notifier.m_shown.isEmpty()) << "the number there before start-up";
    EXPECT_EQ(r.p.launcher.m_starts, 0);

    r.call(nullptr);
    r.call("0312345678");
    const QList<std::pair<QString, QString>> shown{
        {QStringLiteral("非通知"), QString()},
        {QStringLiteral("0312345678"), QStringLiteral("<b>山田</b> & 太郎")}};
    EXPECT_EQ(r.p.notifier.m_shown, shown);
    ASSERT_EQ(r.p.launcher.m_running.size(), 2u);
    EXPECT_EQ(r.p.launcher.m_running.front().program, r.folder.file(u"bin/on call"_qs))
        << "a relative path is the program folder's";
    EXPECT_EQ(r.startedWith(0),
              QStringList({u"2026/12/07"_qs, u"09:05:03"_qs, u"99999999999"_qs, QString()}));
    EXPECT_EQ(r.startedWith(1), QStringList({u"2026/12/07"_qs, u"09:05:03"_qs, u"0312345678"_qs,
                                             u"<b>山田</b> & 太郎"_qs}));
    EXPECT_FALSE(r.folder.exists(QStringLiteral("着信履歴.TXT"))) << "with the history off";

    r.s.BaselineRead = false; // Start again: the first number is the baseline
    r.call("0452223333");
    EXPECT_EQ(r.p.notifier.m_shown.size(), 2);
}

TEST(CallAnnouncer, OptionsAreReadAtEachCall)
{
    Calls r(QStringLiteral("[OPTIONS]\nNOTIFY=2\nONCALL=\n"));
    r.call(nullptr);
    r.call("0312345678");
    EXPECT_TRUE(r.p.notifier.m_shown.isEmpty()) << "only 1 switches the notification on";
    EXPECT_EQ(r.p.launcher.m_starts, 0);

    r.folder.writeIni(QStringLiteral("[OPTIONS]\nNOTIFY= 1 \nONCALL=notify-me\n"));
    r.call(nullptr);
    EXPECT_EQ(r.p.notifier.m_shown.size(), 1);
    ASSERT_EQ(r.p.launcher.m_running.size(), 1u);
    EXPECT_EQ(r.p.launcher.m_running.front().program, u"notify-me"_qs) << "found on PATH";
}

TEST(CallAnnouncer, NoMoreThanFourCommandsAndAFailureLoggedOnce)
{
    Calls r(QStringLiteral("[OPTIONS]\nONCALL=/opt/hook\n"));
    r.call("0312345678");
    for (const char *number : {"01", "02", "03", "04", "05", "06"})
        r.call(number);
    EXPECT_EQ(r.p.launcher.m_starts, 4) << "the fifth and sixth calls are skipped";
    r.p.launcher.endOldest();
    r.call("07");
    EXPECT_EQ(r.p.launcher.m_starts, 5);
    EXPECT_EQ(r.startedWith(3).at(2), u"07"_qs);
    while (!r.p.launcher.m_running.empty())
        r.p.launcher.endOldest();

    r.p.launcher.m_succeeds = false;
    r.call("08");
    r.call("09");
    const QString log = r.folder.readText(QStringLiteral("Nubrel.log"));
    EXPECT_EQ(log, QStringLiteral("2026/12/07 09:05:03 ONCALL     "
                                  "[着信時のコマンドを起動できません。/opt/hook]\r\n"));
    r.p.launcher.m_succeeds = true;
    r.call("10");
    EXPECT_EQ(r.p.launcher.m_running.size(), 1u) << "a failed start holds no place";
}
