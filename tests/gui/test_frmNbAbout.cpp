// The About box on real widgets: its texts and looks, the link pressed with
// the mouse, and the one box the program keeps.
#include "DesignedPixels.h"
#include "Fakes.h"
#include "ProgramFolder.h"
#include "TextFits.h"
#include "config/basNbComIni.h"
#include "frontend/qt/QtDialogs.h"
#include "frontend/qt/QtText.h"
#include "frontend/qt/frmNbAbout.h"
#include "state/ProgramState.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

struct AboutRig {
    FakePrompts prompts;
    FakeLauncher launcher;
    FakeEvents events;
    bool stopped = false;
    int stops = 0;
    QPixmap picture{32, 32};

    AboutRig() { picture.fill(Qt::green); }

    frmNbAbout *make()
    {
        auto *box = new frmNbAbout(
            prompts, launcher, events, [this] { return stopped; },
            [this] {
                ++stops;
                stopped = !stopped;
            },
            QIcon(picture));
        box->setAttribute(Qt::WA_DeleteOnClose);
        return box;
    }
};

void press(QWidget *w, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent e(QEvent::MouseButtonPress, QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), button,
                  buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
    QMouseEvent up(QEvent::MouseButtonRelease, QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), button,
                   Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &up);
}

// Lets queued calls run and boxes closed with WA_DeleteOnClose go.
void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

