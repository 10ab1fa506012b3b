#include "frontend/win32/frmNbAbout.h"

#include "dialogs/Warnings.h"
#include "frontend/win32/Win32Screen.h"
#include "frontend/win32/Win32Text.h"
#include "frontend/win32/Win32WaitCursor.h"
#include "text/Text.h"

#include <windows.h>

#include <windowsx.h>

const std::u16string frmNbAbout::HomeAddress = u"https://vordek.example.jp";

namespace {
constexpr int IdTitle = 300, IdLabel1 = 301, IdVersion = 302, IdDescription = 303, IdHome = 304,
              IdDisclaimer = 305;
constexpr UINT LinkPressed = WM_APP + 1;

int shiftBits()
{
    return (GetKeyState(VK_SHIFT) < 0 ? 1 : 0) | (GetKeyState(VK_CONTROL) < 0 ? 2 : 0) |
           (GetKeyState(VK_MENU) < 0 ? 4 : 0);
}

int buttonBits()
{
    // The keys' state as the click was queued: the left button is down.
    return 1 | (GetKeyState(VK_RBUTTON) < 0 ? 2 : 0) | (GetKeyState(VK_MBUTTON) < 0 ? 4 : 0);
}
} // namespace

frmNbAbout::frmNbAbout(Prompts &prompts, Launcher &launcher, EventPump &events,
                       std::function<bool()> isStopped, std::function<void()> mnuTime_Click,
                       HICON icon, std::u16string searchRoot)
    : Win32DialogBox(AppTitle + u"のﾊﾞｰｼﾞｮﾝ情報", ClientWidth, ClientHeight),
      m_alive(std::make_shared<bool>(false)), m_icon(icon),
      m_titleFont(Win32Font::DesignFace, 9.75), m_nameFont(Win32Font::DesignFace, 14.25, true),
      m_linkFont(Win32Font::DesignFace, 11.25, false, false, true)
{
    scalesWith(m_titleFont);
    scalesWith(m_nameFont);
    scalesWith(m_linkFont);
    // The hooks hold the box weakly: a launch may outlive it.
    std::weak_ptr<bool> alive = m_alive;
    AboutLink::Hooks hooks;
    hooks.isStopped = std::move(isStopped);
    hooks.mnuTime_Click = std::move(mnuTime_Click);
    // The hourglass over all the program's windows for the whole search.
    hooks.setWaitCursor = [](bool wait) { Win32WaitCursor::set(wait); };
    hooks.closeBox = [this, alive] {
        if (const auto open = alive.lock(); open && *open)
            cmdOK_Click();
    };
    hooks.isBoxOpen = [alive] {
        const auto open = alive.lock();
        return open && *open;
    };
    hooks.searchRoot = std::move(searchRoot);
    m_link = std::make_shared<AboutLink>(prompts, launcher, events, HomeAddress, std::move(hooks));
}

frmNbAbout::~frmNbAbout()
{
    *m_alive = false;
}

std::u16string frmNbAbout::versionText()
{
    return u"ﾊﾞｰｼﾞｮﾝ " + Text::number(NUBREL_VERSION_MAJOR) + u'.' +
           Text::number(NUBREL_VERSION_MINOR) + u'.' + Text::number(NUBREL_VERSION_PATCH);
}

std::u16string frmNbAbout::descriptionText()
{
    const std::u16string indent(15, u' ');
    return u"ボルデック電子工房" + std::u16string(1, u'\r') + indent + u"TEL 03-0000-0000" + u'\r' +
           indent + u"FAX 03-0000-0001";
}

std::u16string frmNbAbout::disclaimerText()
{
    const std::u16string indent(4, u' ');
    return u"警告: 次の条件でお使いください。" + std::u16string(1, u'\r') + indent +
           u"無保証です。損害の責任は負いません。" + u'\r' + indent +
           u"無断での再配布・販売を禁じます。" + u'\r' + u'\r' + u"機器の設定のご相談も承ります。";
}

