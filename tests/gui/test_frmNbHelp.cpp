// The help window: the manual shown, a missing manual reported inside the
// window, one window brought forward; and the manual's own content.
#include "Fakes.h"
#include "ProgramFolder.h"
#include "config/basNbComIni.h"
#include "frontend/qt/QtDialogs.h"
#include "frontend/qt/QtText.h"
#include "frontend/qt/frmNbHelp.h"
#include "state/ProgramState.h"

#include <QApplication>
#include <QFile>
#include <QTextBrowser>
#include <gtest/gtest.h>

namespace {
const QString Manual = QStringLiteral(NUBREL_RESOURCES "/説明書.html");

QString manualText()
{
    frmNbHelp help;
    help.showManual(Manual);
    return help.browser()->toPlainText();
}
} // namespace

TEST(frmNbHelpWindow, AMissingManualIsReportedInsideTheWindowWithItsPath)
{
    ProgramFolder folder;
    const QString path = toQt(folder.file(u"説明書.html"));
    frmNbHelp help;
    help.showManual(path);
    EXPECT_TRUE(help.isVisible());
    EXPECT_FALSE(help.manualLoaded());
    EXPECT_TRUE(help.browser()->toPlainText().contains(path));

    // Put in place later, it is found on the next request.
    folder.writeBytes(u"説明書.html", QStringLiteral("<html><head><meta charset=\"utf-8\"></head>"
                                                     "<body><p>着信の説明</p></body></html>")
                                          .toUtf8()
                                          .toStdString());
    help.showManual(path);
    EXPECT_TRUE(help.manualLoaded());
    EXPECT_EQ(help.browser()->toPlainText(), QStringLiteral("着信の説明"));
}

TEST(frmNbHelpWindow, OneWindowForTheManualThatASecondRequestBringsForward)
{
    ProgramFolder folder;
    basNbComIni ini(folder.path());
    ProgramState state;
    FakePrompts prompts;
    FakeLauncher launcher;
    QtDialogs dialogs(
        state, ini, prompts, launcher, nullptr, [] {}, QIcon());
    const int before = QApplication::topLevelWidgets().size();
    dialogs.showManual(fromQt(Manual));
    frmNbHelp *help = dialogs.help();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(help->manualLoaded());
    help->showMinimized();
    dialogs.showManual(fromQt(Manual));
    EXPECT_EQ(dialogs.help(), help);
    EXPECT_FALSE(help->isMinimized());
    EXPECT_EQ(QApplication::topLevelWidgets().size(), before + 1);
    dialogs.closeManual();
    EXPECT_FALSE(help->isVisible());
}

TEST(Manual, NamesEveryMessageOfTheProgramAsItIsShown)
{
    QFile file(Manual);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("<meta charset=\"utf-8\">"));
    const QString text = manualText();
    const QStringList mustAppear = {
        QStringLiteral("ＶＯＲＤＥＫにて、"),
        QStringLiteral("は使用できません。別のﾎﾟｰﾄに設定してください。"),
        QStringLiteral("一時停止させるには「停止」ボタンを、終了させるには「終了」ボタンを"),
        QStringLiteral("押してください。"),
        QStringLiteral("の設定を確認して、再起動してください。"),
        QStringLiteral("通信機器の製品名リストを選択してください。"),
        QStringLiteral("一時停止させます。ｲﾝﾀｰﾈｯﾄ切断後、開始して下さい。"),
        QStringLiteral("Microsoft Internet Explorerを起動出来ませんでした。"),
        QStringLiteral("着信履歴.TXT"),
        QStringLiteral("Nubrel.log"),
        QStringLiteral("Nubrel.ini"),
        QStringLiteral("[PORTS]"),
        QStringLiteral("COM2=/dev/ttyUSB0"),
        QStringLiteral("dialout"),
        QStringLiteral("タスクバーに入れる(&T)"),
        QStringLiteral("非通知"),
    };
    for (const QString &s : mustAppear)
        EXPECT_TRUE(text.contains(s)) << s.toStdString();
}
