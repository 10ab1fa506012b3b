// Start-up and shut-down of the main window through the boundary.
#include "ControllerRig.h"

#include "ProgramFolder.h"
#include "TestText.h"
#include "platform/Cp932.h"
#include "text/Text.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include "PermissionsBind.h"
#endif

namespace {

std::vector<std::u16string> keysOf(const std::u16string &ini, const std::u16string &section)
{
    std::vector<std::u16string> keys;
    bool inSection = false;
    for (const std::u16string &line : split(ini, u"\r\n")) {
        if (line.starts_with(u'[')) {
            inSection = line == u'[' + section + u']';
            continue;
        }
        if (inSection && contains(line, u'='))
            keys.push_back(line.substr(0, line.find(u'=')));
    }
    return keys;
}

} // namespace

TEST(FormLoad, FreshStartWithoutSettingsFileRunsOnDefaults)
{
    ControllerRig r;
    // A window unlike the designed one: without settings, start-up keeps the
    // window's own title, place, size and font, and sets its state.
    r.p.view.m_title = u"x"s;
    r.p.view.m_top = 15;
    r.p.view.m_left = 30;
    r.p.view.m_height = 45;
    r.p.view.m_width = 60;
    r.p.view.m_font = FontSpec{u"IPAPGothic"s, 9, true, true};
    r.p.view.m_state = WindowState::Maximised;
    r.c.Form_Load();

    EXPECT_EQ(r.p.timer.m_interval, 10000);
    EXPECT_EQ(r.s.PollInterval, 10000);
    EXPECT_EQ(r.p.view.m_title, u"x"s);
    EXPECT_EQ(r.p.view.m_shows, 1);
    EXPECT_EQ(r.p.view.m_state, WindowState::Normal);
    EXPECT_EQ(r.p.view.m_font, (FontSpec{u"IPAPGothic"s, 9, true, true}));
    EXPECT_EQ(r.p.view.m_top, 15);
    EXPECT_EQ(r.p.view.m_left, 30);
    EXPECT_EQ(r.p.view.m_height, 45);
    EXPECT_EQ(r.p.view.m_width, 60);
    EXPECT_EQ(r.s.ComPort, 2);
    EXPECT_EQ(r.s.ComSpeed, u"9600"s);
    EXPECT_EQ(r.p.port.m_device, deviceOf(2));
    EXPECT_EQ(r.p.port.m_settings, u"9600,N,8,1"s);
    EXPECT_EQ(r.s.Product, (ProductEntry{0, 0, std::u16string()}));
    EXPECT_EQ(r.s.HistTxt, 0);
    EXPECT_EQ(r.s.LastCallNo, -2);
    EXPECT_FALSE(r.s.InTray);
    EXPECT_FALSE(r.s.Stopped);
    EXPECT_TRUE(r.p.tip.m_loaded);
    EXPECT_EQ(r.p.tip.m_shows, 0);
    EXPECT_EQ(r.p.port.m_opens, 0) << "kind 0 sends nothing before the first tick";
    EXPECT_FALSE(r.folder.exists(u"Nubrel.ini"s)) << "start-up only reads";
}

TEST(FormLoad, TimerSettingGivesThePeriod)
{
    struct Case {
        const char *timer;
        int period;
    } cases[] = {{"0", 10000},   {"-5", 10000}, {"1", 1000},       {"3", 3000},
                 {"30", 30000},  {"66", 66000}, {"3600", 3600000}, {"3601", 10000},
                 {"abc", 10000}, {"", 10000},   {"99999", 10000}};
    for (const Case &c : cases) {
        ControllerRig r;
        r.folder.writeIni(u"[ENV]\nTIMER="s + Text::fromLatin1(c.timer) + u'\n');
        r.c.Form_Load();
        EXPECT_EQ(r.p.timer.m_interval, c.period) << c.timer;
        EXPECT_EQ(r.s.PollInterval, c.period) << c.timer;
    }
}

