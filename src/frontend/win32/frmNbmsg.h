// The Stop/Exit question asked when the serial port cannot be used. One object
// lives for the whole run, so the last answer outlives each question.
#pragma once

#include "frontend/win32/Win32DialogBox.h"

#include <string>

class frmNbmsg final : public Win32DialogBox {
public:
    static constexpr double ClientWidth = 7395; // twips
    static constexpr double ClientHeight = 2115;

    frmNbmsg();

    // Asks modally over `owner`; true for "終了", false for "停止". Closed
    // without a button, the previous answer stands.
    bool fncMsgDlg(HWND owner, const std::u16string &title, const std::u16string &message);
    // Index 0 "停止", 1 "終了".
    void cmdOK_Click(int index);

private:
    void onInit() override;
    void onCommand(int id, int code) override;

    Win32Font m_labelFont;
    std::u16string m_messageText;
    bool m_ExitChosen = false;
};
