// The tray icon on Windows: the record's tooltip for the system's code page,
// and an icon the shell refuses (a shell busy at log-on) tried again while
// the window stays in reach. Wine's shell takes every icon, even without a
// tray host: the refusing shell is put in through the seam.
#include "Win32Rig.h"

#include "TestText.h"
#include "app/TrayTip.h"
#include "frontend/win32/Win32Text.h"
#include "frontend/win32/Win32TrayIcon.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {
std::u16string yama(int n)
{
    return std::u16string(static_cast<std::size_t>(n), u'山');
}
} // namespace

TEST(Win32TrayIcon, TheTooltipIsAnsiOnAJapaneseSystemAndWideElsewhereCutAtOnePlace)
{
    const struct Case {
        const char *what;
        std::u16string tip, name;
        std::string ansi;     // the bytes before the NUL with code page 932
        std::u16string shown; // the characters with any other
    } cases[] = {
        {"ready", u"準備中"s, u""s, "\x8f\x80\x94\xf5\x92\x86", u"準備中"s},
        {"63 bytes exactly", u"0312345678"s, yama(40), "0312345678\n" + std::string(26 * 2, '\0'),
         u"0312345678\n"s + yama(26)},
        {"a pair that would end past byte 63", u"03123456789"s, yama(40),
         "03123456789\n" + std::string(25 * 2, '\0'), u"03123456789\n"s + yama(25)},
        {"no CP932 form: one byte, the whole character", u"03"s, u"😀😀"s, "03\n??", u"03\n😀😀"s},
    };
    for (const Case &c : cases) {
        TrayIconData data;
        data.uID = 1;
        data.uFlags = 7;
        data.uCallbackMessage = 0x207;
        data.szTip = makeSzTip(c.tip);
        data.nameLine = c.name;
        std::string ansi = c.ansi;
        // The double-byte characters of the expectation, filled in as CP932.
        for (std::size_t at = ansi.find('\0'); at != std::string::npos; at = ansi.find('\0', at))
            ansi.replace(at, 2, "\x8e\x52");
        HWND owner = reinterpret_cast<HWND>(0x1234);
        HICON icon = reinterpret_cast<HICON>(0x5678);

        const TrayRecord japanese = Win32TrayIcon::recordFor(owner, data, icon, 932);
        ASSERT_FALSE(japanese.wide) << c.what;
        EXPECT_EQ(japanese.ansi.cbSize, NOTIFYICONDATAA_V1_SIZE) << c.what;
        EXPECT_EQ(japanese.ansi.hWnd, owner) << c.what;
        EXPECT_EQ(japanese.ansi.hIcon, icon) << c.what;
        EXPECT_EQ(japanese.ansi.uFlags, 7u) << c.what;
        EXPECT_EQ(japanese.ansi.uCallbackMessage, 0x207u) << c.what;
        EXPECT_EQ(std::string(japanese.ansi.szTip), ansi) << c.what;

        for (const UINT codePage : {1252u, 1251u, 65001u}) {
            const TrayRecord other = Win32TrayIcon::recordFor(owner, data, icon, codePage);
            ASSERT_TRUE(other.wide) << c.what << " " << codePage;
            EXPECT_EQ(other.unicode.cbSize, NOTIFYICONDATAW_V1_SIZE) << c.what;
            EXPECT_EQ(other.unicode.hWnd, owner) << c.what;
            EXPECT_EQ(other.unicode.uID, 1u) << c.what;
            EXPECT_EQ(other.unicode.hIcon, icon) << c.what;
            EXPECT_EQ(other.unicode.uFlags, 7u) << c.what;
            EXPECT_EQ(other.unicode.uCallbackMessage, 0x207u) << c.what;
            EXPECT_EQ(fromWide(other.unicode.szTip), c.shown) << c.what << " " << codePage;
        }
    }
}

namespace {
// A shell that refuses the first `refusals` adds, then takes every call.
struct RefusingShell {
    int refusals = 0;
    std::vector<DWORD> calls;
    std::vector<std::string> addedTips; // each add's tooltip, as the record holds it
    Win32TrayIcon::ShellCall call()
    {
        return [this](DWORD message, TrayRecord &record) -> BOOL {
            calls.push_back(message);
            if (message == ShellNimAdd)
                addedTips.push_back(
                    record.wide ? std::string(reinterpret_cast<const char *>(record.unicode.szTip),
                                              sizeof record.unicode.szTip)
                                : std::string(record.ansi.szTip));
            if (message == ShellNimAdd && refusals > 0) {
                --refusals;
                return FALSE;
            }
            return TRUE;
        };
    }
    int count(DWORD message) const
    {
        int n = 0;
        for (DWORD m : calls)
            n += m == message ? 1 : 0;
        return n;
    }
};
} // namespace

