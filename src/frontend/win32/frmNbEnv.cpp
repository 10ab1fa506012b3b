#include "frontend/win32/frmNbEnv.h"

#include "frontend/win32/Win32Text.h"

#include <array>

namespace {
constexpr int IdFrame1 = 200, IdFrame2 = 201, IdFrame3 = 202, IdFrame4 = 203;
constexpr int IdLabel1 = 210, IdLabel2_0 = 211, IdLabel2_1 = 212, IdLabel3 = 213;
constexpr int IdCom1 = 221; // rbtnCom 1..4: 221..224
constexpr int IdSpeed = 230, IdProducts = 231;
constexpr int IdHst0 = 240; // rbnHst 0..1: 240, 241
constexpr int IdOK0 = 250;  // cmdOK 0..1: 250, 251

struct Frame {
    int id;
    const char16_t *caption;
    double left, top, width, height;
};
constexpr std::array<Frame, 4> Frames{{
    {IdFrame1, u"通信ポート", 180, 180, 5055, 975},
    {IdFrame2, u"通信速度", 180, 1260, 5055, 1035},
    {IdFrame4, u"通信機器", 180, 2400, 5055, 915},
    {IdFrame3, u"着信履歴", 180, 3420, 5055, 1215},
}};
} // namespace

frmNbEnv::frmNbEnv(ProgramState &state, const basNbComIni &ini, Prompts &prompts)
    : Win32DialogBox(u"環境設定", ClientWidth, ClientHeight), m_env(state, ini, prompts)
{
}

void frmNbEnv::onInit()
{
    // Frames and labels first: they take no focus, and the controls made
    // after them come in the order Tab goes through them.
    for (const Frame &f : Frames)
        addControl(f.id, L"BUTTON", f.caption, BS_GROUPBOX, f.left, f.top, f.width, f.height,
                   nullptr);
    // Positions inside a frame are from its corner.
    const auto in = [](const Frame &f, double left, double top) {
        return std::pair{f.left + left, f.top + top};
    };
    const Frame &frame1 = Frames[0], &frame2 = Frames[1], &frame4 = Frames[2], &frame3 = Frames[3];
    auto [l1x, l1y] = in(frame2, 360, 360);
    addControl(IdLabel1, L"STATIC", u"ﾎﾞｰﾚｰﾄ", SS_LEFT | SS_NOPREFIX, l1x, l1y, 735, 255, nullptr);
    auto [l20x, l20y] = in(frame2, 1680, 660);
    addControl(IdLabel2_0, L"STATIC", u"ｺﾝﾋﾟｭｰﾀ上の転送速度を設定してください",
               SS_LEFT | SS_NOPREFIX, l20x, l20y, 3255, 255, nullptr);
    auto [l3x, l3y] = in(frame4, 300, 420);
    addControl(IdLabel3, L"STATIC", u"製品名", SS_LEFT | SS_NOPREFIX, l3x, l3y, 615, 255, nullptr);
    auto [l21x, l21y] = in(frame3, 660, 720);
    addControl(IdLabel2_1, L"STATIC",
               u"VORDEKをｲﾝｽﾄｰﾙされたﾌｫﾙﾀﾞｰ内に「着信履歴．ＴＸＴ」で保存されます",
               SS_LEFT | SS_NOPREFIX, l21x, l21y, 4275, 435, nullptr);

    // Each group of option buttons is one stop of Tab, on the button that is
    // on; the arrow keys move within the group.
    for (int i = 1; i <= 4; ++i) {
        auto [x, y] = in(frame1, 240 + 1200 * (i - 1), 360);
        addControl(IdCom1 + i - 1, L"BUTTON", u"COM" + std::u16string(1, char16_t(u'0' + i)),
                   BS_AUTORADIOBUTTON | (i == 1 ? WS_TABSTOP | WS_GROUP : 0), x, y, 795, 435,
                   nullptr);
    }
    // A drop-down list with an edit field; the height includes the list.
    auto [sx, sy] = in(frame2, 1140, 300);
    addControl(IdSpeed, L"COMBOBOX", u"",
               CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP | WS_GROUP, sx, sy, 2235,
               300 * 8, nullptr);
    auto [px, py] = in(frame4, 1140, 360);
    addControl(IdProducts, L"COMBOBOX", u"",
               CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP | WS_GROUP, px, py, 3555,
               300 * 8, nullptr);
    auto [h0x, h0y] = in(frame3, 780, 300);
    addControl(IdHst0, L"BUTTON", u"作成する", BS_AUTORADIOBUTTON | WS_TABSTOP | WS_GROUP, h0x, h0y,
               1095, 375, nullptr);
    auto [h1x, h1y] = in(frame3, 2700, 300);
    addControl(IdHst0 + 1, L"BUTTON", u"作成しない", BS_AUTORADIOBUTTON, h1x, h1y, 1215, 315,
               nullptr);
    addControl(IdOK0, L"BUTTON", u"登録", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, 780, 4800, 1215,
               375, nullptr);
    addControl(IdOK0 + 1, L"BUTTON", u"キャンセル", BS_PUSHBUTTON | WS_TABSTOP, 3180, 4800, 1215,
               375, nullptr);

    m_env.Form_Load();
    showModel();
    const int focused = m_env.comPort() == EnvSettings::NoButton ? 1 : m_env.comPort();
    SetFocus(item(IdCom1 + focused - 1));
}

