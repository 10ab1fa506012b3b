// The Stop/Exit question asked when the serial port cannot be used. One object
// lives for the whole run, so the last answer outlives each question.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

class frmNbmsg final : public QDialog {
    Q_OBJECT
public:
    static constexpr double ClientWidth = 7395; // twips
    static constexpr double ClientHeight = 2115;

    explicit frmNbmsg(QWidget *parent = nullptr);

    // Asks modally; true for "終了", false for "停止". Closed without a button,
    // the previous answer stands.
    bool fncMsgDlg(const QString &title, const QString &message);
    // Index 0 "停止", 1 "終了".
    void cmdOK_Click(int index);

    bool ExitChosen() const { return m_ExitChosen; }
    // The label's text as built, lines separated by CR.
    QString messageText() const { return m_messageText; }

    QLabel *lblMsg() const { return m_lblMsg; }
    QPushButton *cmdOK(int index) const { return m_cmdOK[index]; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    int pixels(double twips) const;

    QLabel *m_lblMsg;
    QPushButton *m_cmdOK[2];
    QString m_messageText;
    bool m_ExitChosen = false;
};
