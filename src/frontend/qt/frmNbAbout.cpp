#include "frontend/qt/frmNbAbout.h"
#include "app/Twips.h"
#include "dialogs/Warnings.h"
#include "frontend/qt/QtText.h"
#include "platform/Prompts.h"

#include "dialogs/AboutLink.h"

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QMouseEvent>
#include <QPalette>
#include <QPointer>
#include <QPushButton>
#include <cmath>
#include <utility>

const QString frmNbAbout::HomeAddress = QStringLiteral("https://vordek.example.jp");

namespace {
const QString Face = QStringLiteral("ＭＳ Ｐゴシック");

QFont faceAt(double points, bool bold = false)
{
    QFont f(Face);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

void setTextColour(QWidget *w, const QColor &colour)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, colour);
    w->setPalette(p);
}

// A label shows each CR of a built text as a line break.
QString shown(QString text)
{
    return text.replace(u'\r', u'\n');
}

// A face with more leading than the one designed for would cut the last line:
// the label then grows downwards, where the layout leaves room.
void showLines(QLabel *label, const QString &text)
{
    label->setText(shown(text));
    const int needed = label->fontMetrics().lineSpacing() * int(text.count(u'\r') + 1);
    if (label->height() < needed)
        label->resize(label->width(), needed);
}

int buttonBits(Qt::MouseButtons buttons)
{
    return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0) |
           (buttons & Qt::MiddleButton ? 4 : 0);
}

int shiftBits(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}
} // namespace

frmNbAbout::frmNbAbout(Prompts &prompts, Launcher &launcher, EventPump &events,
                       std::function<bool()> isStopped, std::function<void()> mnuTime_Click,
                       const QIcon &icon, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setModal(false);
    setWindowIcon(icon);
    setFont(faceAt(9));
    setFixedSize(pixels(ClientWidth), pixels(ClientHeight));

    // The hooks hold the box weakly: a launch may outlive it.
    QPointer<frmNbAbout> self(this);
    AboutLink::Hooks hooks;
    hooks.isStopped = std::move(isStopped);
    hooks.mnuTime_Click = std::move(mnuTime_Click);
    hooks.setWaitCursor = [](bool wait) {
        if (wait)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    };
    hooks.closeBox = [self] {
        if (self)
            self->cmdOK_Click();
    };
    hooks.isBoxOpen = [self] { return self && self->isVisible(); };
    m_link = std::make_shared<AboutLink>(prompts, launcher, events, fromQt(HomeAddress),
                                         std::move(hooks));

    m_picIcon = addLabel("picIcon", 240, 240, 540, 540);
    m_picIcon->setPixmap(icon.pixmap(pixels(540), pixels(540)));

    m_lblTitle = addLabel("lblTitle", 1050, 240, 3885, 360);
    m_lblTitle->setFont(faceAt(9.75));
    m_lblTitle->setText(QStringLiteral("ナンバーディスプレー対応"));

    m_Label1 = addLabel("Label1", 1080, 660, 3855, 315);
    m_Label1->setFont(faceAt(14.25, true));
    setTextColour(m_Label1, QColor(255, 0, 0));
    m_Label1->setText(QStringLiteral("Ｖｏｒｄｅｋ"));

    m_lblVersion = addLabel("lblVersion", 1080, 1080, 3885, 225);

    m_lblDescription = addLabel("lblDescription", 1050, 1365, 3885, 570);
    m_lblDescription->setFont(faceAt(9.75));
    setTextColour(m_lblDescription, QColor(0, 0, 0));

    m_lblHome = addLabel("lblHome", 1830, 1980, 2415, 285);
    QFont link = faceAt(11.25);
    link.setUnderline(true);
    m_lblHome->setFont(link);
    setTextColour(m_lblHome, QColor(0, 0, 255));
    m_lblHome->setCursor(Qt::PointingHandCursor);
    // Shown without its scheme: the full address is wider than the label at
    // this size in the Japanese faces.
    m_lblHome->setText(QString(HomeAddress).remove(QStringLiteral("https://")));
    m_lblHome->installEventFilter(this);

    // The engraved separator: a grey line with a white one below it.
    auto *grey = new QWidget(this);
    grey->setObjectName(QStringLiteral("Line1_0"));
    grey->setGeometry(pixels(90), pixels(2340), pixels(5654) - pixels(90), 1);
    auto *white = new QWidget(this);
    white->setObjectName(QStringLiteral("Line1_1"));
    white->setGeometry(pixels(105), pixels(2370), pixels(5654) - pixels(105), 2);
    for (auto [line, colour] :
         {std::pair{grey, QColor(128, 128, 128)}, std::pair{white, QColor(255, 255, 255)}}) {
        QPalette p = line->palette();
        p.setColor(QPalette::Window, colour);
        line->setPalette(p);
        line->setAutoFillBackground(true);
    }

    m_lblDisclaimer = addLabel("lblDisclaimer", 255, 2460, 3870, 975);
    setTextColour(m_lblDisclaimer, QColor(0, 0, 0));

    m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setGeometry(pixels(4260), pixels(3120), pixels(1310), pixels(345));
    // Enter presses it as the default button; Esc closes the box as it does.
    m_cmdOK->setDefault(true);
    m_cmdOK->setFocus(Qt::OtherFocusReason);
    connect(m_cmdOK, &QPushButton::clicked, this, &frmNbAbout::cmdOK_Click);

    Form_Load();
}

