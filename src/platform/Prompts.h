// Modal questions and messages. Tests answer them in advance, so no test ever
// waits on a window.
#pragma once

#include "platform/MainView.h"

#include <string>

enum class MessageIcon { None, Exclamation };

class Prompts {
public:
    virtual ~Prompts() = default;
    // A message box with an OK button only.
    virtual void messageBox(const std::u16string &text, const std::u16string &title,
                            MessageIcon icon) = 0;
    // The Stop/Exit question (frmNbmsg::fncMsgDlg): true for "終了", false for "停止".
    virtual bool fncMsgDlg(const std::u16string &title, const std::u16string &message) = 0;
    // The font dialog started from `font`; false (font untouched) when cancelled.
    virtual bool chooseFont(FontSpec &font) = 0;
};
