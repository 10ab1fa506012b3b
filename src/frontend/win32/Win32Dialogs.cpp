#include "frontend/win32/Win32Dialogs.h"

#include "dialogs/Warnings.h"
#include "frontend/win32/Win32Text.h"
#include "frontend/win32/frmNbAbout.h"
#include "frontend/win32/frmNbEnv.h"
#include "platform/Files.h"
#include "platform/Prompts.h"
#include "state/ProgramState.h"

#include <windows.h>

#include <shellapi.h>

Win32Dialogs::Win32Dialogs(ProgramState &state, const basNbComIni &ini, Prompts &prompts,
                           Launcher &launcher, HWND mainWindow, std::function<void()> mnuTime_Click,
                           HICON aboutIcon)
    : m_state(state), m_ini(ini), m_prompts(prompts), m_launcher(launcher), m_mainWindow(mainWindow)
{
    ProgramState &s = m_state;
    m_about = std::make_unique<frmNbAbout>(
        m_prompts, m_launcher, m_events, [&s] { return s.Stopped; }, std::move(mnuTime_Click),
        aboutIcon);
}

Win32Dialogs::~Win32Dialogs() = default;

void Win32Dialogs::showSettingsDialog()
{
    // Loaded afresh for every showing, from the state and the file as they are now.
    frmNbEnv dialog(m_state, m_ini, m_prompts);
    // Owned by the main window, hidden or not: it takes no input meanwhile.
    dialog.runModal(m_mainWindow);
}

void Win32Dialogs::showAbout()
{
    // Owned by the main window: above it, and no task bar button of its own.
    m_about->showModeless(m_mainWindow);
}

void Win32Dialogs::closeAbout()
{
    if (m_about->isOpen())
        m_about->cmdOK_Click();
}

void Win32Dialogs::showManual(const std::u16string &path)
{
    const std::u16string native = Files::toNativeSeparators(path);
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", wide(native), nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32)
        warnUser(m_prompts, u"説明書のファイルを開けませんでした。\r" + native);
}