TEST(FormLoad, RestoresGeometryFontAndSettingsAndIgnoresValuesThatMakeNoSense)
{
    ControllerRig r;
    r.folder.writeIni(u"[NUBREL]\nTOP=-3000\nLEFT=99000\nHEIGHT=2000\nWIDTH=5000.5\n"
                      "FONT=IPAPGothic\nFONTSIZE=12\nFONTBOLD=True\nFONTITALIC=-1\n"
                      "PRODUCTSIDX=1\nPRODUCTSLIST1=1,端末,型,A\n"
                      "[ENV]\nCOMPORT=3\nCOMSPEED= 19200 \nHISTTXT=1\n"s);
    r.p.port.answer({"OK"});
    r.c.Form_Load();
    EXPECT_EQ(r.p.view.m_top, -3000) << "a position off the screen is kept";
    EXPECT_EQ(r.p.view.m_left, 99000);
    EXPECT_EQ(r.p.view.m_height, 2000);
    EXPECT_EQ(r.p.view.m_width, 5000.5);
    EXPECT_EQ(r.p.view.m_font, (FontSpec{u"IPAPGothic"s, 12, true, true}));
    EXPECT_EQ(r.s.Product, (ProductEntry{1, 1, u"端末,型,A"s}));
    EXPECT_EQ(r.s.ComPort, 3);
    EXPECT_EQ(r.p.port.m_device, deviceOf(3));
    EXPECT_EQ(r.p.port.m_settings, u"19200,N,8,1"s);
    EXPECT_EQ(r.s.HistTxt, 1);
    EXPECT_EQ(r.p.port.m_written, std::vector<std::string>{"AT$i10 = 1\r"})
        << "kind 1 is initialised";

    ControllerRig bad;
    bad.folder.writeIni(u"[NUBREL]\nTOP=abc\nLEFT=\nHEIGHT=-20\nWIDTH=1e999\n"
                        "FONTSIZE=big\nFONTBOLD=maybe\nFONTITALIC=1\nSTATE=9\n"
                        "PRODUCTSIDX=5\n"s);
    bad.c.Form_Load();
    EXPECT_EQ(bad.p.view.m_top, 1200);
    EXPECT_EQ(bad.p.view.m_left, 1500);
    EXPECT_EQ(bad.p.view.m_height, 1725);
    EXPECT_EQ(bad.p.view.m_width, 4335);
    EXPECT_EQ(bad.p.view.m_font, (FontSpec{u"ＭＳ Ｐゴシック"s, 18, false, true}));
    EXPECT_EQ(bad.p.view.m_state, WindowState::Normal);
    EXPECT_EQ(bad.s.Product, (ProductEntry{5, 0, std::u16string()}));
}

TEST(FormLoad, SavedWindowStateIsRestored)
{
    for (const int saved : {1, 2}) {
        ControllerRig r;
        r.folder.writeIni(u"[NUBREL]\nSTATE="s + Text::number(saved) + u'\n');
        r.c.Form_Load();
        EXPECT_EQ(static_cast<int>(r.p.view.m_state), saved);
        EXPECT_EQ(r.p.view.m_shows, 1);
        EXPECT_TRUE(r.p.tray.m_calls.empty());
    }

    ControllerRig tray;
    tray.folder.writeIni(u"[NUBREL]\nSTATE=3\nTOP=100\n"s);
    tray.c.Form_Load();
    EXPECT_TRUE(tray.s.InTray);
    EXPECT_EQ(tray.p.view.m_shows, 0) << "never shown during start-up";
    EXPECT_EQ(tray.p.view.m_state, WindowState::Normal);
    EXPECT_EQ(tray.p.tray.messages(), std::vector<NotifyMessage>{NotifyMessage::NIM_ADD});
    tray.c.mnuTask_Click();
    EXPECT_EQ(tray.p.view.m_shows, 1);
    EXPECT_EQ(tray.p.view.m_top, 100);
}

