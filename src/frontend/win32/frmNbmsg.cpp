#include "frontend/win32/frmNbmsg.h"

#include "dialogs/Warnings.h"
#include "frontend/win32/Win32Text.h"

#include <algorithm>

namespace {
constexpr int IdMsg = 100;
constexpr int IdStop = 101; // cmdOK index 0
constexpr int IdExit = 102; // cmdOK index 1
} // namespace

frmNbmsg::frmNbmsg()
    : Win32DialogBox(std::u16string(), ClientWidth, ClientHeight),
      m_labelFont(Win32Font::DesignFace, 12)
{
}

bool frmNbmsg::fncMsgDlg(HWND owner, const std::u16string &title, const std::u16string &message)
{
    // Never a second question over the one that is open.
    if (isOpen())
        return m_ExitChosen;
    m_messageText = MessageHead + u'\r' + message + u'\r' +
                    u"一時停止させるには「停止」ボタンを、終了させるには「終了」ボタンを" + u'\r' +
                    u"押してください。";
    setTitle(title);
    runModal(owner);
    return m_ExitChosen;
}

void frmNbmsg::onInit()
{
    // Where the face substituted for the designed one is wider and a line
    // wraps, the label and the box grow rather than cut the last line off.
    const double extra = std::max(0.0, textHeight(m_messageText, m_labelFont.get(), 7035) - 1095.0);
    growClient(extra);
    addControl(IdMsg, L"STATIC", m_messageText, SS_LEFT | SS_NOPREFIX, 240, 180, 7035, 1095 + extra,
               m_labelFont.get());
    HWND stop = addControl(IdStop, L"BUTTON", u"停止", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP,
                           1680, 1380 + extra, 1155, 495, nullptr);
    addControl(IdExit, L"BUTTON", u"終了", BS_PUSHBUTTON | WS_TABSTOP, 4080, 1380 + extra, 1155,
               495, nullptr);
    SetFocus(stop);
}

void frmNbmsg::onCommand(int id, int code)
{
    if (code != BN_CLICKED)
        return;
    if (id == IdStop)
        cmdOK_Click(0);
    else if (id == IdExit)
        cmdOK_Click(1);
}

void frmNbmsg::cmdOK_Click(int index)
{
    m_ExitChosen = index != 0;
    endModal(IDOK);
}
