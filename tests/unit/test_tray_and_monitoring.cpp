// The tray toggle, Start/Stop, the icon's requests and the monitoring tick.
#include "ControllerRig.h"

#include "TestText.h"
#include "text/Text.h"

#include <gtest/gtest.h>

namespace {
const std::string Kind0Call = "AT\\L1\r\r\nRECEIVE CALLING PARTY = 0312345678/1207\r\n\r\nOK\r\n";
const std::string Kind0None = "AT\\L1\r\r\nOK\r\n";

std::u16string tipTextOf(const TrayIconData &d)
{
    return d.szTip.substr(0, d.szTip.find(u'\0'));
}
} // namespace

TEST(mnuTask, IntoTheTrayAndBack)
{
    ControllerRig r;
    r.c.Form_Load();
    r.c.mnuTask_Click();
    EXPECT_TRUE(r.s.InTray);
    EXPECT_FALSE(r.p.view.m_visible);
    EXPECT_EQ(r.p.view.m_taskCaption, u"タスクバーから出す(&T)"s);
    ASSERT_EQ(r.p.tray.m_calls.size(), 1u);
    const TrayIconData &d = r.p.tray.m_calls[0].data;
    EXPECT_EQ(r.p.tray.m_calls[0].message, NotifyMessage::NIM_ADD);
    EXPECT_EQ(d.cbSize, 88u);
    EXPECT_EQ(d.uID, 1u);
    EXPECT_EQ(d.uFlags, 7u);
    EXPECT_EQ(d.uCallbackMessage, 0x207u);
    EXPECT_EQ(d.hIcon, AppIcon::BuiltIn);
    EXPECT_EQ(d.szTip.size(), 64);
    EXPECT_EQ(d.szTip, u"準備中"s + char16_t(u'\0') + std::u16string(60, u' '));

    r.p.view.m_delVisible = true; // the menu was opened from the icon
    r.c.mnuTask_Click();
    EXPECT_FALSE(r.s.InTray);
    EXPECT_TRUE(r.p.view.m_visible);
    EXPECT_FALSE(r.p.view.m_delVisible);
    EXPECT_EQ(r.p.view.m_taskCaption, u"タスクバーに入れる(&T)"s);
    EXPECT_EQ(r.p.tray.messages(),
              (std::vector<NotifyMessage>{NotifyMessage::NIM_ADD, NotifyMessage::NIM_DELETE}));
}

TEST(mnuTask, TooltipFollowsTheLastNumber)
{
    struct Case {
        std::u16string last;
        std::u16string tip;
    } cases[] = {{std::u16string(), u"準備中"s},
                 {WithheldMark, u"非通知"s},
                 {u"0312345678"s, u"0312345678"s}};
    for (const Case &c : cases) {
        ControllerRig r;
        r.c.Form_Load();
        r.s.LastNumber = c.last;
        r.c.mnuTask_Click();
        EXPECT_EQ(tipTextOf(r.p.tray.m_calls.at(0).data), c.tip);
    }
}

TEST(mnuTask, WithoutANotificationAreaTheWindowStaysAndSaysSoOnce)
{
    ControllerRig r;
    r.p.tray.m_available = false;
    r.c.Form_Load();

    r.c.mnuTask_Click();
    r.c.mnuTask_Click();
    EXPECT_FALSE(r.s.InTray);
    EXPECT_TRUE(r.p.view.m_visible);
    ASSERT_EQ(r.p.prompts.m_messages.size(), 1u);
    EXPECT_EQ(r.p.prompts.m_messages[0].title, u"VORDEK"s);
    EXPECT_TRUE(r.p.prompts.m_messages[0].text.starts_with(u"ＶＯＲＤＥＫにて、\r"s));
    EXPECT_TRUE(r.p.tray.m_calls.empty());
}