TEST(FormLoad, InitialisationCommandAnswersActAtOnce)
{
    const std::u16string kind1 = u"[NUBREL]\nPRODUCTSLIST0=1,TA\n"s;

    ControllerRig stop;
    stop.folder.writeIni(kind1);
    stop.p.port.m_openFails = true;
    stop.p.prompts.m_answers.push_back(false);
    stop.c.Form_Load();
    EXPECT_TRUE(stop.s.Stopped);
    EXPECT_EQ(stop.p.timer.m_interval, 0);
    EXPECT_EQ(stop.p.view.m_shows, 1);

    ControllerRig exit;
    exit.folder.writeIni(kind1);
    exit.p.port.m_openFails = true;
    exit.p.prompts.m_answers.push_back(true);
    exit.c.Form_Load();
    EXPECT_TRUE(exit.s.Unloaded);
    EXPECT_EQ(exit.p.view.m_ended, 1);
    EXPECT_EQ(exit.p.view.m_shows, 0);
    EXPECT_TRUE(contains(exit.folder.readText(u"Nubrel.ini"s), u"STATE=0"s));

    ControllerRig silent;
    silent.folder.writeIni(kind1);
    silent.p.port.silent();
    silent.c.Form_Load();
    EXPECT_FALSE(silent.s.Stopped);
    EXPECT_EQ(silent.s.iTry, 1);
    EXPECT_EQ(silent.p.view.m_shows, 1) << "an unanswered initialisation lets start-up go on";
}

TEST(FormUnload, NormalWindowWritesEveryKeyInOrder)
{
    ControllerRig r;
    r.c.Form_Load();
    r.p.view.m_substituteFace = u"IPAPGothic"s;
    r.c.mnuFont_Click(); // cancelled: the face is asked for again and substituted
    r.c.Form_Unload();

    const std::u16string ini = r.folder.readText(u"Nubrel.ini"s);
    EXPECT_EQ(keysOf(ini, u"NUBREL"s),
              split(u"TOP LEFT HEIGHT WIDTH STATE FONT FONTSIZE FONTBOLD FONTITALIC", u" "));
    EXPECT_EQ(ini, u"[NUBREL]\r\nTOP=1200\r\nLEFT=1500\r\nHEIGHT=1725\r\nWIDTH=4335\r\n"
                   "STATE=0\r\nFONT=IPAPGothic\r\nFONTSIZE=18\r\nFONTBOLD=False\r\n"
                   "FONTITALIC=False\r\n"s);
    EXPECT_TRUE(r.p.tip.m_unloaded);
    EXPECT_EQ(r.p.dialogs.m_aboutClosed, 1);
    EXPECT_EQ(r.p.view.m_ended, 1);
    EXPECT_TRUE(r.p.tray.m_calls.empty());

    r.c.Form_Unload();
    r.c.TimForm_Timer();
    EXPECT_EQ(r.p.view.m_ended, 1) << "a second unload does nothing";
    EXPECT_EQ(r.p.port.m_opens, 0);
}

TEST(FormUnload, OtherStatesKeepThePositionKeys)
{
    struct Case {
        WindowState state;
        bool intoTray;
        const char *written;
    } cases[] = {{WindowState::Minimised, false, "1"},
                 {WindowState::Maximised, false, "2"},
                 {WindowState::Normal, true, "3"},
                 {WindowState::Minimised, true, "1"}};
    for (const Case &c : cases) {
        ControllerRig r;
        r.folder.writeIni(u"; mine\n[NUBREL]\nTOP=7\nLEFT=8\nHEIGHT=9\nWIDTH=10\n"s);
        r.c.Form_Load();
        r.p.view.m_state = c.state;
        r.p.view.m_top = 4444;
        if (c.intoTray)
            r.c.mnuTask_Click();
        r.c.Form_Unload();
        const std::u16string ini = r.folder.readText(u"Nubrel.ini"s);
        EXPECT_TRUE(ini.starts_with(u"; mine\r\n[NUBREL]\r\nTOP=7\r\nLEFT=8\r\nHEIGHT=9\r\n"
                                    "WIDTH=10\r\nSTATE="s +
                                    Text::fromLatin1(c.written) + u"\r\n"s))
            << utf8(ini);
        if (c.intoTray) {
            EXPECT_EQ(r.p.tray.messages().back(), NotifyMessage::NIM_DELETE);
        }
    }
}

