// The settings, history, font, manual and About commands of the main window.
#include "ControllerRig.h"

#include <QDir>
#include <gtest/gtest.h>

TEST(mnuEnv, ReappliesOnlyAfterRegisterAndInitialisesOnlyAChangeToKind1)
{
    struct Case {
        ProductEntry before;
        ProductEntry after;
        bool registered;
        int initCommands;
    } cases[] = {
        {{0, 0, QStringLiteral("modem")}, {1, 1, QStringLiteral("TA")}, true, 1},
        {{0, 0, QStringLiteral("modem")}, {1, 1, QStringLiteral("TA")}, false, 0},
        {{1, 1, QStringLiteral("TA")}, {2, 1, QStringLiteral("TA2")}, true, 0},
        {{1, 1, QStringLiteral("TA")}, {0, 0, QStringLiteral("modem")}, true, 0},
        {{0, 0, QStringLiteral("modem")}, {2, 0, QStringLiteral("modem2")}, true, 0},
    };
    for (const Case &c : cases) {
        ControllerRig r;
        r.c.Form_Load();
        r.s.Product = c.before;
        r.p.dialogs.m_settings = [&] {
            EXPECT_FALSE(r.s.EnvRegistered);
            r.s.ComPort = 4;
            r.s.ComSpeed = QStringLiteral("19200");
            r.s.Product = c.after;
            r.s.EnvRegistered = c.registered;
        };
        r.p.port.answer({"OK"});
        r.c.mnuEnv_Click();
        EXPECT_EQ(r.p.port.m_device,
                  c.registered ? QStringLiteral("/dev/ttyS3") : QStringLiteral("/dev/ttyS1"));
        EXPECT_EQ(r.p.port.m_settings,
                  c.registered ? QStringLiteral("19200,N,8,1") : QStringLiteral("9600,N,8,1"));
        EXPECT_EQ(r.p.port.m_written.size(), c.initCommands) << c.after.ProductName.toStdString();
    }
}

TEST(mnuEnv, APortTheUserCancelledIsNeverOpened)
{
    // 登録 fails for want of a product after ComPort took the new number;
    // an exchange runs while the dialog is still open, then キャンセル.
    ControllerRig r;
    r.folder.writeIni(QStringLiteral("[PORTS]\nCOM2=/dev/ttyUSB0\n"));
    r.c.Form_Load();
    r.p.port.answer({"AT\\L1\r\r\nOK\r\n"});
    r.p.port.answer({"AT\\L1\r\r\nOK\r\n"});
    QStringList opened;
    r.p.port.m_onRead = [&] { opened << r.p.port.m_device; };
    r.p.dialogs.m_settings = [&] {
        r.s.ComPort = 4;
        r.c.TimForm_Timer();
    };
    r.c.mnuEnv_Click();
    r.c.TimForm_Timer();
    EXPECT_EQ(opened,
              (QStringList{QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/ttyUSB0")}));
}

TEST(mnuEnv, StopAnswerOfTheInitialisationStopsMonitoring)
{
    ControllerRig r;
    r.c.Form_Load();
    r.p.dialogs.m_settings = [&] {
        r.s.Product = ProductEntry{1, 1, QStringLiteral("TA")};
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
    const QString path = r.folder.file(QStringLiteral("着信履歴.TXT"));

    r.c.mnuHistry_Click();
    ASSERT_EQ(r.p.prompts.m_messages.size(), 1u);
    EXPECT_EQ(r.p.prompts.m_messages[0].text,
              QStringLiteral("ＶＯＲＤＥＫにて、\r") + QDir::toNativeSeparators(path) +
                  QStringLiteral("を見つけられないので、表示できませんでした。"));
    EXPECT_EQ(r.p.prompts.m_messages[0].title, QStringLiteral("VORDEK"));
    EXPECT_EQ(r.p.prompts.m_messages[0].icon, MessageIcon::Exclamation);
    EXPECT_TRUE(r.p.launcher.m_textFiles.isEmpty());

    QDir().mkdir(path); // a folder of that name is no history file
    r.c.mnuHistry_Click();
    EXPECT_EQ(r.p.prompts.m_messages.size(), 2u);
    QDir().rmdir(path);

    r.folder.writeBytes(QStringLiteral("着信履歴.TXT"), "2026/12/07,09:00:00,0312\r\n");
    r.c.mnuHistry_Click();
    EXPECT_EQ(r.p.launcher.m_textFiles, QStringList{path});
    EXPECT_EQ(r.p.prompts.m_messages.size(), 2u);

    // The handler started, then found no editor: the same message, later.
    ASSERT_TRUE(r.p.launcher.m_failed);
    r.p.launcher.m_failed();
    ASSERT_EQ(r.p.prompts.m_messages.size(), 3u);
    EXPECT_EQ(r.p.prompts.m_messages[2].text,
              QStringLiteral("ＶＯＲＤＥＫにて、\r") + QDir::toNativeSeparators(path) +
                  QStringLiteral("を開くテキストエディタを起動できませんでした。"));

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
    r.p.prompts.m_fontChoice = FontSpec{QStringLiteral("IPAGothic"), 12, true, true};
    r.c.mnuFont_Click();
    EXPECT_EQ(r.p.view.m_font, r.p.prompts.m_fontChoice);
    EXPECT_EQ(r.p.view.m_repaints, 2);
    r.c.Form_Unload();
    const QString ini = r.folder.readText(QStringLiteral("Nubrel.ini"));
    EXPECT_TRUE(ini.contains(QStringLiteral("FONT=IPAGothic\r\nFONTSIZE=12\r\nFONTBOLD=True\r\n"
                                            "FONTITALIC=True\r\n")));

    ControllerRig again;
    again.folder.writeBytes(QStringLiteral("Nubrel.ini"),
                            r.folder.readBytes(QStringLiteral("Nubrel.ini")));
    again.c.Form_Load();
    EXPECT_EQ(again.p.view.m_font, r.p.prompts.m_fontChoice) << "the next start uses it";
}

TEST(mnuMnualAndAbout, OpenTheirWindowsWithoutWaiting)
{
    ControllerRig r;
    r.c.Form_Load();
    r.c.mnuMnual_Click();
    r.c.mnuAbout_Click();
    EXPECT_EQ(r.p.dialogs.m_manuals, QStringList{r.folder.file(QStringLiteral("説明書.html"))});
    EXPECT_EQ(r.p.dialogs.m_aboutShown, 1);
}
