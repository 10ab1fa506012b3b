#include "frontend/qt/QtPrompts.h"
#include "frontend/qt/QtText.h"

#include "frontend/qt/QtFontDialog.h"
#include "frontend/qt/frmNbmsg.h"

#include <QApplication>
#include <QMessageBox>

QtPrompts::QtPrompts(QWidget *parent) : m_parent(parent) {}

QtPrompts::~QtPrompts() = default;

QWidget *QtPrompts::owner() const
{
    // Over a modal dialog that is open (the settings dialog), not behind it.
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    return m_parent;
}

void QtPrompts::messageBox(const std::u16string &textU, const std::u16string &titleU,
                           MessageIcon icon)
{
    const QString text = toQt(textU);
    const QString title = toQt(titleU);
    QString shown = text;
    shown.replace(u'\r', u'\n');
    QMessageBox box(icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    title, shown, QMessageBox::Ok, owner());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool QtPrompts::fncMsgDlg(const std::u16string &titleU, const std::u16string &messageU)
{
    const QString title = toQt(titleU);
    const QString message = toQt(messageU);
    // Without a parent window: the question stands in the middle of the
    // screen also while the main window is in the tray.
    if (!m_question)
        m_question = std::make_unique<frmNbmsg>();
    return m_question->fncMsgDlg(title, message);
}

bool QtPrompts::chooseFont(FontSpec &font)
{
    QFont initial(toQt(font.face));
    if (font.size > 0)
        initial.setPointSizeF(font.size);
    initial.setBold(font.bold);
    initial.setItalic(font.italic);
    QtFontDialog dialog(initial, owner());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QFont chosen = dialog.selectedFont();
    font.face = fromQt(chosen.family());
    font.size = chosen.pointSizeF();
    font.bold = chosen.bold();
    font.italic = chosen.italic();
    return true;
}
