// The main window's decisions: start-up, shut-down, the menu commands, the tray
// icon, Start/Stop and the monitoring tick. The window itself only draws and
// forwards its events here.
#pragma once

#include "app/DataFolder.h"
#include "calls/CallAnnouncer.h"
#include "calls/CallRecorder.h"
#include "calls/HistoryFile.h"
#include "config/basNbComIni.h"
#include "link/CallerQuery.h"
#include "link/SerialLink.h"
#include "link/TimForm.h"
#include "log/DiagnosticLog.h"
#include "ncid/NcidHistoryLog.h"
#include "ncid/NcidService.h"
#include "phonebook/Phonebook.h"
#include "state/ProgramState.h"

#include <cstdint>
#include <memory>
#include <string>

class MainView;
class TipView;
class MonitorTimer;
class SerialPort;
class TrayIcon;
class Prompts;
class Dialogs;
class Launcher;
class DesktopNotifier;
class Clock;

// The platform the controller runs on; every part outlives the controller.
struct PlatformParts {
    MainView &view;
    TipView &tip;
    MonitorTimer &timer;
    SerialPort &port;
    TrayIcon &tray;
    Prompts &prompts;
    Launcher &launcher;
    DesktopNotifier &notifier;
    const Clock &clock;
    // Icons and the manual come from the program folder; the files the
    // program writes live in the data folder.
    DataFolder folders;
};

class MainController {
public:
    // The longest TIMER accepted, in seconds; beyond it the default applies.
    static constexpr int MaxTimerSeconds = 3600;
    static constexpr std::int16_t DefaultTimerSeconds = 10;
    // How long a start in the tray waits for a panel that is not there yet.
    static constexpr int TrayWaitMs = 30000;

    explicit MainController(const PlatformParts &parts);

    // The program's own windows work on this controller's state and settings
    // file, so they come after it; given once, before Form_Load.
    void setDialogs(Dialogs &dialogs) { m_dialogs = &dialogs; }

    ProgramState &state() { return m_state; }
    const ProgramState &state() const { return m_state; }
    const basNbComIni &ini() const { return m_ini; }
    // Given before Form_Load, where the system has its own profile functions.
    void useProfile(const Profile &profile) { m_ini.setProfile(&profile); }
    SerialLink &link() { return m_link; }
    // The network the [NCID] roles use; given before Form_Load. Without it
    // the section is not read.
    void useNetwork(Net::Network &network);
    const NcidService *ncid() const { return m_ncid.get(); }
    const DataFolder &folders() const { return m_folders; }

    void Form_Load();
    void Form_Unload();
    // Log-off asks for the settings: written as the shut-down writes them,
    // while the program goes on until the session really ends, so a
    // cancelled log-off leaves it running and monitoring.
    void SaveWindowSettings();

    void mnuEND_Click();
    void mnuEnv_Click();
    void mnuAbout_Click();
    void mnuTask_Click();
    void mnuTime_Click();
    void mnuHistry_Click();
    void mnuFont_Click();
    void mnuMnual_Click();
    // What the user asked of the notification-area icon: a double-click on
    // an XEmbed tray, the primary activation of a StatusNotifier host, or
    // the right button.
    void TrayIcon_RestoreRequested();
    void TrayIcon_MenuRequested();
    void TimForm_Timer();

    // The picture the window shows now; the tray icon follows it.
    AppIcon currentIcon() const { return m_icon; }

private:
    Dialogs &dialogs();
    void putTrayIntoRecord();
    // Every path that means "stop" (the tick's or the initialisation's -2,
    // the About box's link): stops monitoring, and never starts it when it
    // was stopped meanwhile, under a question or a message.
    void stopMonitoring();
    // Sends the initialisation command now, or after the exchange that is
    // running, and acts on its result.
    void requestInitCommand();
    void runPendingInitCommand();
    void actOnInitResult(std::int16_t result);
    void applyStoredGeometry();
    void applyStoredFont();
    void waitForTray();
    void trayWaitEnded(bool appeared);
    void writeWindowSettings(); // shut-down steps 2 to 5
    // Reads [NCID] and applies it; when SOURCE comes or goes, the device is
    // left alone or asked again. True when that sent the initialisation.
    bool configureNetwork();
    // SOURCE is set: the device is neither asked nor initialised.
    bool callsFromSource() const { return m_ncid && m_ncid->sourceActive(); }
    void sourceCall(const NcidText::ReceivedCall &call);
    void callRecorded(const std::u16string &number, const std::u16string &name);

    MainView &m_view;
    TipView &m_tip;
    MonitorTimer &m_timer;
    TrayIcon &m_tray;
    Prompts &m_prompts;
    Dialogs *m_dialogs = nullptr;
    Launcher &m_launcher;
    DataFolder m_folders;

    ProgramState m_state;
    basNbComIni m_ini;
    DiagnosticLog m_log;
    HistoryFile m_history;
    Phonebook m_phonebook;
    CallAnnouncer m_announcer;
    SerialLink m_link;
    CallRecorder m_recorder;
    CallerQuery m_query;
    TimForm m_tick;
    const Clock &m_clock;
    NcidHistoryLog m_ncidLog;
    std::unique_ptr<NcidService> m_ncid;
    bool m_recordingSourceCall = false;

    AppIcon m_icon = AppIcon::BuiltIn;
    bool m_initPending = false;
    bool m_loading = false;
    bool m_noTrayReported = false;
    // Started in the tray before the desktop had one: hidden, waiting.
    bool m_waitingForTray = false;
    // The area refused the icon: waiting for it with the window shown.
    bool m_trayRefused = false;
};
