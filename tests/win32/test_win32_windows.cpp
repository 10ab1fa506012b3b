// The program's windows as Windows (here Wine) runs them: who owns each modal
// window and what it disables, keys inside a wait's pass of the message loop,
// the option groups' one stop of Tab, the question's four whole lines, and
// every window laid out again from its twips for another resolution.
#include "ProgramFolder.h"
#include "app/Twips.h"
#include "config/basNbComIni.h"
#include "frontend/win32/Win32Dialogs.h"
#include "frontend/win32/Win32Icons.h"
#include "frontend/win32/Win32Launcher.h"
#include "frontend/win32/Win32MessageLoop.h"
#include "frontend/win32/Win32Prompts.h"
#include "frontend/win32/frmNbmsg.h"
#include "frontend/win32/frmNubrel.h"
#include "state/ProgramState.h"

#include <cmath>
#include <cwchar>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// Ids of the controls, as the forms number them.
constexpr int QuestionLabel = 100, QuestionStop = 101, QuestionExit = 102;
constexpr int Com1 = 221, Speed = 230, History0 = 240, Register = 250;

// Runs `step` from a timer inside whatever loop runs now (a modal dialog's,
// a message box's) until it says it is done; after 200 steps (some seconds)
// it gives up and cancels every dialog of the thread, so no wait is endless.
class Driver {
public:
    explicit Driver(std::function<bool()> step) : m_step(std::move(step))
    {
        s_current = this;
        m_timer = SetTimer(nullptr, 0, 30, &Driver::tick);
    }
    ~Driver()
    {
        KillTimer(nullptr, m_timer);
        s_current = nullptr;
    }
    Driver(const Driver &) = delete;
    Driver &operator=(const Driver &) = delete;
    bool finished() const { return m_done; }
    bool gaveUp() const { return m_givenUp; }

private:
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD)
    {
        Driver *self = s_current;
        if (!self || self->m_inside)
            return;
        self->m_inside = true;
        if (!self->m_done && !self->m_givenUp) {
            if (self->m_step())
                self->m_done = true;
            else if (++self->m_ticks > 200)
                self->giveUp();
        }
        self->m_inside = false;
    }
    void giveUp()
    {
        m_givenUp = true;
        EnumThreadWindows(GetCurrentThreadId(), &cancelDialog, 0);
    }
    static BOOL CALLBACK cancelDialog(HWND w, LPARAM)
    {
        wchar_t name[16] = {};
        GetClassNameW(w, name, 16);
        if (std::wcscmp(name, L"#32770") == 0)
            PostMessageW(w, WM_COMMAND, IDCANCEL, 0);
        return TRUE;
    }

    static inline Driver *s_current = nullptr;
    std::function<bool()> m_step;
    UINT_PTR m_timer = 0;
    int m_ticks = 0;
    bool m_inside = false;
    bool m_done = false;
    bool m_givenUp = false;
};

BOOL CALLBACK findDialog(HWND w, LPARAM out)
{
    wchar_t name[16] = {};
    GetClassNameW(w, name, 16);
    if (std::wcscmp(name, L"#32770") == 0 && IsWindowVisible(w)) {
        *reinterpret_cast<HWND *>(out) = w;
        return FALSE;
    }
    return TRUE;
}

// The visible dialog-manager window of this thread, the newest first.
HWND openDialog()
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &findDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

void cancel(HWND dialog)
{
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

void pressKey(UINT key)
{
    HWND focus = GetFocus();
    PostMessageW(focus, WM_KEYDOWN, key, 1);
    PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
}

// The control with the focus, or the combo box whose edit field has it.
int focusedId()
{
    HWND focus = GetFocus();
    const int id = GetDlgCtrlID(focus);
    if (id == 1001) // a combo box's edit field
        return GetDlgCtrlID(GetParent(focus));
    return id;
}

// The button of an option group that Tab stops at; the first when none is.
HWND tabStopOf(HWND dialog, int firstId, int count)
{
    for (int id = firstId; id < firstId + count; ++id)
        if (GetWindowLongPtrW(GetDlgItem(dialog, id), GWL_STYLE) & WS_TABSTOP)
            return GetDlgItem(dialog, id);
    return GetDlgItem(dialog, firstId);
}

RECT clientRectOf(HWND control)
{
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT *>(&r), 2);
    return r;
}

LONG fontHeightOf(HWND window)
{
    auto font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    LOGFONTW lf{};
    if (!font || GetObjectW(font, sizeof lf, &lf) == 0)
        return 0;
    return lf.lfHeight;
}

