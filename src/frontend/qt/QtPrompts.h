// Message boxes, the Stop/Exit question and the font dialog on Qt widgets.
#pragma once

#include "platform/Prompts.h"

#include <QPointer>
#include <memory>

class QWidget;
class frmNbmsg;

class QtPrompts final : public Prompts {
public:
    // `parent`: the window the boxes belong to when no modal window is open.
    explicit QtPrompts(QWidget *parent = nullptr);
    ~QtPrompts() override;

    void messageBox(const std::u16string &text, const std::u16string &title,
                    MessageIcon icon) override;
    bool fncMsgDlg(const std::u16string &title, const std::u16string &message) override;
    bool chooseFont(FontSpec &font) override;

private:
    QWidget *owner() const;

    QPointer<QWidget> m_parent;
    // Created at the first question and kept for the run: it remembers the
    // last answer.
    std::unique_ptr<frmNbmsg> m_question;
};