TEST(FormUnload, LogOffWritesTheSettingsAndKeepsMonitoring)
{
    ControllerRig r;
    r.c.Form_Load();
    r.c.mnuTask_Click();
    r.c.SaveWindowSettings();
    const std::u16string ini = r.folder.readText(u"Nubrel.ini"s);
    EXPECT_EQ(keysOf(ini, u"NUBREL"s), split(u"STATE FONT FONTSIZE FONTBOLD FONTITALIC", u" "));
    EXPECT_TRUE(contains(ini, u"STATE=3\r\n"s));
    EXPECT_EQ(r.p.view.m_ended, 0);
    EXPECT_EQ(r.p.tray.messages().back(), NotifyMessage::NIM_ADD) << "the icon stays";

    // The log-off was cancelled: monitoring goes on.
    r.p.port.answer({"AT\\L1\r\r\nRECEIVE CALLING PARTY = 0312345678/1207\r\n\r\nOK\r\n"});
    r.c.TimForm_Timer();
    EXPECT_EQ(r.s.LastNumber, u"0312345678"s);
    EXPECT_NE(r.p.timer.m_interval, 0);
}

TEST(FormUnload, HistoryLinesStillKeptGetOneMoreTry)
{
    ControllerRig r;
    r.c.Form_Load();
    const std::u16string history = r.folder.file(u"着信履歴.TXT"s);
    ASSERT_TRUE(makeFolder(history)); // nothing can be appended for now
    r.s.BaselineRead = true;
    r.p.port.answer({"AT\\L1\r\r\nRECEIVE CALLING PARTY = 0312345678/1207\r\n\r\nOK\r\n"});
    r.c.TimForm_Timer();
    ASSERT_EQ(r.s.LastNumber, u"0312345678"s);
    ASSERT_TRUE(removeFolder(history));
    r.c.Form_Unload();
    EXPECT_EQ(r.folder.readText(u"着信履歴.TXT"s), u"2026/12/07,09:05:03,0312345678\r\n"s);
}

namespace {
std::string utf16le(const std::u16string &text)
{
    std::string bytes = "\xFF\xFE";
    for (const char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}
} // namespace

// A file saved as "Unicode" by a text editor, and one the user made read-only:
// shut-down keeps each in its own form.
TEST(FormUnload, KeepsAUtf16FileUtf16AndAReadOnlyFileAsItWas)
{
    const std::u16string mine = u"; 設定\r\n[NUBREL]\r\nSTATE=2\r\nFONTSIZE=11\r\n"s;
    {
        ControllerRig r;
        r.folder.writeBytes(u"Nubrel.ini"s, utf16le(mine));
        r.c.Form_Load();
        r.p.view.m_state = WindowState::Normal;
        r.c.Form_Unload();
        const std::string after = r.folder.readBytes(u"Nubrel.ini"s);
        const std::u16string start = mine.substr(0, mine.find(u"STATE")) + u"STATE=0\r\n"s;
        ASSERT_TRUE(after.starts_with(utf16le(start))) << hex(after.substr(0, 64));
        ASSERT_EQ(after.size() % 2, 0u);
        std::u16string text;
        for (std::size_t at = 2; at < after.size(); at += 2)
            text += static_cast<char16_t>(static_cast<unsigned char>(after[at]) |
                                          static_cast<unsigned char>(after[at + 1]) << 8);
        EXPECT_EQ(keysOf(text, u"NUBREL"s),
                  split(u"STATE FONTSIZE TOP LEFT HEIGHT WIDTH FONT FONTBOLD FONTITALIC", u" "));
        EXPECT_TRUE(text.ends_with(u"FONTITALIC=False\r\n"s)) << utf8(text);
        EXPECT_EQ(split(text, u"\r\n").size(), split(text, u"\n").size()) << "a bare line feed";
        EXPECT_EQ(r.p.view.m_ended, 1);
    }
    {
#ifndef _WIN32
        const PermissionsBind bind; // read-only binds root too
#endif
        ControllerRig r;
        const std::string bytes = Cp932::encode(mine);
        r.folder.writeBytes(u"Nubrel.ini"s, bytes);
        ASSERT_TRUE(setMode(r.folder.file(u"Nubrel.ini"s), 0400));
        r.c.Form_Load();
        r.c.Form_Unload();
        EXPECT_TRUE(r.folder.readBytes(u"Nubrel.ini"s) == bytes);
        EXPECT_EQ(r.p.view.m_ended, 1) << "the program ends all the same";
        EXPECT_EQ(fileNames(r.folder.path()), std::vector<std::u16string>{u"Nubrel.ini"s});
        setMode(r.folder.file(u"Nubrel.ini"s), 0600);
    }
}