TEST(mnuTime, StopAndStartSwitchTimerIconAndCaption)
{
    ControllerRig r;
    r.folder.writeIni(u"[ENV]\nTIMER=3\n"s);
    r.c.Form_Load();
    r.s.BaselineRead = true;
    r.p.tip.m_visible = true;

    r.c.mnuTime_Click();
    EXPECT_TRUE(r.s.Stopped);
    EXPECT_EQ(r.p.timer.m_interval, 0);
    EXPECT_EQ(r.p.view.m_icon, AppIcon::Stopped);
    EXPECT_EQ(r.p.view.m_timeCaption, u"開始(&S)"s);
    EXPECT_FALSE(r.p.tip.m_visible);
    EXPECT_TRUE(r.s.BaselineRead);

    r.c.mnuTime_Click();
    EXPECT_FALSE(r.s.Stopped);
    EXPECT_EQ(r.p.timer.m_interval, 3000);
    EXPECT_FALSE(r.s.BaselineRead);
    EXPECT_EQ(r.p.view.m_icon, AppIcon::Running);
    EXPECT_EQ(r.p.view.m_timeCaption, u"停止(&S)"s);
    EXPECT_TRUE(r.p.tray.m_calls.empty()) << "no tray call while the window is shown";
    EXPECT_EQ(r.p.port.m_opens, 0) << "neither direction touches the port";
}

TEST(mnuTime, TrayIconFollowsTheNewPicture)
{
    ControllerRig r;
    r.c.Form_Load();
    r.c.mnuTime_Click(); // stopped while the window is shown
    r.c.mnuTask_Click();
    EXPECT_EQ(r.p.tray.m_calls.back().data.hIcon, AppIcon::Stopped);
    r.c.mnuTime_Click();
    EXPECT_EQ(r.p.tray.m_calls.back().message, NotifyMessage::NIM_MODIFY);
    EXPECT_EQ(r.p.tray.m_calls.back().data.hIcon, AppIcon::Running);
    r.c.mnuTime_Click();
    EXPECT_EQ(r.p.tray.m_calls.back().data.hIcon, AppIcon::Stopped);
    EXPECT_EQ(r.p.tray.messages(),
              (std::vector<NotifyMessage>{NotifyMessage::NIM_ADD, NotifyMessage::NIM_MODIFY,
                                          NotifyMessage::NIM_MODIFY}));
}

TEST(TrayIcon, RequestsRestoreTheWindowOrOpenTheMenu)
{
    ControllerRig r;
    r.c.Form_Load();
    r.c.TrayIcon_RestoreRequested();
    EXPECT_FALSE(r.s.InTray) << "a window on screen stays where it is";
    EXPECT_TRUE(r.p.tray.m_calls.empty());

    r.c.mnuTask_Click();
    r.c.TrayIcon_MenuRequested();
    EXPECT_TRUE(r.p.view.m_delVisible) << "the icon's menu carries ｷｬﾝｾﾙ";
    EXPECT_EQ(r.p.tray.m_menuOpens, 1);
    EXPECT_TRUE(r.s.InTray) << "ｷｬﾝｾﾙ only closes the menu";

    r.c.TrayIcon_RestoreRequested();
    EXPECT_FALSE(r.s.InTray);
    EXPECT_TRUE(r.p.view.m_visible);
    EXPECT_FALSE(r.p.view.m_delVisible) << "the window's own menu has no ｷｬﾝｾﾙ";
    r.c.TrayIcon_RestoreRequested(); // the second click of a double-click
    EXPECT_FALSE(r.s.InTray);
    EXPECT_EQ(r.p.tray.messages(),
              (std::vector<NotifyMessage>{NotifyMessage::NIM_ADD, NotifyMessage::NIM_DELETE}));
}

