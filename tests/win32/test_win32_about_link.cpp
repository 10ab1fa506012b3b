// The About box's link on Windows, with real windows and a stand-in browser
// of the tests' own found by the drive search: how the browser is started,
// the hourglass during the search, and the search ending with the program.
#include "Fakes.h"
#include "ProgramFolder.h"
#include "TestText.h"
#include "frontend/win32/Win32EventPump.h"
#include "frontend/win32/Win32Icons.h"
#include "frontend/win32/Win32Launcher.h"
#include "frontend/win32/Win32Text.h"
#include "frontend/win32/frmNbAbout.h"
#include "frontend/win32/frmNubrel.h"
#include "platform/Files.h"
#include "text/Utf.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>

namespace {

// The stand-in browser built beside this test program.
std::filesystem::path fakeBrowser()
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return std::filesystem::path(self).parent_path() / L"fake_browser.exe";
}

// The real message loop's pass, counted, with what the test does at each.
class CountingPump final : public EventPump {
public:
    int m_passes = 0;
    std::function<void()> m_onPass;
    bool processPendingEvents() override
    {
        ++m_passes;
        if (m_onPass)
            m_onPass();
        return m_real.processPendingEvents();
    }

private:
    Win32EventPump m_real;
};

// A drive with a few directories, the stand-in as IEXPLORE.EXE listed last.
struct Drive {
    ProgramFolder dir;
    std::u16string log = dir.file(u"browser.log"s);
    Drive()
    {
        for (const char16_t *sub :
             {u"a", u"b", u"c", u"Program Files", u"Program Files/Internet Explorer"})
            EXPECT_TRUE(makeFolder(dir.file(sub)));
        std::error_code error;
        std::filesystem::copy_file(
            fakeBrowser(), nativePath(dir.file(u"Program Files/Internet Explorer/IEXPLORE.EXE"s)),
            error);
        EXPECT_FALSE(error) << error.message();
        SetEnvironmentVariableW(L"NUBREL_FAKE_BROWSER_LOG", wide(Files::toNativeSeparators(log)));
    }
};

// Lambdas are no stdcall functions on 32-bit Windows: these are.
BOOL CALLBACK keepLink(HWND child, LPARAM out)
{
    wchar_t text[64] = {};
    GetWindowTextW(child, text, 64);
    if (std::wstring(text) != L"vordek.example.jp")
        return TRUE;
    *reinterpret_cast<HWND *>(out) = child;
    return FALSE;
}

HWND linkOf(HWND box)
{
    HWND found = nullptr;
    EnumChildWindows(box, &keepLink, reinterpret_cast<LPARAM>(&found));
    return found;
}

// The system asks the window under the mouse for its pointer at every move.
bool waitCursorAfterMouseMoveOver(HWND window)
{
    SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor() == LoadCursorW(nullptr, IDC_WAIT);
}

} // namespace

TEST(Win32AboutLink, TheBrowserFoundStartsShownWithTheAddressAndTheHourglassStaysMeanwhile)
{
    ASSERT_TRUE(std::filesystem::exists(fakeBrowser())) << "fake_browser.exe is built with us";
    Drive drive;
    Win32Icons icons(drive.dir.path());
    frmNubrel main(icons);
    ASSERT_TRUE(main.create());
    main.showWindow();

    FakePrompts prompts;
    Win32Launcher launcher;
    CountingPump pump;
    frmNbAbout box(
        prompts, launcher, pump, [] { return true; }, [] {}, nullptr, drive.dir.path());
    ASSERT_TRUE(box.showModeless(nullptr));
    HWND link = linkOf(box.hwnd());
    ASSERT_NE(link, nullptr);

    int waitSeen = 0;
    int passes = 0;
    pump.m_onPass = [&] {
        ++passes;
        waitSeen += waitCursorAfterMouseMoveOver(link) ? 1 : 0;
        waitSeen += waitCursorAfterMouseMoveOver(main.hwnd()) ? 1 : 0;
    };
    box.lblHome_MouseDown(1, 0, 0, 0);
    EXPECT_EQ(passes, 5) << "a, b, c, Program Files, Internet Explorer";
    EXPECT_EQ(waitSeen, 2 * passes) << "over the link and the main window, every time";
    EXPECT_FALSE(waitCursorAfterMouseMoveOver(main.hwnd())) << "the pointer is back after it";
    EXPECT_TRUE(prompts.m_messages.empty());
    EXPECT_FALSE(box.isOpen()) << "the box closes after the launch";

    // The browser writes its report (four lines) and ends on its own. Under
    // Wine the renamed file can be seen a moment before its bytes can be read.
    std::string report;
    for (int i = 0; i < 2000 && std::count(report.begin(), report.end(), '\n') < 4; ++i) {
        report = drive.dir.readBytes(u"browser.log"s);
        if (std::count(report.begin(), report.end(), '\n') < 4)
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    ASSERT_FALSE(report.empty()) << "the browser was not started";
    std::istringstream lines(report);
    std::string count, argument, shown, visible;
    std::getline(lines, count);
    std::getline(lines, argument);
    std::getline(lines, shown);
    std::getline(lines, visible);
    EXPECT_EQ(count, "1") << "the address is one argument";
    EXPECT_EQ(argument, "https://vordek.example.jp/");
    EXPECT_EQ(shown, std::to_string(SW_SHOWNORMAL)) << "a normal window that takes the focus";
    EXPECT_EQ(visible, "1");
}

TEST(Win32AboutLinkDeathTest, AQuitDuringTheSearchEndsItAtOnce)
{
    ASSERT_TRUE(std::filesystem::exists(fakeBrowser()));
    // In a child program: the quit ends every message loop of the process.
    EXPECT_EXIT(
        {
            Drive drive;
            FakePrompts prompts;
            Win32Launcher launcher;
            CountingPump pump;
            frmNbAbout box(
                prompts, launcher, pump, [] { return true; }, [] {}, nullptr, drive.dir.path());
            box.showModeless(nullptr);
            // 終了 chosen while the search runs: the program's end comes
            // through the message loop as its quit.
            pump.m_onPass = [&pump] {
                if (pump.m_passes == 2)
                    PostQuitMessage(0);
            };
            box.lblHome_MouseDown(1, 0, 0, 0);
            std::fprintf(stderr, "passes=%d messages=%d\n", pump.m_passes,
                         static_cast<int>(prompts.m_messages.size()));
            std::fflush(stderr);
            std::exit(0);
        },
        testing::ExitedWithCode(0), "passes=2 messages=0");
}