// How many lines a label shows its text in, wrapped as a static control wraps.
int shownLines(HWND label)
{
    wchar_t text[512] = {};
    GetWindowTextW(label, text, 512);
    RECT client{};
    GetClientRect(label, &client);
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    RECT r{0, 0, client.right, 0};
    DrawTextW(dc, text, -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    return metrics.tmHeight > 0 ? (r.bottom - r.top) / metrics.tmHeight : 0;
}

int systemDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// Every window of a test: the main window, the settings file, the prompts
// over the main window, and the dialogs the menu commands open.
struct Program {
    ProgramFolder folder;
    Win32Icons icons{folder.path()};
    frmNubrel window{icons};
    ProgramState state;
    basNbComIni ini{folder.path()};
    Win32Prompts prompts{[this] { return window.hwnd(); }};
    Win32Launcher launcher;
    std::unique_ptr<Win32Dialogs> dialogs;

    Program()
    {
        folder.writeIni(u"[ENV]\nPRODUCT_CNT=1\nPRODUCT1=0,0,TA-1\n");
        EXPECT_TRUE(window.create());
        dialogs = std::make_unique<Win32Dialogs>(
            state, ini, prompts, launcher, window.hwnd(), [] {}, nullptr);
    }
    HWND main() const { return window.hwnd(); }
};

// What was seen of a modal window while it was open.
struct Seen {
    bool shown = false;
    HWND owner = nullptr;
    BOOL mainEnabled = TRUE;
    bool ownTaskButton = false;
};

} // namespace