TEST(TrayIcon, StartInTheTrayWaitsHiddenForALatePanel)
{
    for (const bool appears : {true, false}) {
        ControllerRig r;
        r.p.tray.m_available = false;
        r.folder.writeIni(u"[NUBREL]\nSTATE=3\nTOP=1500\n"s);
        r.c.Form_Load();
        EXPECT_EQ(r.p.tray.m_waitMs, MainController::TrayWaitMs);
        EXPECT_FALSE(r.p.view.m_visible) << "hidden while waiting";
        EXPECT_EQ(r.p.view.m_shows, 0);
        ASSERT_TRUE(r.p.tray.m_waitEnded);
        r.p.tray.m_available = appears;
        r.p.tray.m_waitEnded(appears);
        EXPECT_EQ(r.s.InTray, appears);
        EXPECT_EQ(r.p.view.m_visible, !appears);
        EXPECT_EQ(r.p.tray.messages(), appears ? std::vector<NotifyMessage>{NotifyMessage::NIM_ADD}
                                               : std::vector<NotifyMessage>{});
        EXPECT_TRUE(r.p.prompts.m_messages.empty());
    }

    // An exit during the wait keeps the choice of the tray and the position.
    ControllerRig r;
    r.p.tray.m_available = false;
    r.folder.writeIni(u"[NUBREL]\nSTATE=3\nTOP=1500\n"s);
    r.c.Form_Load();
    r.p.view.m_top = 0;
    r.c.Form_Unload();
    const std::u16string ini = r.folder.readText(u"Nubrel.ini"s);
    EXPECT_TRUE(contains(ini, u"STATE=3"s)) << utf8(ini);
    EXPECT_TRUE(contains(ini, u"TOP=1500"s)) << utf8(ini);
    r.p.tray.m_waitEnded(true);
    EXPECT_TRUE(r.p.tray.m_calls.empty()) << "nothing after the end";
}

TEST(TrayIcon, AnIconTheAreaRefusesLeavesTheWindowShownUntilItIsTaken)
{
    // From the menu and at a start in the tray; the retry takes it, or never does.
    for (const bool atStart : {false, true}) {
        for (const bool takenLater : {true, false}) {
            const std::string what = std::string(atStart ? "start" : "menu") +
                                     (takenLater ? ", taken later" : ", never taken");
            ControllerRig r;
            r.folder.writeIni(atStart ? u"[NUBREL]\nSTATE=3\n"s : u"[NUBREL]\nSTATE=0\n"s);
            r.p.tray.m_refusedAdds = 1;
            r.c.Form_Load();
            if (!atStart)
                r.c.mnuTask_Click();
            EXPECT_FALSE(r.s.InTray) << what;
            EXPECT_TRUE(r.p.view.m_visible) << what << ": never neither window nor icon";
            EXPECT_EQ(r.p.view.m_taskCaption, u"タスクバーに入れる(&T)"s) << what;
            EXPECT_EQ(r.p.tray.m_waitMs, MainController::TrayWaitMs) << what;
            ASSERT_TRUE(r.p.tray.m_waitEnded) << what;
            const int shows = r.p.view.m_shows;
            r.p.tray.m_waitEnded(takenLater);
            EXPECT_EQ(r.s.InTray, takenLater) << what;
            EXPECT_EQ(r.p.view.m_visible, !takenLater) << what;
            EXPECT_EQ(r.p.view.m_shows, shows) << what << ": not raised again";
            EXPECT_EQ(r.p.tray.messages(),
                      takenLater ? (std::vector<NotifyMessage>{NotifyMessage::NIM_ADD,
                                                               NotifyMessage::NIM_ADD})
                                 : std::vector<NotifyMessage>{NotifyMessage::NIM_ADD})
                << what;
            EXPECT_TRUE(r.p.prompts.m_messages.empty()) << what;
        }
    }

    // An exit while the icon is still refused: the tray stays the choice.
    ControllerRig r;
    r.p.tray.m_refusedAdds = 1;
    r.c.Form_Load();
    r.c.mnuTask_Click();
    r.c.Form_Unload();
    EXPECT_TRUE(contains(r.folder.readText(u"Nubrel.ini"s), u"STATE=3"s));
    EXPECT_EQ(r.p.tray.messages(), std::vector<NotifyMessage>{NotifyMessage::NIM_ADD})
        << "no icon to remove";
}