TEST(Win32TrayIcon, ARefusedIconIsTriedAgainWhileTheWindowStaysInReach)
{
    constexpr int Never = 1 << 30;
    const struct Case {
        const char *what;
        bool atStart;
        int refusals;
    } cases[] = {
        {"menu, taken at the fourth try", false, 3},
        {"start in the tray, taken at the fourth try", true, 3},
        {"menu, never taken", false, Never},
        {"start in the tray, never taken", true, Never},
    };
    for (const Case &c : cases) {
        Win32Rig rig;
        ASSERT_TRUE(rig.created);
        RefusingShell shell{c.refusals, {}, {}};
        Win32TrayIcon tray(rig.icons, rig.window.hwnd(), rig.window.popUpMenu(), shell.call());
        tray.setRetry(20, 300);
        MainController c2 = rig.controller(tray, rig.p.prompts);
        c2.setDialogs(rig.p.dialogs);
        rig.window.attach(&c2, &tray);
        rig.folder.writeIni(c.atStart ? u"[NUBREL]\nSTATE=3\n"s : u"[NUBREL]\nSTATE=0\n"s);
        c2.Form_Load();
        if (!c.atStart)
            c2.mnuTask_Click();
        HWND window = rig.window.hwnd();
        EXPECT_TRUE(IsWindowVisible(window)) << c.what << ": shown while no icon is in";
        EXPECT_FALSE(c2.state().InTray) << c.what;

        const bool taken = c.refusals != Never;
        if (taken) {
            ASSERT_TRUE(pumpUntil([&] { return c2.state().InTray; })) << c.what;
            EXPECT_FALSE(IsWindowVisible(window)) << c.what << ": in the tray once the icon is";
            EXPECT_EQ(shell.count(ShellNimAdd), 4) << c.what;
            EXPECT_TRUE(tray.isAdded()) << c.what;
            // The icon the retry added is the program's: the way back removes it.
            c2.TrayIcon_RestoreRequested();
            EXPECT_TRUE(IsWindowVisible(window)) << c.what;
            EXPECT_EQ(shell.count(ShellNimDelete), 1) << c.what;
        } else {
            // Until the wait is over the tray stays the choice saved.
            c2.SaveWindowSettings();
            EXPECT_TRUE(contains(rig.folder.readText(u"Nubrel.ini"s), u"STATE=3"s)) << c.what;
            bool hidden = false;
            ASSERT_TRUE(pumpUntil([&] {
                hidden = hidden || !IsWindowVisible(window);
                return !tray.waiting();
            })) << c.what;
            EXPECT_FALSE(hidden) << c.what << ": the window never went";
            EXPECT_FALSE(c2.state().InTray) << c.what;
            EXPECT_GT(shell.count(ShellNimAdd), 3) << c.what << ": tried again meanwhile";
            // The wait is over: no more tries, and the window as it is now is saved.
            const std::size_t tries = shell.calls.size();
            int passes = 0;
            pumpUntil([&] { return ++passes > 10; });
            EXPECT_EQ(shell.calls.size(), tries) << c.what << ": the tries end";
            c2.SaveWindowSettings();
            EXPECT_TRUE(contains(rig.folder.readText(u"Nubrel.ini"s), u"STATE=0"s)) << c.what;
            // Still in reach: its menu puts it into the tray once the shell takes icons.
            shell.refusals = 0;
            c2.mnuTask_Click();
            EXPECT_TRUE(c2.state().InTray) << c.what;
            EXPECT_FALSE(IsWindowVisible(window)) << c.what;
        }
        rig.window.attach(nullptr, nullptr);
    }
}

// Explorer started again says so to every top-level window: its new tray
// knows no icon, so the icon goes in again as it was; out of the tray
// nothing goes in. Wine's tray docks its icons again by itself and shows
// nothing of this: the shell is the seam.
TEST(Win32TrayIcon, ExplorerStartedAgainGetsTheIconBackWhileInTheTray)
{
    Win32Rig rig;
    ASSERT_TRUE(rig.created);
    RefusingShell shell;
    Win32TrayIcon tray(rig.icons, rig.window.hwnd(), rig.window.popUpMenu(), shell.call());
    MainController c = rig.controller(tray, rig.p.prompts);
    c.setDialogs(rig.p.dialogs);
    rig.window.attach(&c, &tray);
    rig.folder.writeIni(u"[NUBREL]\nSTATE=3\n"s);
    c.Form_Load();
    ASSERT_TRUE(c.state().InTray);
    HWND window = rig.window.hwnd();
    const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    ASSERT_NE(taskbarCreated, 0u);

    SendMessageW(window, taskbarCreated, 0, 0);
    ASSERT_EQ(shell.count(ShellNimAdd), 2);
    EXPECT_EQ(shell.addedTips[1], shell.addedTips[0]);
    EXPECT_FALSE(IsWindowVisible(window)) << "still in the tray";

    c.TrayIcon_RestoreRequested();
    SendMessageW(window, taskbarCreated, 0, 0);
    EXPECT_EQ(shell.count(ShellNimAdd), 2) << "an icon added while out of the tray";
    EXPECT_TRUE(IsWindowVisible(window));
    rig.window.attach(nullptr, nullptr);
}
