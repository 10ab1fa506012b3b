// The About box's home-page link: when it acts, what it asks and in which order.
#include "Fakes.h"
#include "ProgramFolder.h"
#include "dialogs/AboutLink.h"
#include "platform/Files.h"

#include "TestText.h"
#include "text/Text.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

const std::u16string Address = u"https://vordek.example.jp"s;
const std::u16string PauseText =
    u"ＶＯＲＤＥＫにて、"s + u'\r' + u"一時停止させます。ｲﾝﾀｰﾈｯﾄ切断後、開始して下さい。"s;
const std::u16string FailText =
    u"ＶＯＲＤＥＫにて、"s + u'\r' + u"Microsoft Internet Explorerを起動出来ませんでした。"s;

// The link with its hooks writing one line each into a shared log.
struct LinkRig {
    FakePrompts prompts;
    FakeLauncher launcher;
    FakeEvents events;
    bool stopped = false;
    bool boxOpen = true;
    std::vector<std::u16string> log;
    // A drive without the old browser, as current Windows is.
    ProgramFolder drive;
    AboutLink link;

    LinkRig() : link(prompts, launcher, events, Address, hooks())
    {
        prompts.m_duringModal = [this] { log.push_back(u"message"s); };
    }

    AboutLink::Hooks hooks()
    {
        AboutLink::Hooks h;
        h.isStopped = [this] { return stopped; };
        h.mnuTime_Click = [this] {
            stopped = !stopped;
            log.push_back(u"mnuTime_Click"s);
        };
        h.setWaitCursor = [this](bool wait) {
            log.push_back((wait ? u"wait"s : u"default"s) + u" urls="s +
                          Text::number(launcher.m_urls.size()));
        };
        h.closeBox = [this] {
            boxOpen = false;
            log.push_back(u"close"s);
        };
        h.isBoxOpen = [this] { return boxOpen; };
        h.searchRoot = drive.path();
        return h;
    }
};

} // namespace

TEST(AboutLink, OnlyTheLeftButtonAloneActs)
{
    for (int button : {0, 2, 3, 4, 5, 6, 7}) {
        LinkRig r;
        r.link.lblHome_MouseDown(button, 0, 120, 45);
        EXPECT_TRUE(r.log.empty()) << button;
        EXPECT_TRUE(r.prompts.m_messages.empty()) << button;
        EXPECT_TRUE(r.launcher.m_urls.empty()) << button;
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
        r.log.push_back(u"message"s);
        r.stopped = true;
    };
    r.link.lblHome_MouseDown(1, 0, 10, 10);
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(std::count(r.log.begin(), r.log.end(), u"mnuTime_Click"s), 0);
    EXPECT_EQ(r.launcher.m_urls, std::vector<std::u16string>{Address + u'/'});
}

TEST(AboutLink, StepsInOrderForRunningAndStoppedMonitoringAndAFailingBrowser)
{
    struct Case {
        bool stopped;
        bool browserStarts;
        std::vector<std::u16string> log;
        std::vector<std::u16string> messages;
        bool stoppedAfter;
    } cases[] = {
        {false,
         true,
         {u"message"s, u"mnuTime_Click"s, u"wait urls=0"s, u"default urls=1"s, u"close"s},
         {PauseText},
         true},
        {true, true, {u"wait urls=0"s, u"default urls=1"s, u"close"s}, {}, true},
        {false,
         false,
         {u"message"s, u"mnuTime_Click"s, u"wait urls=0"s, u"default urls=1"s, u"message"s,
          u"close"s},
         {PauseText, FailText},
         true},
        {true,
         false,
         {u"wait urls=0"s, u"default urls=1"s, u"message"s, u"close"s},
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
            EXPECT_EQ(r.prompts.m_messages[i].title, u"VORDEK"s) << what;
            EXPECT_EQ(r.prompts.m_messages[i].icon, MessageIcon::Exclamation) << what;
        }
        EXPECT_EQ(r.launcher.m_urls, std::vector<std::u16string>{Address + u'/'}) << what;
        EXPECT_EQ(r.stopped, c.stoppedAfter) << what << ": monitoring stays stopped";
        EXPECT_FALSE(r.link.launching());
        // The desktop's handler found no browser after it had started.
        if (c.browserStarts) {
            ASSERT_TRUE(r.launcher.m_failed) << what;
            r.launcher.m_failed();
            EXPECT_EQ(r.prompts.m_messages.back().text,
                      u"ＶＯＲＤＥＫにて、\rMicrosoft Internet Explorerを起動出来ませんでした。"s)
                << what;
        }
    }
}

