// The Stop/Exit question on real widgets, answered by clicking its buttons
// while it is shown modally; and the message boxes of the prompts.
#include "DesignedPixels.h"
#include "TextFits.h"
#include "frontend/qt/QtFontDialog.h"
#include "frontend/qt/QtPrompts.h"
#include "frontend/qt/QtText.h"
#include "frontend/qt/QtTranslations.h"
#include "frontend/qt/frmNbmsg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Runs `act` on the modal window as soon as it is up, and closes the window
// afterwards if `act` left it open, so that no test can hang on it.
void whenModal(std::function<void(QWidget *)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(0);
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, act, tries] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal) {
            if (++*tries > 10000) {
                ADD_FAILURE() << "no modal window came up";
                timer->deleteLater();
            }
            return;
        }
        timer->stop();
        timer->deleteLater();
        act(modal);
        if (modal->isVisible())
            modal->close();
    });
    timer->start();
}

void pressKey(QWidget *w, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

const QString Port3 = QStringLiteral("COM 3は使用できません。別のﾎﾟｰﾄに設定してください。");

} // namespace

TEST(frmNbmsgWidget, AsksModallyWithTheLabelBuiltLineByLine)
{
    frmNbmsg dlg;
    bool seen = false;
    whenModal([&](QWidget *modal) {
        seen = true;
        EXPECT_EQ(modal, &dlg);
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("0312345678"));
        const QStringList lines = dlg.messageText().split(u'\r');
        EXPECT_EQ(lines, QStringList({QStringLiteral("ＶＯＲＤＥＫにて、"), Port3,
                                      QStringLiteral("一時停止させるには「停止」ボタンを、"
                                                     "終了させるには「終了」ボタンを"),
                                      QStringLiteral("押してください。")}));
        EXPECT_EQ(dlg.lblMsg()->text().split(u'\n'), lines) << "each CR starts a new line";
        EXPECT_EQ(dlg.focusWidget(), dlg.cmdOK(0)) << "停止 has the focus";
        EXPECT_EQ(cutCaptionText(dlg), "");
        dlg.cmdOK(1)->click();
    });
    EXPECT_TRUE(dlg.fncMsgDlg(QStringLiteral("0312345678"), Port3));
    EXPECT_TRUE(seen);
    EXPECT_FALSE(dlg.isVisible());
}

