#include "frontend/qt/QtFontDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleValidator>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

namespace {
// The largest size the main window takes.
constexpr double MaxPoints = 1638;
} // namespace

QtFontDialog::QtFontDialog(const QFont &initial, QWidget *parent)
    : QDialog(parent), m_faces(new QListWidget(this)), m_size(new QComboBox(this)),
      m_bold(new QCheckBox(QStringLiteral("太字(&B)"), this)),
      m_italic(new QCheckBox(QStringLiteral("斜体(&I)"), this)), m_sample(new QLabel(this)),
      m_initial(initial)
{
    setWindowTitle(QStringLiteral("フォント"));
    setModal(true);

    // Every face of the screen, the one the window has selected.
    const QString current = QFontInfo(initial).family();
    m_faces->addItems(QFontDatabase::families());
    const QList<QListWidgetItem *> found = m_faces->findItems(current, Qt::MatchFixedString);
    if (!found.isEmpty())
        m_faces->setCurrentItem(found.constFirst());

    m_size->setEditable(true);
    for (const int points : QFontDatabase::standardSizes())
        m_size->addItem(QString::number(points));
    m_size->lineEdit()->setValidator(new QDoubleValidator(1, MaxPoints, 1, m_size));
    m_size->setEditText(QString::number(initial.pointSizeF()));
    m_bold->setChecked(initial.bold());
    m_italic->setChecked(initial.italic());

    auto *faceLabel = new QLabel(QStringLiteral("フォント名(&F):"), this);
    faceLabel->setBuddy(m_faces);
    auto *sizeLabel = new QLabel(QStringLiteral("サイズ(&S):"), this);
    sizeLabel->setBuddy(m_size);

    auto *sampleBox = new QGroupBox(QStringLiteral("サンプル"), this);
    auto *sampleLayout = new QVBoxLayout(sampleBox);
    m_sample->setText(QStringLiteral(" ＴＥＬ．0312345678"));
    m_sample->setTextFormat(Qt::PlainText);
    m_sample->setMinimumHeight(60);
    sampleLayout->addWidget(m_sample);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *grid = new QGridLayout(this);
    grid->addWidget(faceLabel, 0, 0);
    grid->addWidget(sizeLabel, 0, 1);
    grid->addWidget(m_faces, 1, 0, 3, 1);
    grid->addWidget(m_size, 1, 1);
    grid->addWidget(m_bold, 2, 1);
    grid->addWidget(m_italic, 3, 1, Qt::AlignTop);
    grid->addWidget(sampleBox, 4, 0, 1, 2);
    grid->addWidget(buttons, 5, 0, 1, 2);

    connect(m_faces, &QListWidget::currentRowChanged, this, &QtFontDialog::updateSample);
    connect(m_size, &QComboBox::currentTextChanged, this, &QtFontDialog::updateSample);
    connect(m_bold, &QCheckBox::toggled, this, &QtFontDialog::updateSample);
    connect(m_italic, &QCheckBox::toggled, this, &QtFontDialog::updateSample);
    updateSample();
}

QFont QtFontDialog::selectedFont() const
{
    QFont font = m_initial;
    if (const QListWidgetItem *item = m_faces->currentItem())
        font.setFamily(item->text());
    bool ok = false;
    const double points = m_size->currentText().toDouble(&ok);
    if (ok && points > 0 && points <= MaxPoints)
        font.setPointSizeF(points);
    font.setBold(m_bold->isChecked());
    font.setItalic(m_italic->isChecked());
    return font;
}

void QtFontDialog::updateSample()
{
    m_sample->setFont(selectedFont());
}
