#include "frontend/qt/frmNbTip.h"
#include "app/Twips.h"

#include "calls/CallDisplay.h"
#include "frontend/qt/QtText.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <cmath>

frmNbTip::frmNbTip(std::function<std::u16string()> lastNumber, QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint),
      m_lastNumber(std::move(lastNumber))
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont small = font();
    // Eleven digits and a blank must fit into the 80 pixels of the client area.
    small.setPixelSize(11);
    setFont(small);
    const double tpp = twipsPerPixel();
    setFixedSize(static_cast<int>(std::lround(ClientWidth / tpp)),
                 static_cast<int>(std::lround(ClientHeight / tpp)));
}

double frmNbTip::twipsPerPixel() const
{
    const QScreen *s = QGuiApplication::primaryScreen();
    return Twips::perPixel(s ? s->logicalDotsPerInchX() : 96.0);
}

void frmNbTip::loadTip()
{
    if (m_loaded)
        return;
    m_loaded = true;
    const QScreen *s = QGuiApplication::primaryScreen();
    if (!s)
        return;
    const double tpp = twipsPerPixel();
    const QRect screen = s->geometry();
    const QSize outer = frameGeometry().size();
    const CallDisplay::Point at = CallDisplay::tipPlacement(
        screen.width() * tpp, screen.height() * tpp, outer.width() * tpp, outer.height() * tpp);
    // The primary screen need not start at the desktop's origin.
    move(screen.left() + static_cast<int>(std::lround(at.left / tpp)),
         screen.top() + static_cast<int>(std::lround(at.top / tpp)));
    hide();
}

bool frmNbTip::isTipVisible() const
{
    return isVisible();
}

void frmNbTip::showTip()
{
    show();
    raise();
}

void frmNbTip::hideTip()
{
    hide();
}

void frmNbTip::refreshTip()
{
    update();
}

void frmNbTip::unloadTip()
{
    close();
}

QString frmNbTip::paintedText() const
{
    return toQt(CallDisplay::tipText(m_lastNumber ? m_lastNumber() : std::u16string()));
}

void frmNbTip::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor::fromRgb(Background));
    painter.setPen(palette().color(QPalette::WindowText));
    const double tpp = twipsPerPixel();
    const int x = static_cast<int>(std::lround(10 / tpp));
    const int y = static_cast<int>(std::lround(10 / tpp));
    painter.drawPoint(x, y);
    painter.setClipRect(rect());
    painter.drawText(x, y + fontMetrics().ascent(), paintedText());
}