frmNbAbout::~frmNbAbout() = default;

int frmNbAbout::pixels(double twips) const
{
    return Twips::toPixels(twips, logicalDpiX());
}

QLabel *frmNbAbout::addLabel(const char *name, double left, double top, double width, double height)
{
    auto *label = new QLabel(this);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(pixels(left), pixels(top), pixels(width), pixels(height));
    return label;
}

QString frmNbAbout::versionText() const
{
    return QStringLiteral("ﾊﾞｰｼﾞｮﾝ ") + QString::number(NUBREL_VERSION_MAJOR) + u'.' +
           QString::number(NUBREL_VERSION_MINOR) + u'.' + QString::number(NUBREL_VERSION_PATCH);
}

QString frmNbAbout::descriptionText() const
{
    const QString indent(15, u' ');
    return QStringLiteral("ボルデック電子工房") + u'\r' + indent +
           QStringLiteral("TEL 03-0000-0000") + u'\r' + indent + QStringLiteral("FAX 03-0000-0001");
}

QString frmNbAbout::disclaimerText() const
{
    const QString indent(4, u' ');
    return QStringLiteral("警告: 次の条件でお使いください。") + u'\r' + indent +
           QStringLiteral("無保証です。損害の責任は負いません。") + u'\r' + indent +
           QStringLiteral("無断での再配布・販売を禁じます。") + u'\r' + u'\r' +
           QStringLiteral("機器の設定のご相談も承ります。");
}

void frmNbAbout::Form_Load()
{
    setWindowTitle(toQt(AppTitle) + QStringLiteral("のﾊﾞｰｼﾞｮﾝ情報"));
    m_lblVersion->setText(versionText());
    showLines(m_lblDescription, descriptionText());
    showLines(m_lblDisclaimer, disclaimerText());
}

void frmNbAbout::cmdOK_Click()
{
    close();
}

void frmNbAbout::lblHome_MouseDown(int button, int shift, double x, double y)
{
    // The box may be gone when this returns; nothing of it is touched after.
    const std::shared_ptr<AboutLink> link = m_link;
    link->lblHome_MouseDown(button, shift, x, y);
}

bool frmNbAbout::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_lblHome && event->type() == QEvent::MouseButtonPress) {
        const auto *press = static_cast<QMouseEvent *>(event);
        const int button = buttonBits(press->buttons());
        const int shift = shiftBits(press->modifiers());
        const double x = press->position().x() * Twips::perPixel(logicalDpiX());
        const double y = press->position().y() * Twips::perPixel(logicalDpiY());
        // Run from the event loop, not inside the label's own event: the
        // launch shows messages and may close the box.
        QMetaObject::invokeMethod(
            this, [this, button, shift, x, y] { lblHome_MouseDown(button, shift, x, y); },
            Qt::QueuedConnection);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
