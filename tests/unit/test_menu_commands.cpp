// The settings, history, font, manual and About commands of the main window.
#include "ControllerRig.h"

#include "ProgramFolder.h"
#include "TestText.h"
#include "platform/Files.h"
#include "text/Text.h"

#include <gtest/gtest.h>

TEST(mnuEnv, ReappliesOnlyAfterRegisterAndInitialisesOnlyAChangeToKind1)
{
    struct Case {
        ProductEntry before;
        ProductEntry after;
        bool registered;
        int initCommands;
    } cases[] = {
        {{0, 0, u"modem"s}, {1, 1, u"TA"s}, true, 1},
        {{0, 0, u"modem"s}, {1, 1, u"TA"s}, false, 0},
        {{1, 1, u"TA"s}, {2, 1, u"TA2"s}, true, 0},
        {{1, 1, u"TA"s}, {0, 0, u"modem"s}, true, 0},
        {{0, 0, u"modem"s}, {2, 0, u"modem2"s}, true, 0},
    };
    for (const Case &c : cases) {
        ControllerRig r;
        r.c.Form_Load();
        r.s.Product = c.before;
        r.p.dialogs.m_settings = [&] {
            EXPECT_FALSE(r.s.EnvRegistered);
            r.s.ComPort = 4;
            r.s.ComSpeed = u"19200"s;
            r.s.Product = c.after;
            r.s.EnvRegistered = c.registered;
        };
        r.p.port.answer({"OK"});
        r.c.mnuEnv_Click();
        EXPECT_EQ(r.p.port.m_device, deviceOf(c.registered ? 4 : 2));
        EXPECT_EQ(r.p.port.m_settings, c.registered ? u"19200,N,8,1"s : u"9600,N,8,1"s);
        EXPECT_EQ(r.p.port.m_written.size(), c.initCommands) << utf8(c.after.ProductName);
    }
}

TEST(mnuEnv, APortTheUserCancelledIsNeverOpened)
{
    // 登録 fails for want of a product after ComPort took the new number;
    // an exchange runs while the dialog is still open, then キャンセル.
    ControllerRig r;
    r.folder.writeIni(u"[PORTS]\nCOM2=/dev/ttyUSB0\n"s);
    r.c.Form_Load();
    r.p.port.answer({"AT\\L1\r\r\nOK\r\n"});
    r.p.port.answer({"AT\\L1\r\r\nOK\r\n"});
    std::vector<std::u16string> opened;
    r.p.port.m_onRead = [&] { opened.push_back(r.p.port.m_device); };
    r.p.dialogs.m_settings = [&] {
        r.s.ComPort = 4;
        r.c.TimForm_Timer();
    };
    r.c.mnuEnv_Click();
    r.c.TimForm_Timer();
    const std::u16string com2 = deviceOf(2, u"/dev/ttyUSB0"s);
    EXPECT_EQ(opened, (std::vector<std::u16string>{com2, com2}));
}

TEST(mnuEnv, StopAnswerOfTheInitialisationStopsMonitoring)
{
    ControllerRig r;
    r.c.Form_Load();
    r.p.dialogs.m_settings = [&] {
        r.s.Product = ProductEntry{1, 1, u"TA"s};
        r.s.EnvRegistered = true;
    };
    r.p.port.m_openFails = true;
    r.p.prompts.m_answers.push_back(false);
    r.c.mnuEnv_Click();
    EXPECT_TRUE(r.s.Stopped);
    EXPECT_EQ(r.p.timer.m_interval, 0);
}

TEST(mnuHistry, OpensTheFileOrSaysItIsMissing)
{
    ControllerRig r;
    r.c.Form_Load();
    const std::u16string path = r.folder.file(u"着信履歴.TXT"s);

    r.c.mnuHistry_Click();
    ASSERT_EQ(r.p.prompts.m_messages.size(), 1u);
    EXPECT_EQ(r.p.prompts.m_messages[0].text, u"ＶＯＲＤＥＫにて、\r"s +
                                                  Files::toNativeSeparators(path) +
                                                  u"を見つけられないので、表示できませんでした。"s);
    EXPECT_EQ(r.p.prompts.m_messages[0].title, u"VORDEK"s);
    EXPECT_EQ(r.p.prompts.m_messages[0].icon, MessageIcon::Exclamation);
    EXPECT_TRUE(r.p.launcher.m_textFiles.empty());

    makeFolder(path); // a folder of that name is no history file
    r.c.mnuHistry_Click();
    EXPECT_EQ(r.p.prompts.m_messages.size(), 2u);
    removeFolder(path);

    r.folder.writeBytes(u"着信履歴.TXT"s, "2026/12/07,09:00:00,0312\r\n");
    r.c.mnuHistry_Click();
    EXPECT_EQ(r.p.launcher.m_textFiles, std::vector<std::u16string>{path});
    EXPECT_EQ(r.p.prompts.m_messages.size(), 2u);

    // The handler started, then found no editor: the same message, later.
    ASSERT_TRUE(r.p.launcher.m_failed);
    r.p.launcher.m_failed();
    ASSERT_EQ(r.p.prompts.m_messages.size(), 3u);
    EXPECT_EQ(r.p.prompts.m_messages[2].text,
              u"ＶＯＲＤＥＫにて、\r"s + Files::toNativeSeparators(path) +
                  u"を開くテキストエディタを起動できませんでした。"s);

    r.p.launcher.m_succeeds = false;
    r.c.mnuHistry_Click();
    ASSERT_EQ(r.p.prompts.m_messages.size(), 4u);
    EXPECT_EQ(r.p.prompts.m_messages[3].text, r.p.prompts.m_messages[2].text);

    r.c.Form_Unload();
    r.p.launcher.m_failed();
    EXPECT_EQ(r.p.prompts.m_messages.size(), 4u) << "nothing once the program is ending";
}

TEST(mnuFont, AppliesTheChoiceAndRepaintsAndKeepsTheFontOnCancel)
{
    ControllerRig r;
    r.c.Form_Load();
    const FontSpec before = r.p.view.m_font;
    r.c.mnuFont_Click();
    EXPECT_EQ(r.p.view.m_font, before);
    EXPECT_EQ(r.p.view.m_repaints, 1);

    r.p.prompts.m_fontChosen = true;
    r.p.prompts.m_fontChoice = FontSpec{u"IPAGothic"s, 12, true, true};
    r.c.mnuFont_Click();
    EXPECT_EQ(r.p.view.m_font, r.p.prompts.m_fontChoice);
    EXPECT_EQ(r.p.view.m_repaints, 2);
    r.c.Form_Unload();
    const std::u16string ini = r.folder.readText(u"Nubrel.ini"s);
    EXPECT_TRUE(contains(ini, u"FONT=IPAGothic\r\nFONTSIZE=12\r\nFONTBOLD=True\r\n"
                              "FONTITALIC=True\r\n"s));

    ControllerRig again;
    again.folder.writeBytes(u"Nubrel.ini"s, r.folder.readBytes(u"Nubrel.ini"s));
    again.c.Form_Load();
    EXPECT_EQ(again.p.view.m_font, r.p.prompts.m_fontChoice) << "the next start uses it";
}

TEST(mnuMnualAndAbout, OpenTheirWindowsWithoutWaiting)
{
    ControllerRig r;
    r.c.Form_Load();
    r.c.mnuMnual_Click();
    r.c.mnuAbout_Click();
    EXPECT_EQ(r.p.dialogs.m_manuals, std::vector<std::u16string>{r.folder.file(u"説明書.html"s)});
    EXPECT_EQ(r.p.dialogs.m_aboutShown, 1);
}