TEST(Win32Windows, EveryModalWindowIsOwnedByTheMainWindowAndDisablesIt)
{
    const struct {
        const char *what;
        bool mainShown;
        std::function<void(Program &)> open;
    } cases[] = {
        {"question, main window in the tray", false,
         [](Program &p) { p.prompts.fncMsgDlg(u"Nubrel", u"COM2は使用できません。"); }},
        {"question, main window shown", true,
         [](Program &p) { p.prompts.fncMsgDlg(u"Nubrel", u"COM2は使用できません。"); }},
        {"message box, main window in the tray", false,
         [](Program &p) { p.prompts.messageBox(u"text", u"VORDEK", MessageIcon::Exclamation); }},
        {"settings dialog", true, [](Program &p) { p.dialogs->showSettingsDialog(); }},
        {"font dialog", true,
         [](Program &p) {
             FontSpec font{u"Arial", 18, false, false};
             p.prompts.chooseFont(font);
         }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Program p;
        if (c.mainShown)
            p.window.showWindow();
        Seen seen;
        {
            Driver driver([&] {
                HWND d = openDialog();
                if (!d)
                    return false;
                seen.shown = true;
                seen.owner = GetWindow(d, GW_OWNER);
                seen.mainEnabled = IsWindowEnabled(p.main());
                seen.ownTaskButton = (GetWindowLongPtrW(d, GWL_EXSTYLE) & WS_EX_APPWINDOW) != 0;
                cancel(d);
                return true;
            });
            c.open(p);
            EXPECT_TRUE(driver.finished());
        }
        EXPECT_TRUE(seen.shown);
        EXPECT_EQ(seen.owner, p.main());
        EXPECT_FALSE(seen.mainEnabled);
        EXPECT_FALSE(seen.ownTaskButton);
        EXPECT_TRUE(IsWindowEnabled(p.main()));
    }
}

TEST(Win32Windows, TheAboutBoxIsOwnedByTheMainWindow)
{
    Program p;
    p.window.showWindow();
    p.dialogs->showAbout();
    HWND about = openDialog();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(GetWindow(about, GW_OWNER), p.main());
    EXPECT_EQ(GetWindowLongPtrW(about, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
    // Modeless: the main window still takes input.
    EXPECT_TRUE(IsWindowEnabled(p.main()));
    p.dialogs->closeAbout();
    EXPECT_EQ(openDialog(), nullptr);
}

TEST(Win32Windows, TheQuestionShowsItsFourLinesWholeWithTheButtonsWhereDrawn)
{
    Program p;
    int lines = 0;
    RECT client{}, label{}, stop{}, exitButton{};
    {
        Driver driver([&] {
            HWND d = openDialog();
            if (!d)
                return false;
            GetClientRect(d, &client);
            lines = shownLines(GetDlgItem(d, QuestionLabel));
            label = clientRectOf(GetDlgItem(d, QuestionLabel));
            stop = clientRectOf(GetDlgItem(d, QuestionStop));
            exitButton = clientRectOf(GetDlgItem(d, QuestionExit));
            cancel(d);
            return true;
        });
        p.prompts.fncMsgDlg(u"Nubrel", u"COM3は使用できません。別のﾎﾟｰﾄに設定してください。");
        EXPECT_TRUE(driver.finished());
    }
    EXPECT_EQ(lines, 4);
    EXPECT_LE(label.right, client.right);
    // The buttons below the label, their pair where it was drawn about the
    // box's middle: 240 twips (16 pixels) to the left of it.
    EXPECT_GE(stop.top, label.bottom);
    EXPECT_NEAR((stop.left + exitButton.right) / 2.0 - client.right / 2.0,
                -Twips::toPixels(240, systemDpi()), 1.5);
    EXPECT_EQ(stop.top, exitButton.top);
}

TEST(Win32Windows, KeysReachADialogThroughTheWaitsPassOfTheLoop)
{
    // A wait for the device runs a pass of the loop inside a modal window's
    // own loop: the key is taken there, as the dialog's own loop would.
    const struct {
        const char *what;
        UINT key;
        std::function<void(Program &)> open;
        bool closesIt; // else the test closes it, once Tab has moved the focus on
    } cases[] = {
        {"Enter presses a message box's OK", VK_RETURN,
         [](Program &p) { p.prompts.messageBox(u"text", u"VORDEK", MessageIcon::Exclamation); },
         true},
        {"Tab moves on in the settings dialog", VK_TAB,
         [](Program &p) { p.dialogs->showSettingsDialog(); }, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Program p;
        bool pressed = false;
        bool movedOn = false;
        bool givenUp = false;
        {
            Driver driver([&] {
                HWND d = openDialog();
                if (!d)
                    return false;
                if (!pressed) {
                    pressed = true;
                    pressKey(c.key);
                    Win32MessageLoop::processPending();
                    movedOn = focusedId() == Speed;
                    return false;
                }
                if (c.closesIt)
                    return false; // the key's end, or the guard
                cancel(d);
                return true;
            });
            c.open(p);
            givenUp = driver.gaveUp();
        }
        EXPECT_TRUE(pressed);
        EXPECT_FALSE(givenUp);
        if (!c.closesIt) {
            EXPECT_TRUE(movedOn);
        }
    }
}

TEST(Win32Windows, EachOptionGroupIsOneTabStopWithTheArrowsInside)
{
    // With a button on, and with none on (a port or history value in the
    // file that no button stands for).
    const struct {
        std::int16_t port, history;
    } cases[] = {{2, 0}, {7, 5}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.port);
        Program p;
        p.state.ComPort = c.port;
        p.state.HistTxt = c.history;
        const std::vector<std::function<bool(HWND)>> steps = {
            // Tab leaves the port group for the speed.
            [](HWND d) { return SetFocus(tabStopOf(d, Com1, 4)), pressKey(VK_TAB), true; },
            [](HWND) { return focusedId() == Speed; },
            // The arrows move within it and turn the button on.
            [](HWND d) { return SetFocus(GetDlgItem(d, Com1)), pressKey(VK_RIGHT), true; },
            [](HWND d) { return focusedId() == Com1 + 1 && IsDlgButtonChecked(d, Com1 + 1); },
            // The one stop of Tab is the button that is on.
            [](HWND d) {
                for (int i = 0; i < 4; ++i) {
                    const bool stop =
                        (GetWindowLongPtrW(GetDlgItem(d, Com1 + i), GWL_STYLE) & WS_TABSTOP) != 0;
                    if (stop != (i == 1))
                        return false;
                }
                return true;
            },
            // The history pair the same.
            [](HWND d) { return SetFocus(tabStopOf(d, History0, 2)), pressKey(VK_TAB), true; },
            [](HWND) { return focusedId() == Register; },
            [](HWND d) { return SetFocus(GetDlgItem(d, History0)), pressKey(VK_RIGHT), true; },
            [](HWND d) {
                return focusedId() == History0 + 1 && IsDlgButtonChecked(d, History0 + 1);
            },
        };
        std::vector<bool> passed;
        {
            Driver driver([&] {
                HWND d = openDialog();
                if (!d)
                    return false;
                if (passed.size() < steps.size()) {
                    passed.push_back(steps[passed.size()](d));
                    return false;
                }
                cancel(d);
                return true;
            });
            p.dialogs->showSettingsDialog();
            EXPECT_TRUE(driver.finished());
        }
        ASSERT_EQ(passed.size(), steps.size());
        for (std::size_t i = 0; i < steps.size(); ++i)
            EXPECT_TRUE(passed[i]) << "step " << i;
    }
}

TEST(Win32Windows, EveryDialogIsLaidOutAgainForANewResolution)
{
    // A move to a monitor of 150 % (144 dots per inch) from one of 100 %:
    // the box, each control and each font 1.5 times, as their twips say.
    const struct {
        const char *what;
        std::function<void(Program &)> open;
        bool modal;
    } cases[] = {
        {"settings dialog", [](Program &p) { p.dialogs->showSettingsDialog(); }, true},
        {"question", [](Program &p) { p.prompts.fncMsgDlg(u"Nubrel", u"COM2は使用できません。"); },
         true},
        {"About box", [](Program &p) { p.dialogs->showAbout(); }, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Program p;
        struct Control {
            HWND hwnd;
            RECT before, after;
            LONG fontBefore, fontAfter;
            bool combo;
        };
        std::vector<Control> controls;
        RECT clientBefore{}, clientAfter{};
        const auto measure = [&](HWND d) {
            GetClientRect(d, &clientBefore);
            for (HWND child = GetWindow(d, GW_CHILD); child;
                 child = GetWindow(child, GW_HWNDNEXT)) {
                wchar_t name[16] = {};
                GetClassNameW(child, name, 16);
                controls.push_back({child,
                                    clientRectOf(child),
                                    {},
                                    fontHeightOf(child),
                                    0,
                                    _wcsicmp(name, L"ComboBox") == 0});
            }
            RECT window{};
            GetWindowRect(d, &window);
            RECT suggested{window.left, window.top,
                           window.left + (window.right - window.left) * 3 / 2,
                           window.top + (window.bottom - window.top) * 3 / 2};
            SendMessageW(d, WM_DPICHANGED, MAKEWPARAM(144, 144),
                         reinterpret_cast<LPARAM>(&suggested));
            GetClientRect(d, &clientAfter);
            for (Control &control : controls) {
                control.after = clientRectOf(control.hwnd);
                control.fontAfter = fontHeightOf(control.hwnd);
            }
        };
        if (c.modal) {
            Driver driver([&] {
                HWND d = openDialog();
                if (!d)
                    return false;
                measure(d);
                cancel(d);
                return true;
            });
            c.open(p);
            EXPECT_TRUE(driver.finished());
        } else {
            c.open(p);
            HWND d = openDialog();
            ASSERT_NE(d, nullptr);
            measure(d);
            p.dialogs->closeAbout();
        }
        ASSERT_FALSE(controls.empty());
        EXPECT_NEAR(clientAfter.right, clientBefore.right * 1.5, 1.5);
        EXPECT_NEAR(clientAfter.bottom, clientBefore.bottom * 1.5, 1.5);
        for (const Control &k : controls) {
            EXPECT_NEAR(k.after.left, k.before.left * 1.5, 1.5);
            EXPECT_NEAR(k.after.top, k.before.top * 1.5, 1.5);
            EXPECT_NEAR(k.after.right - k.after.left, (k.before.right - k.before.left) * 1.5, 1.5);
            // A combo box is as tall as its font makes it.
            if (!k.combo) {
                EXPECT_NEAR(k.after.bottom - k.after.top, (k.before.bottom - k.before.top) * 1.5,
                            1.5);
            }
            EXPECT_NEAR(k.fontAfter, k.fontBefore * 1.5, 1.0);
            EXPECT_NE(k.fontAfter, 0);
        }
    }
}

TEST(Win32Windows, TheMainWindowKeepsItsTwipsOnANewResolution)
{
    Program p;
    p.window.showWindow();
    RECT client{};
    EXPECT_EQ(fontHeightOf(p.main()), -std::lround(18 * 96 / 72.0));
    RECT window{};
    GetWindowRect(p.main(), &window);
    RECT suggested{window.left + 10, window.top + 20, window.right + 100, window.bottom + 50};
    SendMessageW(p.main(), WM_DPICHANGED, MAKEWPARAM(144, 144),
                 reinterpret_cast<LPARAM>(&suggested));
    GetClientRect(p.main(), &client);
    EXPECT_EQ(client.right, Twips::toPixels(frmNubrel::DesignClientWidth, 144));
    EXPECT_EQ(client.bottom, Twips::toPixels(frmNubrel::DesignClientHeight, 144));
    EXPECT_EQ(fontHeightOf(p.main()), -std::lround(18 * 144 / 72.0));
    GetWindowRect(p.main(), &window);
    EXPECT_EQ(window.left, suggested.left);
    EXPECT_EQ(window.top, suggested.top);
    // The size it reports is its size in twips at its own resolution; the
    // position goes by the system's, so a stored one comes back unchanged.
    EXPECT_NEAR(p.window.width(), (window.right - window.left) * 10.0, 0.01);
    EXPECT_NEAR(p.window.left(), suggested.left * Twips::perPixel(systemDpi()), 0.01);
    p.window.setLeft(3000);
    p.window.setTop(1500);
    EXPECT_NEAR(p.window.left(), 3000, 0.01);
    EXPECT_NEAR(p.window.top(), 1500, 0.01);
}
