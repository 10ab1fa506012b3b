// Modal questions and messages. Tests answer them in advance, so no test ever
// waits on a window.
#pragma once

#include "platform/MainView.h"

#include <QString>

enum class MessageIcon { None, Exclamation };

class Prompts {
public:
    virtual ~Prompts() = default;
    // A message box with an OK button only.
    virtual void messageBox(const QString &text, const QString &title, MessageIcon icon) = 0;
    // The Stop/Exit question (frmNbmsg::fncMsgDlg): true for "終了", false for "停止".
    virtual bool fncMsgDlg(const QString &title, const QString &message) = 0;
    // The font dialog started from `font`; false (font untouched) when cancelled.
    virtual bool chooseFont(FontSpec &font) = 0;
};

// The program's title, on its message boxes and its About box.
inline const QString AppTitle = QStringLiteral("VORDEK");
// The line every message about the link opens with.
inline const QString MessageHead = QStringLiteral("ＶＯＲＤＥＫにて、");

// The program's warning: MessageHead, a CR and `text`, with the exclamation
// icon and the program's title.
void warnUser(Prompts &prompts, const QString &text);