void frmNbEnv::showModel()
{
    m_showing = true;
    if (m_env.comPort() != EnvSettings::NoButton)
        CheckRadioButton(hwnd(), IdCom1, IdCom1 + 3, IdCom1 + m_env.comPort() - 1);
    const auto fill = [this](int id, const std::vector<std::u16string> &lines, int index,
                             const std::u16string &text) {
        HWND combo = item(id);
        for (const std::u16string &line : lines)
            SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(line)));
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SetWindowTextW(combo, wide(text));
    };
    fill(IdSpeed, m_env.speedLines(), m_env.speedIndex(), m_env.speedText());
    fill(IdProducts, m_env.productLines(), m_env.productIndex(), m_env.productText());
    if (m_env.histTxt() != EnvSettings::NoButton)
        CheckRadioButton(hwnd(), IdHst0, IdHst0 + 1, IdHst0 + m_env.histTxt());
    tabStopOnChecked(IdCom1, 4);
    tabStopOnChecked(IdHst0, 2);
    m_showing = false;
}

void frmNbEnv::tabStopOnChecked(int firstId, int count)
{
    int stop = firstId;
    for (int id = firstId; id < firstId + count; ++id)
        if (IsDlgButtonChecked(hwnd(), id) == BST_CHECKED)
            stop = id;
    for (int id = firstId; id < firstId + count; ++id) {
        HWND button = item(id);
        const LONG_PTR style = GetWindowLongPtrW(button, GWL_STYLE);
        SetWindowLongPtrW(button, GWL_STYLE,
                          id == stop ? style | WS_TABSTOP : style & ~LONG_PTR(WS_TABSTOP));
    }
}

std::u16string frmNbEnv::comboText(int id) const
{
    HWND combo = item(id);
    const int length = GetWindowTextLengthW(combo);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(combo, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return fromWide(text);
}

void frmNbEnv::onCommand(int id, int code)
{
    if (m_showing)
        return;
    if (id >= IdCom1 && id < IdCom1 + 4 && code == BN_CLICKED) {
        m_env.setComPort(id - IdCom1 + 1);
        tabStopOnChecked(IdCom1, 4);
    } else if ((id == IdHst0 || id == IdHst0 + 1) && code == BN_CLICKED) {
        m_env.setHistTxt(id - IdHst0);
        tabStopOnChecked(IdHst0, 2);
    } else if (id == IdSpeed || id == IdProducts) {
        const bool speed = id == IdSpeed;
        if (code == CBN_SELCHANGE) {
            const int line = static_cast<int>(SendMessageW(item(id), CB_GETCURSEL, 0, 0));
            if (speed)
                m_env.setSpeedIndex(line);
            else
                m_env.setProductIndex(line);
            // The edit field shows the chosen line, as a typed text would.
            std::u16string text;
            const LRESULT length = SendMessageW(item(id), CB_GETLBTEXTLEN, line, 0);
            if (line >= 0 && length >= 0) {
                std::wstring buffer(static_cast<std::size_t>(length) + 1, L'\0');
                SendMessageW(item(id), CB_GETLBTEXT, line, reinterpret_cast<LPARAM>(buffer.data()));
                buffer.resize(static_cast<std::size_t>(length));
                text = fromWide(buffer);
            }
            if (speed)
                m_env.setSpeedText(text);
            else
                m_env.setProductText(text);
        } else if (code == CBN_EDITCHANGE) {
            if (speed)
                m_env.setSpeedText(comboText(id));
            else
                m_env.setProductText(comboText(id));
        }
    } else if ((id == IdOK0 || id == IdOK0 + 1) && code == BN_CLICKED) {
        cmdOK_Click(id - IdOK0);
    }
}

bool frmNbEnv::textColourOf(int id, COLORREF &colour) const
{
    if (id != IdLabel2_0 && id != IdLabel2_1)
        return false;
    colour = RGB(255, 0, 0);
    return true;
}

void frmNbEnv::onCancel()
{
    // Esc and the close box are the cancel button.
    cmdOK_Click(1);
}

void frmNbEnv::cmdOK_Click(int index)
{
    if (m_env.cmdOK_Click(index))
        endModal(index == 0 ? IDOK : IDCANCEL);
}
