#include "frontend/qt/frmNbmsg.h"
#include "app/Twips.h"
#include "dialogs/Warnings.h"
#include "frontend/qt/QtText.h"
#include "platform/Prompts.h"

#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <cmath>

frmNbmsg::frmNbmsg(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_lblMsg(new QLabel(this)), m_cmdOK{new QPushButton(QStringLiteral("停止"), this),
                                          new QPushButton(QStringLiteral("終了"), this)}
{
    setModal(true);
    setFixedSize(pixels(ClientWidth), pixels(ClientHeight));

    QFont labelFont(QStringLiteral("ＭＳ Ｐゴシック"));
    labelFont.setPointSizeF(12);
    labelFont.setBold(false);
    m_lblMsg->setFont(labelFont);
    m_lblMsg->setTextFormat(Qt::PlainText);
    m_lblMsg->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_lblMsg->setGeometry(pixels(240), pixels(180), pixels(7035), pixels(1095));
    m_cmdOK[0]->setGeometry(pixels(1680), pixels(1380), pixels(1155), pixels(495));
    m_cmdOK[1]->setGeometry(pixels(4080), pixels(1380), pixels(1155), pixels(495));
    setTabOrder(m_cmdOK[0], m_cmdOK[1]);

    for (int i = 0; i < 2; ++i)
        connect(m_cmdOK[i], &QPushButton::clicked, this, [this, i] { cmdOK_Click(i); });
}

int frmNbmsg::pixels(double twips) const
{
    return Twips::toPixels(twips, logicalDpiX());
}

bool frmNbmsg::fncMsgDlg(const QString &title, const QString &message)
{
    // Never a second question over the one that is open: the caller gets the
    // answer standing now.
    if (isVisible())
        return m_ExitChosen;
    setWindowTitle(title);
    m_messageText =
        toQt(MessageHead) + u'\r' + message + u'\r' +
        QStringLiteral("一時停止させるには「停止」ボタンを、終了させるには「終了」ボタンを") +
        u'\r' + QStringLiteral("押してください。");
    QString shown = m_messageText;
    shown.replace(u'\r', u'\n');
    m_lblMsg->setText(shown);
    exec();
    return m_ExitChosen;
}

void frmNbmsg::cmdOK_Click(int index)
{
    m_ExitChosen = index != 0;
    accept();
}

void frmNbmsg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_cmdOK[0]->setFocus(Qt::OtherFocusReason);
}
