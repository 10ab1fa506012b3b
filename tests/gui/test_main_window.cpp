// The main window and the pop-up drawn offscreen: texts, colours, menus, geometry.
#include "ControllerRig.h"
#include "frontend/qt/QtText.h"
#include "frontend/qt/frmNbTip.h"
#include "frontend/qt/frmNubrel.h"
#include "state/ProgramState.h"

#include <QAction>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
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

    // The menu as it opens after the changes.
    w.setDelItemsVisible(true);
    w.setTaskCaption(u"タスクバーから出す(&T)");
    w.setTimeCaption(u"開始(&S)");
    EXPECT_EQ(captions(w.popUpMenu()->actions()),
              QStringList({QStringLiteral("ｷｬﾝｾﾙ"), QStringLiteral("-"),
                           QStringLiteral("タスクバーから出す(&T)"), QStringLiteral("開始(&S)"),
                           QStringLiteral("-"), QStringLiteral("終了(&X)")}));

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
    EXPECT_TRUE(r.p.dialogs.m_manuals.front().ends_with(u"説明書.html"));

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
    w.setLastNumberSource([&] { return fromQt(last); });
    EXPECT_EQ(toQt(w.title()), QStringLiteral("準備中"));
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

    last = toQt(WithheldMark);
    w.setTextColor(0x000000);
    EXPECT_EQ(w.paintedText(), QStringLiteral(" ＴＥＬ．非通知"));
    EXPECT_EQ(pixelsOf(w.canvas(), blue), 0);
    EXPECT_GT(pixelsOf(w.canvas(), QColor(0, 0, 0)), 100);
}

TEST(frmNubrelWidget, DrawsTheNameAsASecondLineOfPlainText)
{
    QString name;
    frmNubrel w([](AppIcon) { return QIcon(); });
    w.setLastNumberSource([] { return std::u16string(u"0312345678"); });
    w.setLastNameSource([&] { return fromQt(name); });
    w.setTextColor(0x0000FF);
    w.show();
    const QFontMetrics metrics(w.displayFont());
    // The band below the number's line, as far as the designed window shows.
    const auto secondLine = [&] {
        const QImage all = w.canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        return all.copy(0, metrics.lineSpacing(), all.width(), metrics.lineSpacing());
    };
    ASSERT_LE(2 * metrics.lineSpacing(), w.canvas()->height())
        << "both lines fit the designed window at the designed font";
    // The columns of the band that hold ink of the call's colour.
    const auto inkColumns = [](const QImage &band) {
        int first = -1, last = -1;
        for (int x = 0; x < band.width(); ++x) {
            for (int y = 0; y < band.height(); ++y) {
                if (QColor(band.pixel(x, y)) == QColor(0, 0, 255)) {
                    first = first < 0 ? x : first;
                    last = x;
                }
            }
        }
        return std::pair{first, last};
    };
    EXPECT_EQ(inkColumns(secondLine()).first, -1) << "no name, no second line";

    // Every character typed is drawn from the left edge, markup included:
    // "<b>x</b>" drawn as markup would end far short of its plain width.
    for (const QString &typed : {QStringLiteral("山田 太郎"), QStringLiteral("<b>x</b> &amp;")}) {
        name = typed;
        w.repaint();
        const auto [first, last] = inkColumns(secondLine());
        EXPECT_LE(first, 4) << typed.toStdString(); // the first glyph's own bearing
        EXPECT_NEAR(last + 1, metrics.horizontalAdvance(typed), 3) << typed.toStdString();
    }
}

TEST(frmNubrelWidget, DesignedClientSizeAndGeometryInTwips)
{
    frmNubrel w([](AppIcon) { return QIcon(); });
    ASSERT_EQ(w.logicalDpiX(), 96) << "15 twips to the pixel";
    w.show();
    EXPECT_EQ(w.canvas()->size(), QSize(281, 69)) << "4215 x 1035 twips";
    w.setTop(1500);
    w.setLeft(-3000);
    w.setHeight(1800);
    w.setWidth(6000);
    w.show();
    // Off the screen stays off the screen.
    EXPECT_EQ(w.frameGeometry(), QRect(-200, 100, 400, 120));
    EXPECT_EQ(w.top(), 1500);
    EXPECT_EQ(w.left(), -3000);
    EXPECT_EQ(w.height(), 1800);
    EXPECT_EQ(w.width(), 6000);

    // The face asked for is not on this system: the one really drawn is the
    // one reported, and so saved.
    w.setFontFace(u"ＭＳ Ｐゴシック");
    w.setFontSize(12);
    w.setFontBold(true);
    w.setFontItalic(true);
    EXPECT_EQ(w.font(), (FontSpec{u"IPAPGothic", 12, true, true}));
    const QFontInfo drawn(w.displayFont());
    EXPECT_EQ(drawn.family(), QStringLiteral("IPAPGothic"));
    EXPECT_EQ(drawn.pointSize(), 12);
    EXPECT_TRUE(drawn.bold());
    EXPECT_TRUE(drawn.italic());
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
    frmNbTip tip([&] { return fromQt(last); });
    const QScreen *screen = QGuiApplication::primaryScreen();
    ASSERT_EQ(screen->logicalDotsPerInchX(), 96) << "15 twips to the pixel";
    EXPECT_EQ(tip.width(), 80) << "1200 twips";
    EXPECT_EQ(tip.height(), 14) << "210 twips";
    EXPECT_TRUE(tip.windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_TRUE(tip.testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(tip.windowFlags() & Qt::WindowStaysOnTopHint);

    tip.loadTip();
    EXPECT_FALSE(tip.isTipVisible());
    // On the primary screen, wherever it lies on the desktop (see
    // screens_offset.json).
    const QRect s = screen->geometry();
    // 100 twips (6⅔ pixels) left of the right edge, three heights above the bottom.
    EXPECT_NEAR(tip.x() - s.x(), s.width() - 80 - 6.67, 1);
    EXPECT_EQ(tip.y() - s.y(), s.height() - 42);

    EXPECT_EQ(tip.paintedText(), QString());
    last = QStringLiteral("09012345678");
    EXPECT_EQ(tip.paintedText(), QStringLiteral(" 09012345678"));
    tip.showTip();
    EXPECT_TRUE(tip.isTipVisible());
    EXPECT_GT(pixelsOf(&tip, QColor(255, 192, 192)), tip.width() * tip.height() / 2);
    const QFontMetrics metrics(tip.font());
    EXPECT_LE(metrics.horizontalAdvance(tip.paintedText()), tip.width())
        << "eleven digits fit into the pop-up";
    last = toQt(WithheldMark);
    EXPECT_EQ(tip.paintedText(), QStringLiteral("非通知"));
    tip.hideTip();
    EXPECT_FALSE(tip.isTipVisible());
}
