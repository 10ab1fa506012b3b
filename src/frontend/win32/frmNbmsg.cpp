#include "frontend/win32/frmNbmsg.h"

#include "dialogs/Warnings.h"
#include "frontend/win32/Win32Screen.h"
#include "frontend/win32/Win32Text.h"

#include <algorithm>

namespace {
constexpr int IdMsg = 100;
constexpr int IdStop = 101; // cmdOK index 0
constexpr int IdExit = 102; // cmdOK index 1
constexpr double LabelWidth = 7035;
constexpr double LabelHeight = 1095;
} // namespace

frmNbmsg::frmNbmsg()
    : Win32DialogBox(std::u16string(), ClientWidth, ClientHeight),
      m_labelFont(Win32Font::DesignFace, 12)
{
    scalesWith(m_labelFont);
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
    // Where the face that stands in for the designed one is wider or taller,
    // the label and the box grow so that each line stays whole on one line;
    // the buttons keep their places about the box's middle. A pixel to spare
    // keeps the label from wrapping on rounding.
    const SIZE text = textExtent(m_messageText, m_labelFont.get());
    const double spare = Win32Screen::twips(1, dpi());
    const double wider = std::max(0.0, text.cx + spare - LabelWidth);
    const double taller = std::max(0.0, text.cy - LabelHeight);
    growClient(wider, taller);
    addControl(IdMsg, L"STATIC", m_messageText, SS_LEFT | SS_NOPREFIX, 240, 180, LabelWidth + wider,
               LabelHeight + taller, m_labelFont.get());
    const double shift = wider / 2;
    HWND stop = addControl(IdStop, L"BUTTON", u"停止", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP,
                           1680 + shift, 1380 + taller, 1155, 495, nullptr);
    addControl(IdExit, L"BUTTON", u"終了", BS_PUSHBUTTON | WS_TABSTOP, 4080 + shift, 1380 + taller,
               1155, 495, nullptr);
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
