// The program's own windows opened by the menu commands: the settings dialog,
// the About box and the help window.
#pragma once

#include "frontend/qt/QtEventPump.h"
#include "platform/Dialogs.h"

#include <QIcon>
#include <QPointer>
#include <functional>
#include <memory>

struct ProgramState;
class basNbComIni;
class Prompts;
class Launcher;
class QWidget;
class frmNbAbout;
class frmNbHelp;

class QtDialogs final : public Dialogs {
public:
    QtDialogs(ProgramState &state, const basNbComIni &ini, Prompts &prompts, Launcher &launcher,
              QWidget *mainWindow, std::function<void()> mnuTime_Click, QIcon aboutIcon);
    ~QtDialogs() override;

    void showSettingsDialog() override;
    void showAbout() override;
    void closeAbout() override;
    void showManual(const std::u16string &path) override;
    void closeManual() override;

    // The About box while it is open, else null.
    frmNbAbout *about() const;
    frmNbHelp *help() const { return m_help.get(); }

private:
    ProgramState &m_state;
    const basNbComIni &m_ini;
    Prompts &m_prompts;
    Launcher &m_launcher;
    QPointer<QWidget> m_mainWindow;
    std::function<void()> m_mnuTime_Click;
    QIcon m_aboutIcon;
    QtEventPump m_events;
    // Deletes itself when closed; the pointer then goes null.
    QPointer<frmNbAbout> m_about;
    std::unique_ptr<frmNbHelp> m_help;
};
