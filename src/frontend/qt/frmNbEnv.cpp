#include "frontend/qt/frmNbEnv.h"
#include "app/Twips.h"
#include "frontend/qt/QtText.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cmath>
#include <iterator>

namespace {
void makeRed(QLabel *label)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, QColor(255, 0, 0));
    label->setPalette(p);
}
} // namespace

frmNbEnv::frmNbEnv(ProgramState &state, const basNbComIni &ini, Prompts &prompts, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_env(state, ini, prompts)
{
    setWindowTitle(QStringLiteral("環境設定"));
    setModal(true);
    // The face the layout was drawn for; the captions fit their boxes in it.
    QFont dialogFont(QStringLiteral("ＭＳ Ｐゴシック"));
    dialogFont.setPointSizeF(9);
    setFont(dialogFont);
    setFixedSize(pixels(ClientWidth), pixels(ClientHeight));

    QGroupBox *frame1 = addFrame("Frame1", QStringLiteral("通信ポート"), 180, 180, 5055, 975);
    m_comGroup = new QButtonGroup(this);
    for (int i = 1; i <= 4; ++i) {
        auto *b = new QRadioButton(QStringLiteral("COM") + QString::number(i), frame1);
        b->setObjectName(QStringLiteral("rbtnCom") + QString::number(i));
        place(b, 240 + 1200 * (i - 1), 360, 795, 435);
        m_comGroup->addButton(b, i);
        m_rbtnCom[i - 1] = b;
    }

    QGroupBox *frame2 = addFrame("Frame2", QStringLiteral("通信速度"), 180, 1260, 5055, 1035);
    addLabel(frame2, "Label1", QStringLiteral("ﾎﾞｰﾚｰﾄ"), 360, 360, 735, 255);
    m_cmbSpeed = addCombo(frame2, "cmbSpeed", 1140, 300, 2235, 300);
    makeRed(addLabel(frame2, "Label2_0", QStringLiteral("ｺﾝﾋﾟｭｰﾀ上の転送速度を設定してください"),
                     1680, 660, 3255, 255));

    QGroupBox *frame4 = addFrame("Frame4", QStringLiteral("通信機器"), 180, 2400, 5055, 915);
    addLabel(frame4, "Label3", QStringLiteral("製品名"), 300, 420, 615, 255);
    m_cmbProducts = addCombo(frame4, "cmbProducts", 1140, 360, 3555, 300);

    QGroupBox *frame3 = addFrame("Frame3", QStringLiteral("着信履歴"), 180, 3420, 5055, 1215);
    m_hstGroup = new QButtonGroup(this);
    m_rbnHst[0] = new QRadioButton(QStringLiteral("作成する"), frame3);
    m_rbnHst[0]->setObjectName(QStringLiteral("rbnHst0"));
    place(m_rbnHst[0], 780, 300, 1095, 375);
    m_rbnHst[1] = new QRadioButton(QStringLiteral("作成しない"), frame3);
    m_rbnHst[1]->setObjectName(QStringLiteral("rbnHst1"));
    place(m_rbnHst[1], 2700, 300, 1215, 315);
    m_hstGroup->addButton(m_rbnHst[0], 0);
    m_hstGroup->addButton(m_rbnHst[1], 1);
    QLabel *where =
        addLabel(frame3, "Label2_1",
                 QStringLiteral("VORDEKをｲﾝｽﾄｰﾙされたﾌｫﾙﾀﾞｰ内に「着信履歴．ＴＸＴ」で保存されます"),
                 660, 720, 4275, 435, true);
    makeRed(where);

    m_cmdOK[0] = new QPushButton(QStringLiteral("登録"), this);
    m_cmdOK[0]->setObjectName(QStringLiteral("cmdOK0"));
    place(m_cmdOK[0], 780, 4800, 1215, 375);
    m_cmdOK[1] = new QPushButton(QStringLiteral("キャンセル"), this);
    m_cmdOK[1]->setObjectName(QStringLiteral("cmdOK1"));
    place(m_cmdOK[1], 3180, 4800, 1215, 375);

    // Frames and labels take no focus; the rest in the order of the layout.
    QWidget *chain[] = {m_rbtnCom[0],  m_rbtnCom[1], m_rbtnCom[2], m_rbtnCom[3], m_cmbSpeed,
                        m_cmbProducts, m_rbnHst[0],  m_rbnHst[1],  m_cmdOK[0],   m_cmdOK[1]};
    for (std::size_t i = 0; i + 1 < std::size(chain); ++i)
        setTabOrder(chain[i], chain[i + 1]);

    m_env.Form_Load();
    showModel();
    connectModel();
    const int focused = m_env.comPort() == EnvSettings::NoButton ? 1 : m_env.comPort();
    m_rbtnCom[focused - 1]->setFocus(Qt::OtherFocusReason);
}

int frmNbEnv::pixels(double twips) const
{
    return Twips::toPixels(twips, logicalDpiX());
}

void frmNbEnv::place(QWidget *w, double left, double top, double width, double height) const
{
    const int x = pixels(left);
    int wide = pixels(width);
    // The boxes were drawn for a Windows face; where this desktop's face is
    // wider, a one-line caption grows to the right rather than being cut,
    // as far as its frame allows.
    const auto *label = qobject_cast<const QLabel *>(w);
    if (qobject_cast<const QAbstractButton *>(w) || (label && !label->wordWrap())) {
        const int room = w->parentWidget() ? w->parentWidget()->width() - x - 2 : wide;
        wide = std::max(wide, std::min(w->sizeHint().width(), room));
    }
    w->setGeometry(x, pixels(top), wide, pixels(height));
}

QGroupBox *frmNbEnv::addFrame(const char *name, const QString &caption, double left, double top,
                              double width, double height)
{
    auto *frame = new QGroupBox(caption, this);
    frame->setObjectName(QString::fromLatin1(name));
    place(frame, left, top, width, height);
    return frame;
}

QLabel *frmNbEnv::addLabel(QWidget *in, const char *name, const QString &caption, double left,
                           double top, double width, double height, bool wrap)
{
    auto *label = new QLabel(caption, in);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(wrap);
    place(label, left, top, width, height);
    return label;
}

QComboBox *frmNbEnv::addCombo(QWidget *in, const char *name, double left, double top, double width,
                              double height)
{
    auto *combo = new QComboBox(in);
    combo->setObjectName(QString::fromLatin1(name));
    // A drop-down list with an edit field; typing adds no line and completes nothing.
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setCompleter(nullptr);
    place(combo, left, top, width, height);
    return combo;
}

void frmNbEnv::showModel()
{
    if (m_env.comPort() != EnvSettings::NoButton)
        m_rbtnCom[m_env.comPort() - 1]->setChecked(true);
    m_cmbSpeed->addItems(toQt(m_env.speedLines()));
    m_cmbSpeed->setCurrentIndex(m_env.speedIndex());
    m_cmbSpeed->setEditText(toQt(m_env.speedText()));
    m_cmbProducts->addItems(toQt(m_env.productLines()));
    m_cmbProducts->setCurrentIndex(m_env.productIndex());
    m_cmbProducts->setEditText(toQt(m_env.productText()));
    if (m_env.histTxt() != EnvSettings::NoButton)
        m_rbnHst[m_env.histTxt()]->setChecked(true);
}

void frmNbEnv::connectModel()
{
    connect(m_comGroup, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on)
            m_env.setComPort(id);
    });
    connect(m_hstGroup, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on)
            m_env.setHistTxt(id);
    });
    connect(m_cmbSpeed, &QComboBox::currentIndexChanged, this,
            [this](int line) { m_env.setSpeedIndex(line); });
    connect(m_cmbSpeed, &QComboBox::editTextChanged, this,
            [this](const QString &text) { m_env.setSpeedText(fromQt(text)); });
    connect(m_cmbProducts, &QComboBox::currentIndexChanged, this,
            [this](int line) { m_env.setProductIndex(line); });
    connect(m_cmbProducts, &QComboBox::editTextChanged, this,
            [this](const QString &text) { m_env.setProductText(fromQt(text)); });
    for (int i = 0; i < 2; ++i)
        connect(m_cmdOK[i], &QPushButton::clicked, this, [this, i] { cmdOK_Click(i); });
}

void frmNbEnv::cmdOK_Click(int index)
{
    if (!m_env.cmdOK_Click(index))
        return;
    if (index == 0)
        accept();
    else
        reject();
}