TEST(TimForm, NewNumberRepaintsAndShowsThePopUpOnlyFromTheTray)
{
    ControllerRig r;
    r.c.Form_Load();
    r.p.port.answer({Kind0Call});
    r.c.TimForm_Timer();
    EXPECT_EQ(r.p.view.m_title, u"0312345678"s);
    EXPECT_EQ(r.p.view.m_repaints, 1);
    EXPECT_EQ(r.p.tip.m_shows, 0) << "the window is shown, so no pop-up";

    r.c.mnuTask_Click();
    r.p.port.answer({Kind0Call});
    r.c.TimForm_Timer();
    EXPECT_EQ(r.p.view.m_repaints, 1) << "the same number is no new call";
    EXPECT_EQ(r.p.tip.m_shows, 0);

    r.p.port.answer({Kind0None});
    r.c.TimForm_Timer();
    EXPECT_EQ(r.p.view.m_title, u"非通知"s);
    EXPECT_EQ(r.p.tip.m_shows, 1);
    EXPECT_EQ(r.p.tip.m_refreshes, 1);
    EXPECT_TRUE(r.p.tip.m_visible);

    r.p.port.answer({Kind0None});
    r.c.TimForm_Timer();
    EXPECT_FALSE(r.p.tip.m_visible) << "each tick hides the pop-up first";
}

TEST(TimForm, ActsOnTheOutcomeOfTheExchange)
{
    ControllerRig stopped;
    stopped.c.Form_Load();
    stopped.c.mnuTime_Click();
    stopped.p.tip.m_visible = true;
    stopped.c.TimForm_Timer();
    EXPECT_FALSE(stopped.p.tip.m_visible);
    EXPECT_EQ(stopped.p.port.m_opens, 0);

    ControllerRig stop;
    stop.c.Form_Load();
    stop.p.port.m_openFails = true;
    stop.p.prompts.m_answers.push_back(false);
    stop.c.TimForm_Timer();
    EXPECT_TRUE(stop.s.Stopped);
    EXPECT_EQ(stop.p.view.m_timeCaption, u"開始(&S)"s);

    ControllerRig exit;
    exit.c.Form_Load();
    exit.p.port.m_openFails = true;
    exit.p.prompts.m_answers.push_back(true);
    exit.c.TimForm_Timer();
    EXPECT_TRUE(exit.s.Unloaded);
    EXPECT_TRUE(exit.folder.exists(u"Nubrel.ini"s));

    ControllerRig silent;
    silent.c.Form_Load();
    for (int i = 0; i < 3; ++i)
        silent.p.port.silent();
    silent.c.TimForm_Timer();
    silent.c.TimForm_Timer();
    EXPECT_FALSE(silent.s.Unloaded);
    silent.c.TimForm_Timer();
    EXPECT_TRUE(silent.s.Unloaded) << "the third unanswered exchange ends the program";
    EXPECT_EQ(silent.p.prompts.m_messages.size(), 1u);

    ControllerRig other;
    other.folder.writeIni(u"[NUBREL]\nPRODUCTSLIST0=7,unknown\n"s);
    other.c.Form_Load();
    other.c.TimForm_Timer();
    EXPECT_EQ(other.p.port.m_opens, 0) << "a kind the program does not know is never queried";
}