TEST(frmNbAboutWidget, TextsAndLooksSetAtLoad)
{
    AboutRig r;
    QPointer<frmNbAbout> box = r.make();
    EXPECT_EQ(box->windowTitle(), QStringLiteral("VORDEKのﾊﾞｰｼﾞｮﾝ情報"));
    EXPECT_FALSE(box->isModal());
    EXPECT_EQ(box->size(), QSize(pixels(*box, 5850), pixels(*box, 3705)));
    EXPECT_EQ(box->minimumSize(), box->maximumSize()) << "fixed border";
    EXPECT_EQ(box->lblVersion()->text(),
              QStringLiteral("ﾊﾞｰｼﾞｮﾝ ") + QStringLiteral(NUBREL_PROJECT_VERSION));
    EXPECT_EQ(cutCaptionText(*box), "");

    const QStringList contact = box->descriptionText().split(u'\r');
    ASSERT_EQ(contact.size(), 3);
    EXPECT_FALSE(contact[0].startsWith(u' '));
    for (int i : {1, 2}) {
        EXPECT_TRUE(contact[i].startsWith(QString(15, u' ')));
        EXPECT_NE(contact[i].at(15), u' ');
    }
    EXPECT_TRUE(contact[1].contains(QStringLiteral("0000")));
    EXPECT_EQ(box->lblDescription()->text(), contact.join(u'\n'));
    EXPECT_GE(box->lblDescription()->height(),
              3 * box->lblDescription()->fontMetrics().lineSpacing())
        << "no line is cut";

    const QStringList notice = box->disclaimerText().split(u'\r');
    ASSERT_EQ(notice.size(), 5);
    EXPECT_TRUE(notice[0].startsWith(QStringLiteral("警告: ")));
    for (int i : {1, 2}) {
        EXPECT_TRUE(notice[i].startsWith(QString(4, u' ')));
        EXPECT_NE(notice[i].at(4), u' ');
    }
    EXPECT_TRUE(notice[3].isEmpty());
    EXPECT_FALSE(notice[4].isEmpty());
    EXPECT_EQ(box->lblDisclaimer()->text(), notice.join(u'\n'));
    EXPECT_GE(box->lblDisclaimer()->height(),
              5 * box->lblDisclaimer()->fontMetrics().lineSpacing());
    EXPECT_LE(box->lblDisclaimer()->geometry().bottom(), box->height());

    auto *title = box->findChild<QLabel *>(QStringLiteral("lblTitle"));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), QStringLiteral("ナンバーディスプレー対応"));
    auto *name = box->findChild<QLabel *>(QStringLiteral("Label1"));
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), QStringLiteral("Ｖｏｒｄｅｋ"));
    EXPECT_TRUE(name->font().bold());
    EXPECT_EQ(name->font().pointSizeF(), 14.25);
    EXPECT_EQ(name->palette().color(QPalette::WindowText), QColor(255, 0, 0));

    QLabel *home = box->lblHome();
    EXPECT_EQ(frmNbAbout::HomeAddress, QStringLiteral("https://vordek.example.jp"));
    EXPECT_EQ(home->text(), QStringLiteral("vordek.example.jp"));
    EXPECT_TRUE(home->font().underline());
    EXPECT_EQ(home->font().pointSizeF(), 11.25);
    EXPECT_EQ(home->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_EQ(home->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(home->geometry(),
              QRect(pixels(*box, 1830), pixels(*box, 1980), pixels(*box, 2415), pixels(*box, 285)));
    EXPECT_LE(home->fontMetrics().horizontalAdvance(home->text()), home->width())
        << "the address fits its label";

    auto *pic = box->findChild<QLabel *>(QStringLiteral("picIcon"));
    ASSERT_NE(pic, nullptr);
    const QImage shown = pic->pixmap().toImage();
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(QColor(shown.pixel(shown.width() / 2, shown.height() / 2)), QColor(Qt::green));

    EXPECT_EQ(box->cmdOK()->text(), QStringLiteral("OK"));
    EXPECT_TRUE(box->cmdOK()->isDefault());
    delete box.data();
}

TEST(frmNbAboutWidget, OkAndEscCloseTheBox)
{
    for (bool useEsc : {false, true}) {
        AboutRig r;
        QPointer<frmNbAbout> box = r.make();
        box->show();
        if (useEsc) {
            QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(box, &esc);
        } else {
            box->cmdOK()->click();
        }
        settle();
        EXPECT_TRUE(box.isNull()) << (useEsc ? "Esc" : "OK");
        delete box.data();
    }
}

TEST(frmNbAboutWidget, TheLinkPressedWithTheMouse)
{
    struct Case {
        const char *what;
        Qt::MouseButton button;
        Qt::MouseButtons buttons;
        bool stopped;
        bool browserStarts;
        std::size_t messages;
        int stops;
        int urls;
        bool closes;
    } cases[] = {
        {"right button", Qt::RightButton, Qt::RightButton, false, true, 0, 0, 0, false},
        {"left with right held", Qt::LeftButton, Qt::LeftButton | Qt::RightButton, false, true, 0,
         0, 0, false},
        {"left while monitoring runs", Qt::LeftButton, Qt::LeftButton, false, true, 1, 1, 1, true},
        {"left while stopped", Qt::LeftButton, Qt::LeftButton, true, true, 0, 0, 1, true},
        {"browser fails", Qt::LeftButton, Qt::LeftButton, true, false, 1, 0, 1, true},
    };
    for (const Case &c : cases) {
        AboutRig r;
        r.stopped = c.stopped;
        r.launcher.m_succeeds = c.browserStarts;
        QPointer<frmNbAbout> box = r.make();
        box->show();
        press(box->lblHome(), c.button, c.buttons);
        settle();
        EXPECT_EQ(r.prompts.m_messages.size(), c.messages) << c.what;
        EXPECT_EQ(r.stops, c.stops) << c.what;
        ASSERT_EQ(r.launcher.m_urls.size(), c.urls) << c.what;
        if (c.urls) {
            EXPECT_EQ(toQt(r.launcher.m_urls[0]), QStringLiteral("https://vordek.example.jp/"));
        }
        if (!c.browserStarts) {
            EXPECT_EQ(toQt(r.prompts.m_messages.back().text),
                      QStringLiteral("ＶＯＲＤＥＫにて、\rMicrosoft Internet "
                                     "Explorerを起動出来ませんでした。"));
        }
        EXPECT_EQ(box.isNull(), c.closes) << c.what;
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << c.what << ": cursor restored";
        delete box.data();
    }
}

TEST(frmNbAboutWidget, ABoxClosedUnderThePauseMessageStartsNoBrowser)
{
    AboutRig r;
    QPointer<frmNbAbout> box = r.make();
    box->show();
    // The program ends while the message is up: its windows close.
    r.prompts.m_duringModal = [&] {
        box->close();
        settle();
    };
    box->lblHome_MouseDown(1, 0, 0, 0);
    EXPECT_TRUE(box.isNull());
    EXPECT_EQ(r.stops, 1);
    EXPECT_TRUE(r.launcher.m_urls.empty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(QtDialogsAbout, AtMostOneBoxWhichComesForwardAndCloses)
{
    ProgramFolder folder;
    basNbComIni ini(folder.path());
    ProgramState state;
    FakePrompts prompts;
    FakeLauncher launcher;
    int stops = 0;
    QtDialogs dialogs(
        state, ini, prompts, launcher, nullptr, [&] { ++stops; }, QIcon());

    dialogs.showAbout();
    QPointer<frmNbAbout> first = dialogs.about();
    ASSERT_FALSE(first.isNull());
    EXPECT_TRUE(first->isVisible());
    dialogs.showAbout();
    EXPECT_EQ(dialogs.about(), first.data());
    EXPECT_EQ(QApplication::topLevelWidgets().count(first.data()), 1);

    // The link reads Stopped from the state and stops through the callback.
    state.Stopped = true;
    first->lblHome_MouseDown(1, 0, 0, 0);
    EXPECT_EQ(stops, 0);
    EXPECT_EQ(launcher.m_urls.size(), 1);
    settle();
    EXPECT_TRUE(first.isNull()) << "closed after the launch";
    EXPECT_EQ(dialogs.about(), nullptr);

    dialogs.showAbout();
    QPointer<frmNbAbout> second = dialogs.about();
    ASSERT_FALSE(second.isNull());
    state.Stopped = false;
    second->lblHome_MouseDown(1, 0, 0, 0);
    EXPECT_EQ(stops, 1);
    settle();

    dialogs.showAbout();
    dialogs.closeAbout();
    settle();
    EXPECT_EQ(dialogs.about(), nullptr);
    dialogs.closeAbout(); // nothing open: nothing happens
}
