#include "frontend/qt/QtDialogs.h"
#include "frontend/qt/QtText.h"

#include "frontend/qt/frmNbAbout.h"
#include "frontend/qt/frmNbEnv.h"
#include "frontend/qt/frmNbHelp.h"
#include "state/ProgramState.h"

QtDialogs::QtDialogs(ProgramState &state, const basNbComIni &ini, Prompts &prompts,
                     Launcher &launcher, QWidget *mainWindow, std::function<void()> mnuTime_Click,
                     QIcon aboutIcon)
    : m_state(state), m_ini(ini), m_prompts(prompts), m_launcher(launcher),
      m_mainWindow(mainWindow), m_mnuTime_Click(std::move(mnuTime_Click)),
      m_aboutIcon(std::move(aboutIcon))
{
}

QtDialogs::~QtDialogs()
{
    // At once, not later: the box refers to parts that end with this object.
    delete m_about.data();
}

frmNbAbout *QtDialogs::about() const
{
    return m_about.data();
}

void QtDialogs::showSettingsDialog()
{
    // Loaded afresh for every showing, from the state and the file as they are now.
    frmNbEnv dialog(m_state, m_ini, m_prompts, m_mainWindow);
    dialog.exec();
}

void QtDialogs::showAbout()
{
    if (!m_about) {
        ProgramState &state = m_state;
        m_about = new frmNbAbout(
            m_prompts, m_launcher, m_events, [&state] { return state.Stopped; }, m_mnuTime_Click,
            m_aboutIcon, m_mainWindow);
        m_about->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

void QtDialogs::closeAbout()
{
    if (m_about)
        m_about->close();
}

void QtDialogs::showManual(const std::u16string &path)
{
    // A window of its own, not tied to the main window, which may be hidden
    // in the tray.
    if (!m_help)
        m_help = std::make_unique<frmNbHelp>();
    m_help->showManual(toQt(path));
}

void QtDialogs::closeManual()
{
    if (m_help)
        m_help->close();
}