TEST(AboutLink, ABoxGoneUnderThePauseMessageStartsNothing)
{
    LinkRig r;
    r.prompts.m_duringModal = [&] { r.boxOpen = false; };
    r.link.lblHome_MouseDown(1, 0, 0, 0);
    EXPECT_TRUE(r.stopped) << "monitoring is paused all the same";
    EXPECT_TRUE(r.launcher.m_urls.empty());
    EXPECT_EQ(r.prompts.m_messages.size(), 1u);
    EXPECT_EQ(r.log, std::vector<std::u16string>{u"mnuTime_Click"s}) << "no cursor, no close";
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
    EXPECT_EQ(countOf(r.log, u"close"s), 1);
}

TEST(AboutLink, TheBrowserFoundOnTheDriveStartsInAWindowWithTheAddress)
{
    LinkRig r;
    ASSERT_TRUE(makeFolder(r.drive.file(u"Program Files"s)));
    ASSERT_TRUE(makeFolder(r.drive.file(u"Program Files/Internet Explorer"s)));
    r.drive.writeBytes(u"Program Files/Internet Explorer/iexplore.exe"s, "MZ");
    r.link.lblHome_MouseDown(1, 0, 0, 0);
    ASSERT_EQ(r.launcher.m_started.size(), 1u);
    EXPECT_EQ(
        r.launcher.m_started[0].program,
        Files::toNativeSeparators(r.drive.file(u"Program Files/Internet Explorer/iexplore.exe"s)));
    EXPECT_EQ(r.launcher.m_started[0].arguments, std::vector<std::u16string>{Address + u'/'});
    EXPECT_EQ(r.launcher.m_starts, 0) << "not as a background command without a window";
    EXPECT_TRUE(r.launcher.m_urls.empty()) << "the default browser only where none is found";
}

TEST(AboutLink, WithoutASearchRootNoDriveIsSearched)
{
    LinkRig r;
    ASSERT_TRUE(makeFolder(r.drive.file(u"sub"s)));
    r.drive.writeBytes(u"sub/IEXPLORE.EXE"s, "MZ");
    AboutLink::Hooks h = r.hooks();
    h.searchRoot.clear();
    AboutLink link(r.prompts, r.launcher, r.events, Address, h);
    r.stopped = true;
    link.lblHome_MouseDown(1, 0, 0, 0);
    EXPECT_EQ(r.events.m_passes, 0);
    EXPECT_TRUE(r.launcher.m_started.empty());
    EXPECT_EQ(r.launcher.m_urls, std::vector<std::u16string>{Address + u'/'});
}

TEST(AboutLink, ASearchCutShortStartsAndReportsNothing)
{
    // 終了 during the search (the pump says the program ends), or the box's
    // OK (the box is gone): the walk stops at the next directory.
    for (const bool programEnds : {true, false}) {
        LinkRig r;
        r.stopped = true;
        for (const char16_t *dir : {u"a", u"b", u"c", u"d"})
            ASSERT_TRUE(makeFolder(r.drive.file(dir)));
        r.drive.writeBytes(u"d/IEXPLORE.EXE"s, "MZ");
        r.events.m_onPass = [&r, programEnds] {
            if (r.events.m_passes < 2)
                return;
            if (programEnds)
                r.events.m_ending = true;
            else
                r.boxOpen = false;
        };
        r.link.lblHome_MouseDown(1, 0, 0, 0);
        const std::string what = programEnds ? "program ends" : "box closed";
        EXPECT_EQ(r.events.m_passes, 2) << what << ": no directory after the second";
        EXPECT_TRUE(r.launcher.m_started.empty()) << what;
        EXPECT_TRUE(r.launcher.m_urls.empty()) << what;
        EXPECT_TRUE(r.prompts.m_messages.empty()) << what;
        EXPECT_EQ(countOf(r.log, u"default urls=0"s), 1) << what << ": the pointer comes back";
        EXPECT_FALSE(r.link.launching()) << what;
    }
}
