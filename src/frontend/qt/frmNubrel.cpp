#include "frontend/qt/frmNubrel.h"
#include "app/Twips.h"
#include "frontend/qt/QtText.h"

#include "app/MainController.h"
#include "calls/CallDisplay.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFontInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMetaObject>
#include <QPainter>
#include <QScreen>
#include <QWindow>
#include <cmath>
#include <functional>

frmNubrel::frmNubrel(std::function<QIcon(AppIcon)> icons, QWidget *parent)
    : QMainWindow(parent), m_icons(std::move(icons))
{
    QMainWindow::setWindowTitle(QStringLiteral("準備中"));
    QMainWindow::setWindowIcon(m_icons(AppIcon::BuiltIn));
    buildMenus();

    m_canvas = new QWidget(this);
    m_canvas->installEventFilter(this);
    m_canvas->setAutoFillBackground(true);
    setCentralWidget(m_canvas);
    m_textColor = m_canvas->palette().color(QPalette::WindowText);

    m_font = QFont(QStringLiteral("ＭＳ Ｐゴシック"));
    m_font.setPointSizeF(18);
    m_font.setBold(false);
    m_font.setItalic(false);

    const double tpp = twipsPerPixelX();
    resize(static_cast<int>(std::lround(DesignClientWidth / tpp)),
           static_cast<int>(std::lround(DesignClientHeight / twipsPerPixelY())) +
               menuBar()->sizeHint().height());
}

void frmNubrel::buildMenus()
{
    QMenuBar *bar = menuBar();
    m_mnuPopUp = bar->addMenu(QStringLiteral("動作(&E)"));
    m_mnuDel = m_mnuPopUp->addAction(QStringLiteral("ｷｬﾝｾﾙ"));
    m_mnuDummy1 = m_mnuPopUp->addSeparator();
    m_mnuTask = m_mnuPopUp->addAction(QStringLiteral("タスクバーに入れる(&T)"));
    m_mnuTime = m_mnuPopUp->addAction(QStringLiteral("停止(&S)"));
    m_mnuPopUp->addSeparator();
    QAction *mnuEND = m_mnuPopUp->addAction(QStringLiteral("終了(&X)"));
    m_mnuDel->setVisible(false);
    m_mnuDummy1->setVisible(false);
    // The host reads this menu's items before it asks for them to be shown,
    // too late for mnuDel to appear: here ｷｬﾝｾﾙ and its separator are always
    // there, and choosing it only closes the menu.
    m_trayMenu = new QMenu(this);
    m_trayMenu->addAction(m_mnuDel->text());
    m_trayMenu->addSeparator();
    for (QAction *item : m_mnuPopUp->actions()) {
        if (item != m_mnuDel && item != m_mnuDummy1)
            m_trayMenu->addAction(item);
    }

    QMenu *mnuDisp = bar->addMenu(QStringLiteral("表示(&D)"));
    QAction *mnuHistry = mnuDisp->addAction(QStringLiteral("着信履歴(&R)"));
    mnuDisp->addSeparator();
    QAction *mnuFont = mnuDisp->addAction(QStringLiteral("ﾌｫﾝﾄ(&F)"));

    QAction *mnuEnv = bar->addAction(QStringLiteral("設定(&K)"));

    QMenu *mnuHelp = bar->addMenu(QStringLiteral("ヘルプ(&H)"));
    QAction *mnuMnual = mnuHelp->addAction(QStringLiteral("説明書(&G)"));
    mnuHelp->addSeparator();
    QAction *mnuAbout = mnuHelp->addAction(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報(&A)"));

    // Menu commands run from the event loop, not inside the menu's own
    // handling, so a modal window they open never nests in the menu.
    const auto route = [this](QAction *action, void (MainController::*handler)()) {
        const std::function<void(MainController &)> command = handler;
        connect(action, &QAction::triggered, this, [this, command] {
            QMetaObject::invokeMethod(
                this,
                [this, command] {
                    if (m_controller)
                        command(*m_controller);
                },
                Qt::QueuedConnection);
        });
    };
    route(m_mnuTask, &MainController::mnuTask_Click);
    route(m_mnuTime, &MainController::mnuTime_Click);
    route(mnuEND, &MainController::mnuEND_Click);
    route(mnuHistry, &MainController::mnuHistry_Click);
    route(mnuFont, &MainController::mnuFont_Click);
    route(mnuEnv, &MainController::mnuEnv_Click);
    route(mnuMnual, &MainController::mnuMnual_Click);
    route(mnuAbout, &MainController::mnuAbout_Click);
}

void frmNubrel::attach(MainController *controller)
{
    m_controller = controller;
}

QString frmNubrel::paintedText() const
{
    return toQt(CallDisplay::mainWindowText(m_lastNumber ? m_lastNumber() : std::u16string()));
}

QString frmNubrel::paintedName() const
{
    return m_lastName ? toQt(m_lastName()) : QString();
}

bool frmNubrel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_canvas && event->type() == QEvent::Paint) {
        paintCanvas();
        return true;
    }
    // A window manager frames a window before it maps it: once the window is
    // exposed its frame is known, and a saved outer size can be met exactly.
    if (watched == windowHandle() && event->type() == QEvent::Expose && m_outerSize &&
        windowHandle()->isExposed())
        applyOuterSize();
    return QMainWindow::eventFilter(watched, event);
}