void frmNbAbout::onInit()
{
    *m_alive = true;
    constexpr DWORD label = SS_LEFT | SS_NOPREFIX;
    addControl(IdTitle, L"STATIC", u"ナンバーディスプレー対応", label, 1050, 240, 3885, 360,
               m_titleFont.get());
    addControl(IdLabel1, L"STATIC", u"Ｖｏｒｄｅｋ", label, 1080, 660, 3855, 315, m_nameFont.get());
    addControl(IdVersion, L"STATIC", versionText(), label, 1080, 1080, 3885, 225, nullptr);
    addControl(IdDescription, L"STATIC", descriptionText(), label, 1050, 1365, 3885, 570,
               m_titleFont.get());
    // Shown without its scheme: the full address is wider than the label.
    std::u16string shown = HomeAddress;
    shown.erase(0, std::u16string(u"https://").size());
    addControl(IdHome, L"STATIC", shown, label | SS_NOTIFY, 1830, 1980, 2415, 285,
               m_linkFont.get());
    addControl(IdDisclaimer, L"STATIC", disclaimerText(), label, 255, 2460, 3870, 975, nullptr);
    // Enter presses it as the default button; Esc closes the box as it does.
    HWND ok = addControl(IDOK, L"BUTTON", u"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 4260, 3120, 1310,
                         345, nullptr);
    SetFocus(ok);
}

void frmNbAbout::onPaint(HDC dc)
{
    if (m_icon)
        DrawIconEx(dc, pixelsX(240), pixelsY(240), m_icon, pixelsX(540), pixelsY(540), 0, nullptr,
                   DI_NORMAL);
    // The engraved separator: a grey line with a white one, two pixels, below it.
    const int right = pixelsX(5654);
    RECT grey{pixelsX(90), pixelsY(2340), right, pixelsY(2340) + 1};
    HBRUSH greyBrush = CreateSolidBrush(RGB(128, 128, 128));
    FillRect(dc, &grey, greyBrush);
    DeleteObject(greyBrush);
    RECT white{pixelsX(105), pixelsY(2370), right, pixelsY(2370) + 2};
    FillRect(dc, &white, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

bool frmNbAbout::textColourOf(int id, COLORREF &colour) const
{
    switch (id) {
    case IdLabel1:
        colour = RGB(255, 0, 0);
        return true;
    case IdHome:
        colour = RGB(0, 0, 255);
        return true;
    case IdDescription:
    case IdDisclaimer:
        colour = RGB(0, 0, 0);
        return true;
    default:
        return false;
    }
}

INT_PTR frmNbAbout::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETCURSOR &&
        (Win32WaitCursor::apply() || reinterpret_cast<HWND>(wParam) == item(IdHome))) {
        // The search's hourglass first; else the link's hand.
        if (!Win32WaitCursor::active())
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
        SetWindowLongPtrW(hwnd(), DWLP_MSGRESULT, TRUE);
        return TRUE;
    }
    if (message == LinkPressed) {
        lblHome_MouseDown(static_cast<int>(wParam), static_cast<int>(lParam), 0, 0);
        return TRUE;
    }
    return FALSE;
}

void frmNbAbout::onCommand(int id, int code)
{
    if (id == IDOK && code == BN_CLICKED) {
        cmdOK_Click();
    } else if (id == IdHome && code == STN_CLICKED) {
        // Run from the message loop, not inside the label's own click: the
        // launch shows messages and may close the box.
        PostMessageW(hwnd(), LinkPressed, static_cast<WPARAM>(buttonBits()),
                     static_cast<LPARAM>(shiftBits()));
    }
}

void frmNbAbout::onCancel()
{
    cmdOK_Click();
}

void frmNbAbout::cmdOK_Click()
{
    *m_alive = false;
    destroy();
}

void frmNbAbout::lblHome_MouseDown(int button, int shift, double x, double y)
{
    // The box may be gone when this returns; nothing of it is touched after.
    const std::shared_ptr<AboutLink> link = m_link;
    link->lblHome_MouseDown(button, shift, x, y);
}