TEST(frmNbmsgWidget, LayoutCaptionsAndTabOrder)
{
    frmNbmsg dlg;
    EXPECT_EQ(dlg.size(), QSize(pixels(dlg, 7395), pixels(dlg, 2115)));
    EXPECT_EQ(dlg.lblMsg()->geometry(),
              QRect(pixels(dlg, 240), pixels(dlg, 180), pixels(dlg, 7035), pixels(dlg, 1095)));
    EXPECT_EQ(dlg.lblMsg()->font().pointSizeF(), 12);
    EXPECT_FALSE(dlg.lblMsg()->font().bold());
    EXPECT_EQ(dlg.lblMsg()->font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
    EXPECT_EQ(dlg.cmdOK(0)->text(), QStringLiteral("停止"));
    EXPECT_EQ(dlg.cmdOK(1)->text(), QStringLiteral("終了"));
    EXPECT_EQ(dlg.cmdOK(0)->geometry(),
              QRect(pixels(dlg, 1680), pixels(dlg, 1380), pixels(dlg, 1155), pixels(dlg, 495)));
    EXPECT_EQ(dlg.cmdOK(1)->geometry(),
              QRect(pixels(dlg, 4080), pixels(dlg, 1380), pixels(dlg, 1155), pixels(dlg, 495)));
    EXPECT_EQ(dlg.lblMsg()->focusPolicy(), Qt::NoFocus);
    QWidget *next = dlg.cmdOK(0)->nextInFocusChain();
    while (next != dlg.cmdOK(1) && next != dlg.cmdOK(0) && !(next->focusPolicy() & Qt::TabFocus))
        next = next->nextInFocusChain();
    EXPECT_EQ(next, dlg.cmdOK(1)) << "終了 follows 停止";
}

TEST(frmNbmsgWidget, EachAnswerAndClosingWithoutAButtonKeepsThePreviousOne)
{
    enum Way { Stop, Exit, CloseBox, Escape };
    struct Case {
        const char *what;
        std::vector<Way> ways;
        std::vector<bool> answers;
    } cases[] = {
        {"停止", {Stop}, {false}},
        {"終了", {Exit}, {true}},
        {"closed before any answer", {CloseBox}, {false}},
        {"停止, then closed", {Stop, CloseBox}, {false, false}},
        {"終了, then closed", {Exit, CloseBox}, {true, true}},
        {"終了, then Esc", {Exit, Escape}, {true, true}},
        {"終了, 停止, Esc", {Exit, Stop, Escape}, {true, false, false}},
    };
    for (const Case &c : cases) {
        frmNbmsg dlg; // one object for the run, as the program keeps it
        for (std::size_t i = 0; i < c.ways.size(); ++i) {
            const Way way = c.ways[i];
            whenModal([&dlg, way](QWidget *) {
                switch (way) {
                case Stop:
                    dlg.cmdOK(0)->click();
                    break;
                case Exit:
                    dlg.cmdOK(1)->click();
                    break;
                case CloseBox:
                    dlg.close();
                    break;
                case Escape:
                    pressKey(&dlg, Qt::Key_Escape);
                    break;
                }
            });
            EXPECT_EQ(dlg.fncMsgDlg(QStringLiteral("準備中"), Port3), c.answers[i])
                << c.what << ", question " << i + 1;
            EXPECT_EQ(dlg.ExitChosen(), c.answers[i]);
        }
    }
}

TEST(frmNbmsgWidget, NeverASecondQuestionOverTheOpenOne)
{
    frmNbmsg dlg;
    int modalsSeen = 0;
    bool inner = true;
    whenModal([&](QWidget *) {
        ++modalsSeen;
        // A question asked while this one is open returns at once with the
        // answer standing now.
        inner = dlg.fncMsgDlg(QStringLiteral("x"), Port3);
        EXPECT_EQ(QApplication::activeModalWidget(), &dlg);
        dlg.cmdOK(1)->click();
    });
    EXPECT_TRUE(dlg.fncMsgDlg(QStringLiteral("x"), Port3));
    EXPECT_EQ(modalsSeen, 1);
    EXPECT_FALSE(inner);
}

TEST(QtPromptsQuestion, OneQuestionWindowForTheRunKeepsItsAnswer)
{
    QtPrompts prompts;
    QWidget *first = nullptr;
    whenModal([&](QWidget *modal) {
        first = modal;
        auto *q = qobject_cast<frmNbmsg *>(modal);
        ASSERT_NE(q, nullptr);
        EXPECT_EQ(q->windowTitle(), QStringLiteral("0399999999"));
        q->cmdOK(1)->click();
    });
    EXPECT_TRUE(prompts.fncMsgDlg(u"0399999999", fromQt(Port3)));
    QWidget *second = nullptr;
    whenModal([&](QWidget *modal) {
        second = modal;
        modal->close();
    });
    EXPECT_TRUE(prompts.fncMsgDlg(u"0399999999", fromQt(Port3)))
        << "closed without a button: 終了 stands";
    EXPECT_EQ(first, second);
}

TEST(QtPromptsMessage, OkOnlyWithTheIconAskedForAndCrAsALineBreak)
{
    struct Case {
        MessageIcon icon;
        QMessageBox::Icon shown;
    } cases[] = {{MessageIcon::Exclamation, QMessageBox::Warning},
                 {MessageIcon::None, QMessageBox::NoIcon}};
    for (const Case &c : cases) {
        QtPrompts prompts;
        bool seen = false;
        whenModal([&](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            ASSERT_NE(box, nullptr);
            seen = true;
            EXPECT_EQ(box->windowTitle(), QStringLiteral("VORDEK"));
            EXPECT_EQ(box->text(), QStringLiteral("ＶＯＲＤＥＫにて、\n受信できません。"));
            EXPECT_EQ(box->icon(), c.shown);
            EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
            box->button(QMessageBox::Ok)->click();
        });
        prompts.messageBox(u"ＶＯＲＤＥＫにて、\r受信できません。", u"VORDEK", c.icon);
        EXPECT_TRUE(seen);
    }
}

TEST(QtPromptsFont, FaceSizeBoldAndItalicForAnyFaceInJapanese)
{
    ASSERT_TRUE(QtTranslations::installJapanese()) << "qt6-translations-l10n is missing";
    QFont initial(QStringLiteral("IPAPGothic"));
    initial.setPointSizeF(18);
    QtFontDialog dialog(initial);
    dialog.show();
    QStringList shown;
    for (const QPushButton *button : dialog.findChildren<QPushButton *>())
        shown << button->text();
    EXPECT_EQ(shown.size(), 2);
    EXPECT_TRUE(shown.contains(QStringLiteral("キャンセル"))) << qPrintable(shown.join(u'|'));
    EXPECT_FALSE(shown.contains(QStringLiteral("&Cancel")) ||
                 shown.contains(QStringLiteral("Cancel")));
    ASSERT_NE(dialog.faceList()->currentItem(), nullptr);
    EXPECT_EQ(dialog.faceList()->currentItem()->text(), QStringLiteral("IPAPGothic"));
    EXPECT_EQ(dialog.selectedFont(), initial) << "unchanged until the user chooses";

    // A face with one style still takes bold and italic, at any size typed.
    dialog.sizeBox()->setEditText(QStringLiteral("12"));
    dialog.boldBox()->setChecked(true);
    dialog.italicBox()->setChecked(true);
    const QFont chosen = dialog.selectedFont();
    EXPECT_EQ(chosen.family(), QStringLiteral("IPAPGothic"));
    EXPECT_EQ(chosen.pointSizeF(), 12);
    EXPECT_TRUE(chosen.bold());
    EXPECT_TRUE(chosen.italic());
    dialog.sizeBox()->setEditText(QStringLiteral("0"));
    EXPECT_EQ(dialog.selectedFont().pointSizeF(), 18) << "a size the window refuses is not taken";
}