void frmNubrel::paintCanvas()
{
    QPainter painter(m_canvas);
    painter.setPen(m_textColor);
    painter.drawPoint(0, 0);
    painter.setFont(m_font);
    const QFontMetrics metrics(m_font);
    painter.drawText(0, metrics.ascent(), paintedText());
    // Drawn as plain text, whatever the name holds.
    const QString name = paintedName();
    if (!name.isEmpty())
        painter.drawText(0, metrics.ascent() + metrics.lineSpacing(), name);
}

std::u16string frmNubrel::title() const
{
    return fromQt(windowTitle());
}

void frmNubrel::setTitle(const std::u16string &title)
{
    setWindowTitle(toQt(title));
}

void frmNubrel::setTextColor(std::uint32_t rgb)
{
    m_textColor = QColor::fromRgb(static_cast<QRgb>(0xFF000000u | rgb));
}

void frmNubrel::repaint()
{
    m_canvas->repaint();
}

void frmNubrel::showWindow()
{
    show();
    if (isMinimized())
        return;
    raise();
}

void frmNubrel::hideWindow()
{
    // Shown again, a window the program never placed would be placed anew by
    // the window manager: it comes back where it was.
    const bool normal =
        isVisible() && !(QMainWindow::windowState() & (Qt::WindowMinimized | Qt::WindowMaximized));
    const QPoint at = outerTopLeft();
    const QPoint client = geometry().topLeft();
    hide();
    if (normal) {
        m_askedTopLeft = at;
        // The window is where it is asked to be, so move() would do nothing:
        // the native window takes its client's place itself, to be mapped there.
        if (QWindow *native = windowHandle())
            native->setPosition(client);
        else
            move(at);
    }
}

WindowState frmNubrel::windowState() const
{
    const Qt::WindowStates states = QMainWindow::windowState();
    if (states & Qt::WindowMinimized)
        return WindowState::Minimised;
    if (states & Qt::WindowMaximized)
        return WindowState::Maximised;
    return WindowState::Normal;
}

void frmNubrel::setWindowState(WindowState state)
{
    switch (state) {
    case WindowState::Minimised:
        QMainWindow::setWindowState(Qt::WindowMinimized);
        break;
    case WindowState::Maximised:
        QMainWindow::setWindowState(Qt::WindowMaximized);
        break;
    case WindowState::Normal:
        QMainWindow::setWindowState(Qt::WindowNoState);
        break;
    }
}

double frmNubrel::twipsPerPixelX() const
{
    const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
    return Twips::perPixel(s ? s->logicalDotsPerInchX() : 96.0);
}

double frmNubrel::twipsPerPixelY() const
{
    const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
    return Twips::perPixel(s ? s->logicalDotsPerInchY() : 96.0);
}

QSize frmNubrel::frameExtra() const
{
    return frameGeometry().size() - geometry().size();
}

QPoint frmNubrel::outerTopLeft() const
{
    // A Wayland client never learns where its window is; saving what it
    // reports would move the window off the screen at the next start.
    if (m_askedTopLeft && QGuiApplication::platformName().startsWith(u"wayland"))
        return *m_askedTopLeft;
    return frameGeometry().topLeft();
}

