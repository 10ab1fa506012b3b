// Modal messages, the Stop/Exit question and the font dialog on Win32.
#pragma once

#include "frontend/win32/frmNbmsg.h"
#include "platform/Prompts.h"

#include <functional>
#include <windows.h>

class Win32Prompts final : public Prompts {
public:
    // `owner` gives the window the messages stand over, at the moment they come.
    explicit Win32Prompts(std::function<HWND()> owner);

    void messageBox(const std::u16string &text, const std::u16string &title,
                    MessageIcon icon) override;
    bool fncMsgDlg(const std::u16string &title, const std::u16string &message) override;
    bool chooseFont(FontSpec &font) override;

private:
    HWND owner() const;

    std::function<HWND()> m_owner;
    frmNbmsg m_question; // lives for the run: its last answer outlives each question
};
