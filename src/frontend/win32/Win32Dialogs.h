// The program's own windows opened by the menu commands: the settings dialog,
// the About box and the manual.
#pragma once

#include "frontend/win32/Win32EventPump.h"
#include "platform/Dialogs.h"

#include <functional>
#include <memory>
#include <windows.h>

struct ProgramState;
class basNbComIni;
class Prompts;
class Launcher;
class frmNbAbout;

class Win32Dialogs final : public Dialogs {
public:
    Win32Dialogs(ProgramState &state, const basNbComIni &ini, Prompts &prompts, Launcher &launcher,
                 HWND mainWindow, std::function<void()> mnuTime_Click, HICON aboutIcon);
    ~Win32Dialogs() override;

    void showSettingsDialog() override;
    void showAbout() override;
    void closeAbout() override;
    // Windows ships no viewer of its own for the manual's old format: the
    // HTML manual opens with the user's default handler.
    void showManual(const std::u16string &path) override;
    void closeManual() override {}

private:
    ProgramState &m_state;
    const basNbComIni &m_ini;
    Prompts &m_prompts;
    Launcher &m_launcher;
    HWND m_mainWindow;
    Win32EventPump m_events;
    std::unique_ptr<frmNbAbout> m_about;
};