double frmNubrel::top() const
{
    return outerTopLeft().y() * twipsPerPixelY();
}

double frmNubrel::left() const
{
    return outerTopLeft().x() * twipsPerPixelX();
}

double frmNubrel::height() const
{
    return (m_outerSize ? m_outerSize->height() : frameGeometry().height()) * twipsPerPixelY();
}

double frmNubrel::width() const
{
    return (m_outerSize ? m_outerSize->width() : frameGeometry().width()) * twipsPerPixelX();
}

void frmNubrel::setTop(double twips)
{
    const QPoint at(outerTopLeft().x(), static_cast<int>(std::lround(twips / twipsPerPixelY())));
    m_askedTopLeft = at;
    move(at);
}

void frmNubrel::setLeft(double twips)
{
    const QPoint at(static_cast<int>(std::lround(twips / twipsPerPixelX())), outerTopLeft().y());
    m_askedTopLeft = at;
    move(at);
}

void frmNubrel::setHeight(double twips)
{
    // The window's own size is the client's: the frame comes on top.
    const QSize outer = m_outerSize.value_or(frameGeometry().size());
    m_outerSize = QSize(outer.width(), static_cast<int>(std::lround(twips / twipsPerPixelY())));
    applyOuterSize();
}

void frmNubrel::setWidth(double twips)
{
    const QSize outer = m_outerSize.value_or(frameGeometry().size());
    m_outerSize = QSize(static_cast<int>(std::lround(twips / twipsPerPixelX())), outer.height());
    applyOuterSize();
}

void frmNubrel::applyOuterSize()
{
    if (!m_outerSize)
        return;
    // The frame is known at the first exposure: the size asked for is met
    // then, once, and let go, whether the window manager draws a frame or
    // not. A maximised window keeps the size it was given before it was
    // shown as its normal size.
    const bool framed = windowHandle() && windowHandle()->isExposed();
    const bool maximised =
        QMainWindow::windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen);
    if (!framed || !maximised)
        resize((*m_outerSize - frameExtra()).expandedTo(QSize(1, 1)));
    if (framed)
        m_outerSize.reset();
}

void frmNubrel::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (QWindow *native = windowHandle(); native && !m_watchingExposure) {
        native->installEventFilter(this);
        m_watchingExposure = true;
    }
}

FontSpec frmNubrel::font() const
{
    return FontSpec{fromQt(QFontInfo(m_font).family()), m_font.pointSizeF(), m_font.bold(),
                    m_font.italic()};
}

void frmNubrel::setFontFace(const std::u16string &face)
{
    m_font.setFamily(toQt(face));
}

void frmNubrel::setFontSize(double points)
{
    if (points > 0)
        m_font.setPointSizeF(points);
}

void frmNubrel::setFontBold(bool bold)
{
    m_font.setBold(bold);
}

void frmNubrel::setFontItalic(bool italic)
{
    m_font.setItalic(italic);
}

void frmNubrel::setIcon(AppIcon icon)
{
    setWindowIcon(m_icons(icon));
}

void frmNubrel::setTaskCaption(const std::u16string &caption)
{
    m_mnuTask->setText(toQt(caption));
}

void frmNubrel::setTimeCaption(const std::u16string &caption)
{
    m_mnuTime->setText(toQt(caption));
}

void frmNubrel::setDelItemsVisible(bool visible)
{
    m_mnuDel->setVisible(visible);
    m_mnuDummy1->setVisible(visible);
}

void frmNubrel::resetMousePointer()
{
    unsetCursor();
}

void frmNubrel::endProgram()
{
    m_ending = true;
    // Modal windows still open (a message, the question, a dialog) close, so
    // their loops return and the stack unwinds into the main loop, which ends.
    QApplication::closeAllWindows();
    QCoreApplication::exit(0);
}

void frmNubrel::closeEvent(QCloseEvent *event)
{
    if (m_ending || !m_controller) {
        event->accept();
        return;
    }
    // The close box ends the program exactly as the exit command does.
    event->ignore();
    m_controller->Form_Unload();
}
