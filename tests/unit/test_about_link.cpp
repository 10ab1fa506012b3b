// The About box's home-page link: when it acts, what it asks and in which order.
#include "Fakes.h"
#include "dialogs/AboutLink.h"

#include <gtest/gtest.h>

namespace {

const QString Address = QStringLiteral("https://vordek.example.jp");
const QString PauseText = QStringLiteral("ＶＯＲＤＥＫにて、") + u'\r' +
                          QStringLiteral("一時停止させます。ｲﾝﾀｰﾈｯﾄ切断後、開始して下さい。");
const QString FailText = QStringLiteral("ＶＯＲＤＥＫにて、") + u'\r' +
                         QStringLiteral("Microsoft Internet Explorerを起動出来ませんでした。");

// The link with its hooks writing one line each into a shared log.
struct LinkRig {
    FakePrompts prompts;
    FakeLauncher launcher;
    FakeEvents events;
    bool stopped = false;
    bool boxOpen = true;
    QStringList log;
    AboutLink link;

    LinkRig() : link(prompts, launcher, events, Address, hooks())
    {
        prompts.m_duringModal = [this] { log << QStringLiteral("message"); };
    }

    AboutLink::Hooks hooks()
    {
        AboutLink::Hooks h;
        h.isStopped = [this] { return stopped; };
        h.mnuTime_Click = [this] {
            stopped = !stopped;
            log << QStringLiteral("mnuTime_Click");
        };
        h.setWaitCursor = [this](bool wait) {
            log << (wait ? QStringLiteral("wait") : QStringLiteral("default")) +
                       QStringLiteral(" urls=") + QString::number(launcher.m_urls.size());
        };
        h.closeBox = [this] {
            boxOpen = false;
            log << QStringLiteral("close");
        };
        h.isBoxOpen = [this] { return boxOpen; };
        return h;
    }
};

} // namespace

TEST(AboutLink, OnlyTheLeftButtonAloneActs)
{
    for (int button : {0, 2, 3, 4, 5, 6, 7}) {
        LinkRig r;
        r.link.lblHome_MouseDown(button, 0, 120, 45);
        EXPECT_TRUE(r.log.isEmpty()) << button;
        EXPECT_TRUE(r.prompts.m_messages.empty()) << button;
        EXPECT_TRUE(r.launcher.m_urls.isEmpty()) << button;
    }
    LinkRig shifted;
    shifted.stopped = true;
    shifted.link.lblHome_MouseDown(1, 1, 0, 0);
    EXPECT_EQ(shifted.launcher.m_urls.size(), 1) << "Shift held does not matter";
}

TEST(AboutLink, MonitoringStoppedUnderTheMessageStaysStopped)
{
    // The port's question answered 「停止」, or 停止 from the tray's menu,
    // while the pause message is open.
    LinkRig r;
    r.prompts.m_duringModal = [&r] {
        r.log << QStringLiteral("message");
        r.stopped = true;
    };
    r.link.lblHome_MouseDown(1, 0, 10, 10);
    EXPECT_TRUE(r.stopped);
    EXPECT_FALSE(r.log.contains(QStringLiteral("mnuTime_Click")));
    EXPECT_EQ(r.launcher.m_urls, QStringList{Address + u'/'});
}

TEST(AboutLink, StepsInOrderForRunningAndStoppedMonitoringAndAFailingBrowser)
{
    struct Case {
        bool stopped;
        bool browserStarts;
        QStringList log;
        std::vector<QString> messages;
        bool stoppedAfter;
    } cases[] = {
        {false,
         true,
         {QStringLiteral("message"), QStringLiteral("mnuTime_Click"), QStringLiteral("wait urls=0"),
          QStringLiteral("default urls=1"), QStringLiteral("close")},
         {PauseText},
         true},
        {true,
         true,
         {QStringLiteral("wait urls=0"), QStringLiteral("default urls=1"), QStringLiteral("close")},
         {},
         true},
        {false,
         false,
         {QStringLiteral("message"), QStringLiteral("mnuTime_Click"), QStringLiteral("wait urls=0"),
          QStringLiteral("default urls=1"), QStringLiteral("message"), QStringLiteral("close")},
         {PauseText, FailText},
         true},
        {true,
         false,
         {QStringLiteral("wait urls=0"), QStringLiteral("default urls=1"),
          QStringLiteral("message"), QStringLiteral("close")},
         {FailText},
         true},
    };
    for (const Case &c : cases) {
        LinkRig r;
        r.stopped = c.stopped;
        r.launcher.m_succeeds = c.browserStarts;
        r.link.lblHome_MouseDown(1, 0, 10, 10);
        const std::string what = (c.stopped ? "stopped, " : "running, ") +
                                 std::string(c.browserStarts ? "starts" : "fails");
        EXPECT_EQ(r.log, c.log) << what;
        ASSERT_EQ(r.prompts.m_messages.size(), c.messages.size()) << what;
        for (std::size_t i = 0; i < c.messages.size(); ++i) {
            EXPECT_EQ(r.prompts.m_messages[i].text, c.messages[i]) << what;
            EXPECT_EQ(r.prompts.m_messages[i].title, QStringLiteral("VORDEK")) << what;
            EXPECT_EQ(r.prompts.m_messages[i].icon, MessageIcon::Exclamation) << what;
        }
        EXPECT_EQ(r.launcher.m_urls, QStringList{Address + u'/'}) << what;
        EXPECT_EQ(r.stopped, c.stoppedAfter) << what << ": monitoring stays stopped";
        EXPECT_FALSE(r.link.launching());
#ifndef Q_OS_WIN
        // The desktop's handler found no browser after it had started.
        if (c.browserStarts) {
            ASSERT_TRUE(r.launcher.m_failed) << what;
            r.launcher.m_failed();
            EXPECT_EQ(
                r.prompts.m_messages.back().text,
                QStringLiteral(
                    "ＶＯＲＤＥＫにて、\rMicrosoft Internet Explorerを起動出来ませんでした。"))
                << what;
        }
#endif
    }
}

TEST(AboutLink, ABoxGoneUnderThePauseMessageStartsNothing)
{
    LinkRig r;
    r.prompts.m_duringModal = [&] { r.boxOpen = false; };
    r.link.lblHome_MouseDown(1, 0, 0, 0);
    EXPECT_TRUE(r.stopped) << "monitoring is paused all the same";
    EXPECT_TRUE(r.launcher.m_urls.isEmpty());
    EXPECT_EQ(r.prompts.m_messages.size(), 1u);
    EXPECT_EQ(r.log, QStringList{QStringLiteral("mnuTime_Click")}) << "no cursor, no close";
    EXPECT_FALSE(r.link.launching());
}

TEST(AboutLink, ASecondPressDuringTheLaunchIsIgnored)
{
    LinkRig r;
    int presses = 0;
    r.prompts.m_duringModal = [&] {
        if (++presses == 1)
            r.link.lblHome_MouseDown(1, 0, 0, 0);
    };
    r.link.lblHome_MouseDown(1, 0, 0, 0);
    EXPECT_EQ(r.prompts.m_messages.size(), 1u);
    EXPECT_EQ(r.launcher.m_urls.size(), 1);
    EXPECT_TRUE(r.stopped) << "Stop ran once, not twice";
    EXPECT_EQ(r.log.count(QStringLiteral("close")), 1);
}
