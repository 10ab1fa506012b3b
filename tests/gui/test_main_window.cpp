// The main window and the pop-up drawn offscreen: texts, colours, menus, geometry.
#include "ControllerRig.h"
#include "app/frmNubrel.h"
#include "calls/frmNbTip.h"
#include "state/ProgramState.h"

#include <QAction>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

// Counts pixels of exactly this colour in the widget as drawn.
int pixelsOf(QWidget *widget, QColor color)
{
    const QImage image = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += QColor(image.pixel(x, y)) == color;
    return n;
}

QStringList captions(const QList<QAction *> &actions)
{
    QStringList out;
    for (const QAction *a : actions)
        out << (a->isSeparator() ? QStringLiteral("-") : a->text()) +
                   (a->isVisible() ? QString() : QStringLiteral("(hidden)"));
    return out;
}

} // namespace

TEST(frmNubrelWidget, MenuBarInOrderWithItsCaptions)
{
    frmNubrel w([](AppIcon) { return QIcon(); });
    EXPECT_EQ(captions(w.menuBar()->actions()),
              QStringList({QStringLiteral("動作(&E)"), QStringLiteral("表示(&D)"),
                           QStringLiteral("設定(&K)"), QStringLiteral("ヘルプ(&H)")}));
    EXPECT_EQ(captions(w.popUpMenu()->actions()),
              QStringList({QStringLiteral("ｷｬﾝｾﾙ(hidden)"), QStringLiteral("-(hidden)"),
                           QStringLiteral("タスクバーに入れる(&T)"), QStringLiteral("停止(&S)"),
                           QStringLiteral("-"), QStringLiteral("終了(&X)")}));
    const QList<QAction *> bar = w.menuBar()->actions();
    EXPECT_EQ(captions(bar[1]->menu()->actions()),
              QStringList({QStringLiteral("着信履歴(&R)"), QStringLiteral("-"),
                           QStringLiteral("ﾌｫﾝﾄ(&F)")}));
    EXPECT_EQ(bar[2]->menu(), nullptr) << "設定 is a command on the bar itself";
    EXPECT_EQ(captions(bar[3]->menu()->actions()),
              QStringList({QStringLiteral("説明書(&G)"), QStringLiteral("-"),
                           QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報(&A)")}));

    w.setDelItemsVisible(true);
    EXPECT_TRUE(w.delItem()->isVisible());
    EXPECT_TRUE(w.delSeparator()->isVisible());
    w.setTaskCaption(QStringLiteral("タスクバーから出す(&T)"));
    w.setTimeCaption(QStringLiteral("開始(&S)"));
    EXPECT_EQ(w.taskItem()->text(), QStringLiteral("タスクバーから出す(&T)"));
    EXPECT_EQ(w.timeItem()->text(), QStringLiteral("開始(&S)"));

    // The icon's menu as a StatusNotifier host shows it: the same commands.
    w.setDelItemsVisible(false);
    EXPECT_EQ(captions(w.trayMenu()->actions()),
              QStringList({QStringLiteral("ｷｬﾝｾﾙ"), QStringLiteral("-"),
                           QStringLiteral("タスクバーから出す(&T)"), QStringLiteral("開始(&S)"),
                           QStringLiteral("-"), QStringLiteral("終了(&X)")}));
    EXPECT_EQ(w.trayMenu()->actions()[5], w.popUpMenu()->actions()[5]);
}

TEST(frmNubrelWidget, MenuCommandsReachTheControllerOnceTheMenuHasClosed)
{
    ControllerRig r;
    frmNubrel w([](AppIcon) { return QIcon(); });
    w.attach(&r.c);
    const QList<QAction *> bar = w.menuBar()->actions();
    QAction *settings = bar[2];
    QAction *about = bar[3]->menu()->actions().at(2);
    QAction *manual = bar[3]->menu()->actions().at(0);

    settings->trigger();
    about->trigger();
    EXPECT_EQ(r.p.dialogs.m_settingsShown, 0) << "not inside the menu's own handling";
    QCoreApplication::processEvents();
    EXPECT_EQ(r.p.dialogs.m_settingsShown, 1);
    EXPECT_EQ(r.p.dialogs.m_aboutShown, 1);

    manual->trigger();
    QCoreApplication::processEvents();
    ASSERT_EQ(r.p.dialogs.m_manuals.size(), 1);
    EXPECT_TRUE(r.p.dialogs.m_manuals.front().endsWith(QStringLiteral("説明書.html")));

    // Without a controller (start-up or shut-down) a command does nothing.
    w.attach(nullptr);
    settings->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(r.p.dialogs.m_settingsShown, 1);
}

TEST(frmNubrelWidget, DrawsTheLineInTheColourOfTheCall)
{
    QString last;
    frmNubrel w([](AppIcon) { return QIcon(); });
    w.setLastNumberSource([&] { return last; });
    EXPECT_EQ(w.title(), QStringLiteral("準備中"));
    EXPECT_EQ(w.font().size, 18);
    EXPECT_FALSE(w.font().bold);
    w.show();

    EXPECT_EQ(w.paintedText(), QStringLiteral(" ＴＥＬ．"));
    const QColor blue(0, 0, 255);
    EXPECT_EQ(pixelsOf(w.canvas(), blue), 0);

    last = QStringLiteral("0312345678");
    w.setTextColor(0x0000FF);
    w.repaint();
    EXPECT_EQ(w.paintedText(), QStringLiteral(" ＴＥＬ．0312345678"));
    EXPECT_GT(pixelsOf(w.canvas(), blue), 100) << "digits drawn in blue";

    last = WithheldMark;
    w.setTextColor(0x000000);
    EXPECT_EQ(w.paintedText(), QStringLiteral(" ＴＥＬ．非通知"));
    EXPECT_EQ(pixelsOf(w.canvas(), blue), 0);
    EXPECT_GT(pixelsOf(w.canvas(), QColor(0, 0, 0)), 100);
}

TEST(frmNubrelWidget, DrawsTheNameAsASecondLineOfPlainText)
{
    QString name;
    frmNubrel w([](AppIcon) { return QIcon(); });
    w.setLastNumberSource([] { return QStringLiteral("0312345678"); });
    w.setLastNameSource([&] { return name; });
    w.setTextColor(0x0000FF);
    w.show();
    const QFontMetrics metrics(w.displayFont());
    // The band below the number's line, as far as the designed window shows.
    const auto secondLine = [&] {
        const QImage all = w.canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        return all.copy(0, metrics.lineSpacing(), all.width(), metrics.lineSpacing());
    };
    const QImage empty = secondLine();
    ASSERT_LE(2 * metrics.lineSpacing(), w.canvas()->height())
        << "both lines fit the designed window at the designed font";

    for (const QString &typed : {QStringLiteral("山田 太郎"), QStringLiteral("<b>x</b> &amp;")}) {
        name = typed;
        w.repaint();
        const QImage shown = secondLine();
        EXPECT_NE(shown, empty) << typed.toStdString();
        // The same text drawn by hand in the window's font: plain, not markup.
        QImage expected = empty;
        QPainter painter(&expected);
        painter.setPen(QColor(0, 0, 255));
        painter.setFont(w.displayFont());
        painter.drawText(0, metrics.ascent(), typed);
        painter.end();
        EXPECT_EQ(shown, expected) << typed.toStdString();
    }
}

TEST(frmNubrelWidget, DesignedClientSizeAndGeometryInTwips)
{
    frmNubrel w([](AppIcon) { return QIcon(); });
    const double tpp = w.twipsPerPixelX();
    w.show();
    EXPECT_NEAR(w.canvas()->width() * tpp, frmNubrel::DesignClientWidth, tpp);
    EXPECT_NEAR(w.canvas()->height() * tpp, frmNubrel::DesignClientHeight, tpp);
    w.setTop(1500);
    w.setLeft(-3000);
    w.setHeight(1800);
    w.setWidth(6000);
    w.show();
    EXPECT_NEAR(w.top(), 1500, tpp);
    EXPECT_NEAR(w.left(), -3000, tpp) << "off the screen stays off the screen";
    EXPECT_NEAR(w.height(), 1800, tpp);
    EXPECT_NEAR(w.width(), 6000, tpp);

    w.setFontFace(QStringLiteral("ＭＳ Ｐゴシック"));
    w.setFontSize(12);
    w.setFontBold(true);
    w.setFontItalic(true);
    EXPECT_EQ(w.font().size, 12);
    EXPECT_TRUE(w.font().bold);
    EXPECT_TRUE(w.font().italic);
    EXPECT_FALSE(w.font().face.isEmpty());
}

namespace {
bool exposedWithin(QWidget &w, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!(w.windowHandle() && w.windowHandle()->isExposed()) && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return w.windowHandle() && w.windowHandle()->isExposed();
}
} // namespace

TEST(frmNubrelWidget, ASavedSizeIsMetOnceAndAMaximisedWindowKeepsItsOwn)
{
    // No frame, as some window managers draw none. 1800 x 6000 twips are
    // 120 x 400 pixels at 96 DPI.
    frmNubrel w([](AppIcon) { return QIcon(); });
    w.setWindowFlag(Qt::FramelessWindowHint);
    w.setHeight(1800);
    w.setWidth(6000);
    w.show();
    ASSERT_TRUE(exposedWithin(w, 5000));
    EXPECT_EQ(w.frameGeometry().size(), QSize(400, 120));
    w.resize(300, 100); // the user's own size
    w.hide();
    w.show();
    ASSERT_TRUE(exposedWithin(w, 5000));
    EXPECT_EQ(w.frameGeometry().size(), QSize(300, 100)) << "a later exposure keeps it";
    EXPECT_EQ(w.width(), 4500);
    EXPECT_EQ(w.height(), 1500);

    frmNubrel m([](AppIcon) { return QIcon(); });
    m.setHeight(1800);
    m.setWidth(6000);
    m.setWindowState(WindowState::Maximised);
    m.show();
    ASSERT_TRUE(exposedWithin(m, 5000));
    EXPECT_EQ(m.windowState(), WindowState::Maximised);
    EXPECT_EQ(m.frameGeometry().size(), m.screen()->availableGeometry().size());
}

TEST(frmNbTipWidget, PlacedBottomRightNeverFocusedAndPaintedPink)
{
    QString last;
    frmNbTip tip([&] { return last; });
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double tpp = 1440.0 / screen->logicalDotsPerInchX();
    EXPECT_EQ(tip.width(), std::lround(frmNbTip::ClientWidth / tpp));
    EXPECT_EQ(tip.height(), std::lround(frmNbTip::ClientHeight / tpp));
    EXPECT_TRUE(tip.windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_TRUE(tip.testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(tip.windowFlags() & Qt::WindowStaysOnTopHint);

    tip.loadTip();
    EXPECT_FALSE(tip.isTipVisible());
    // On the primary screen, wherever it lies on the desktop (see
    // screens_offset.json).
    const QRect s = screen->geometry();
    EXPECT_NEAR(tip.x() - s.x(), s.width() - tip.width() - 100 / tpp, 1);
    EXPECT_NEAR(tip.y() - s.y(), s.height() - 3 * tip.height(), 1);

    EXPECT_EQ(tip.paintedText(), QString());
    last = QStringLiteral("09012345678");
    EXPECT_EQ(tip.paintedText(), QStringLiteral(" 09012345678"));
    tip.showTip();
    EXPECT_TRUE(tip.isTipVisible());
    EXPECT_GT(pixelsOf(&tip, QColor(255, 192, 192)), tip.width() * tip.height() / 2);
    const QFontMetrics metrics(tip.font());
    EXPECT_LE(metrics.horizontalAdvance(tip.paintedText()), tip.width())
        << "eleven digits fit into the pop-up";
    last = WithheldMark;
    EXPECT_EQ(tip.paintedText(), QStringLiteral("非通知"));
    tip.hideTip();
    EXPECT_FALSE(tip.isTipVisible());
}