TEST(TimForm, NeverRunsTwoExchangesOrTwoQuestionsAtOnce)
{
    ControllerRig r;
    r.c.Form_Load();
    int ticksDuringWait = 0;
    r.p.port.silent();
    r.p.port.m_onWait = [&] {
        if (ticksDuringWait++ < 3)
            r.c.TimForm_Timer(); // the timer falls due while the reply is awaited
    };
    r.c.TimForm_Timer();
    EXPECT_EQ(r.p.port.m_opens, 1);
    EXPECT_TRUE(r.p.prompts.m_questions.empty());
    EXPECT_EQ(r.s.iTry, 1);

    ControllerRig q;
    q.c.Form_Load();
    q.p.port.m_openFails = true;
    q.p.prompts.m_answers = {false, false};
    q.p.prompts.m_duringModal = [&] { q.c.TimForm_Timer(); };
    q.c.TimForm_Timer();
    EXPECT_EQ(q.p.prompts.m_questions.size(), 1u) << "the question is never shown over itself";
    EXPECT_TRUE(q.s.Stopped);

    // A skipped tick still takes the pop-up down.
    ControllerRig t;
    t.c.Form_Load();
    t.p.port.silent();
    t.p.port.m_onWait = [&] {
        t.p.tip.m_visible = true;
        t.c.TimForm_Timer();
        t.p.port.m_onWait = nullptr;
    };
    t.c.TimForm_Timer();
    EXPECT_EQ(t.p.port.m_opens, 1);
    EXPECT_FALSE(t.p.tip.m_visible);
}

TEST(TimForm, InitialisationAskedForDuringAnExchangeIsSentAfterIt)
{
    ControllerRig r;
    r.folder.writeIni(u"[NUBREL]\nPRODUCTSLISTCNT=2\nPRODUCTSLIST0=0,modem\n"
                      "PRODUCTSLIST1=1,TA\n"s);
    r.c.Form_Load();
    r.p.dialogs.m_settings = [&] {
        r.s.Product = ProductEntry{1, 1, u"TA"s};
        r.s.EnvRegistered = true;
    };
    bool asked = false;
    r.p.port.silent();
    r.p.port.answer({"AT$i10 = 1\r\r\nOK\r\n"});
    r.p.port.m_onWait = [&] {
        if (!asked) {
            asked = true;
            r.c.mnuEnv_Click(); // the user registers a kind-1 product meanwhile
        }
    };
    r.c.TimForm_Timer();
    EXPECT_EQ(r.p.port.m_opens, 2);
    EXPECT_EQ(r.p.port.m_written, (std::vector<std::string>{"AT\\L1\r", "AT$i10 = 1\r"}));
    EXPECT_EQ(r.s.iTry, 0) << "the initialisation was answered";
}

TEST(TimForm, StopChosenFromTheTrayMeanwhileIsNeverUndone)
{
    // 停止 from a tray menu that modality does not block, while the port's
    // question is open; the answer 「停止」 then finds monitoring stopped.
    ControllerRig q;
    q.c.Form_Load();
    q.c.mnuTask_Click();
    q.p.port.m_openFails = true;
    q.p.prompts.m_answers.push_back(false);
    q.p.prompts.m_duringModal = [&] { q.c.mnuTime_Click(); };
    const std::size_t timerCalls = q.p.timer.m_history.size();
    q.c.TimForm_Timer();
    EXPECT_TRUE(q.s.Stopped);
    EXPECT_EQ(q.p.timer.m_interval, 0);
    EXPECT_EQ(q.p.timer.m_history.size(), timerCalls + 1) << "stopped once, never restarted";
    EXPECT_EQ(q.p.view.m_icon, AppIcon::Stopped);
    EXPECT_EQ(q.p.view.m_timeCaption, u"開始(&S)"s);

    // 停止 while the exchange waits, and the exchange then brings a new
    // number: shown, but no pop-up, which only the next 開始 would take down.
    ControllerRig w;
    w.c.Form_Load();
    w.c.mnuTask_Click();
    w.p.port.answer({Kind0None});
    w.c.TimForm_Timer(); // the first answer
    const int shows = w.p.tip.m_shows;
    w.p.port.silent();
    w.p.port.m_onWait = [&] {
        w.c.mnuTime_Click();
        w.p.port.m_incoming.push_back(Kind0Call); // the reply arrives after it
        w.p.port.m_onWait = nullptr;
    };
    w.c.TimForm_Timer();
    EXPECT_TRUE(w.s.Stopped);
    EXPECT_EQ(w.p.view.m_title, u"0312345678"s);
    EXPECT_EQ(w.p.tip.m_shows, shows);
    EXPECT_FALSE(w.p.tip.m_visible);
}
