// The main window's font on Windows: a face without Japanese, chosen in the
// real font dialog or read from Nubrel.ini, is the face the window really
// gets and the face saved; the designed face keeps its Japanese set.
#include "Win32Rig.h"

#include "TestText.h"
#include "frontend/win32/Win32Font.h"
#include "frontend/win32/Win32Prompts.h"
#include "frontend/win32/Win32Text.h"
#include "frontend/win32/Win32TrayIcon.h"

#include <gtest/gtest.h>
#include <set>

namespace {
// A face Wine has here that has no Japanese character set.
const std::u16string Western = u"DejaVu Sans"s;

// Lambdas are no stdcall functions on 32-bit Windows: these are.
int CALLBACK addCharset(const LOGFONTW *font, const TEXTMETRICW *, DWORD, LPARAM out)
{
    reinterpret_cast<std::set<int> *>(out)->insert(font->lfCharSet);
    return 1;
}

std::set<int> charsetsOf(const std::u16string &face)
{
    std::set<int> sets;
    HDC dc = GetDC(nullptr);
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    toWide(face).copy(lf.lfFaceName, face.size());
    EnumFontFamiliesExW(dc, &lf, &addCharset, reinterpret_cast<LPARAM>(&sets), 0);
    ReleaseDC(nullptr, dc);
    return sets;
}

BOOL CALLBACK keepDialog(HWND window, LPARAM out)
{
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (std::wstring(name) != L"#32770" || !IsWindowVisible(window))
        return TRUE;
    *reinterpret_cast<HWND *>(out) = window;
    return FALSE;
}

// Picks `face` in the font dialog the moment it opens, and presses OK.
UINT_PTR g_timer = 0;
std::wstring g_face;
void CALLBACK answerFontDialog(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &keepDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog)
        return;
    KillTimer(nullptr, g_timer);
    constexpr int FaceList = 0x470; // the dialog's face combo box (cmb1)
    HWND faces = GetDlgItem(dialog, FaceList);
    const LRESULT at = SendMessageW(faces, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>(g_face.c_str()));
    SendMessageW(faces, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(FaceList, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(faces));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}
} // namespace

TEST(Win32Font, AFaceWithoutJapaneseIsTheFaceTheWindowGetsAndSaves)
{
    const std::set<int> sets = charsetsOf(Western);
    ASSERT_FALSE(sets.empty()) << "the test needs the face " << utf8(Western);
    ASSERT_EQ(sets.count(SHIFTJIS_CHARSET), 0u) << "the test needs a face without Japanese";

    for (const bool fromDialog : {false, true}) {
        const std::string what = fromDialog ? "chosen in the dialog" : "read from Nubrel.ini";
        Win32Rig rig;
        ASSERT_TRUE(rig.created);
        Win32TrayIcon tray(rig.icons, rig.window.hwnd(), rig.window.popUpMenu());
        Win32Prompts prompts([&rig] { return rig.window.hwnd(); });
        MainController c = rig.controller(tray, prompts);
        c.setDialogs(rig.p.dialogs);
        rig.folder.writeIni(fromDialog ? u"[NUBREL]\nSTATE=0\n"s
                                       : u"[NUBREL]\nFONT="s + Western + u"\n"s);
        c.Form_Load();
        if (fromDialog) {
            g_face = toWide(Western);
            g_timer = SetTimer(nullptr, 0, 50, &answerFontDialog);
            c.mnuFont_Click();
            KillTimer(nullptr, g_timer);
        }
        EXPECT_EQ(rig.window.font().face, Western) << what << ": the face the system gave";
        c.SaveWindowSettings();
        EXPECT_TRUE(contains(rig.folder.readText(u"Nubrel.ini"s), u"FONT="s + Western + u"\r\n"s))
            << what << "\n"
            << utf8(rig.folder.readText(u"Nubrel.ini"s));
    }
}

TEST(Win32Font, TheDesignedFaceKeepsItsJapaneseSet)
{
    EXPECT_EQ(Win32Font::charsetFor(Win32Font::DesignFace), SHIFTJIS_CHARSET);
    EXPECT_EQ(Win32Font::charsetFor(u"no such face here"s), SHIFTJIS_CHARSET)
        << "a face not installed is stood in for by a Japanese one, as designed";
    Win32Font font(Win32Font::DesignFace, 18, false, false, false,
                   Win32Font::charsetFor(Win32Font::DesignFace));
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font.get());
    EXPECT_EQ(GetTextCharset(dc), SHIFTJIS_CHARSET) << "the stand-in draws Japanese";
    SelectObject(dc, old);
    DeleteDC(dc);
}
