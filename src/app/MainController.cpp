#include "app/MainController.h"

#include "app/TrayTip.h"
#include "app/ValueText.h"
#include "dialogs/Warnings.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Launcher.h"
#include "platform/MainView.h"
#include "platform/MonitorTimer.h"
#include "platform/Prompts.h"
#include "platform/TipView.h"
#include "platform/TrayIcon.h"
#include "state/ProgramFiles.h"
#include "text/Text.h"

#include <cassert>
#include <utility>

namespace {
const std::u16string ENV = u"ENV";
const std::u16string NUBREL = u"NUBREL";
const std::u16string NCID = u"NCID";
const std::u16string TaskIn = u"タスクバーに入れる(&T)";
const std::u16string TaskOut = u"タスクバーから出す(&T)";
const std::u16string TimeStop = u"停止(&S)";
const std::u16string TimeStart = u"開始(&S)";

// The largest font size the window accepts from the file.
constexpr double MaxFontSize = 1638;
} // namespace

MainController::MainController(const PlatformParts &parts)
    : m_view(parts.view), m_tip(parts.tip), m_timer(parts.timer), m_tray(parts.tray),
      m_prompts(parts.prompts), m_launcher(parts.launcher), m_folders(parts.folders),
      m_ini(parts.folders.path()), m_log(parts.folders.path(), parts.clock),
      m_history(parts.folders.path(), parts.clock, m_log), m_phonebook(parts.folders.path()),
      m_announcer(parts.folders.path(), m_ini, parts.clock, m_log, parts.notifier, parts.launcher),
      m_link(m_state, parts.port, m_ini, m_log, parts.prompts, parts.view),
      m_recorder(m_state, parts.view, parts.tray, m_history), m_query(m_state, m_link, m_recorder),
      m_tick(m_state, m_link, m_query, parts.view, parts.tip,
             TimForm::Orders{[this] { Form_Unload(); }, [this] { stopMonitoring(); }}),
      m_clock(parts.clock), m_ncidLog(parts.folders.path(), m_state, m_phonebook)
{
    m_recorder.setPhonebook(&m_phonebook);
    m_recorder.setAnnouncer(&m_announcer);
    m_recorder.setCallListener([this](const std::u16string &number, const std::u16string &name) {
        callRecorded(number, name);
    });
}

void MainController::useNetwork(Net::Network &network)
{
    const std::string version = std::to_string(NUBREL_VERSION_MAJOR) + '.' +
                                std::to_string(NUBREL_VERSION_MINOR) + '.' +
                                std::to_string(NUBREL_VERSION_PATCH);
    m_ncid = std::make_unique<NcidService>(
        network, m_ncidLog, version,
        [this](const std::u16string &entry) { m_log.WriteLog(ProgramFiles::LogFile, NCID, entry); },
        [this](const NcidText::ReceivedCall &call) { sourceCall(call); });
}

bool MainController::configureNetwork()
{
    if (!m_ncid)
        return false;
    const bool sourceBefore = callsFromSource();
    const auto read = [this](const char16_t *key) {
        return m_ini.GetIniString(NCID, key, std::u16string());
    };
    m_ncid->configure({read(u"LISTEN"), read(u"LINE"), read(u"FORWARD"), read(u"SOURCE")});
    const bool source = callsFromSource();
    m_tick.setAskDevice(!source);
    if (sourceBefore && !source) {
        // The device's next answer is what it holds now, not a new call.
        m_state.BaselineRead = false;
        if (m_state.Product.Kind == 1 && !m_loading) {
            requestInitCommand();
            return true;
        }
    }
    return false;
}

void MainController::sourceCall(const NcidText::ReceivedCall &call)
{
    if (m_state.Unloaded || m_state.Stopped)
        return;
    // Each call a server announces happened now: none is a baseline, and a
    // repeated number is a new call.
    m_state.BaselineRead = true;
    std::u16string number = call.number;
    std::int16_t result = 0;
    m_recordingSourceCall = true;
    m_recorder.RecordCall(number, true, result, call.name);
    m_recordingSourceCall = false;
    if (m_state.Unloaded)
        return;
    m_view.repaint();
    if (m_state.InTray && !m_state.Stopped) {
        m_tip.refreshTip();
        m_tip.showTip();
    }
}

void MainController::callRecorded(const std::u16string &number, const std::u16string &name)
{
    if (!m_ncid)
        return;
    m_ncid->callRecorded({m_clock.now(), number, name}, m_recordingSourceCall);
}

Dialogs &MainController::dialogs()
{
    assert(m_dialogs && "setDialogs() comes before Form_Load()");
    return *m_dialogs;
}

void MainController::Form_Load()
{
    m_loading = true;
    m_state.BaselineRead = false;
    m_state.InTray = false;
    m_state.Stopped = false;
    m_state.LastNumber.clear();
    m_state.LastName.clear();
    m_state.iTry = 0;
    m_state.LastCallNo = -2;

    const int seconds = m_ini.GetIniInt(ENV, u"TIMER", DefaultTimerSeconds);
    const int period =
        seconds >= 1 && seconds <= MaxTimerSeconds ? seconds * 1000 : DefaultTimerSeconds * 1000;
    m_timer.setInterval(period);
    m_state.PollInterval = period;

    applyStoredGeometry();
    applyStoredFont();

    int windowState = m_ini.GetIniInt(NUBREL, u"STATE", 0);
    if (windowState < 0 || windowState > 3)
        windowState = 0;
    if (windowState == 3) {
        // At login the panel may come after the program: wait for it hidden,
        // so the user's choice of the tray is neither lost nor overridden.
        if (m_tray.isAvailable())
            mnuTask_Click();
        else
            waitForTray();
        windowState = 0;
    }
    m_view.setWindowState(static_cast<WindowState>(windowState));

    m_state.HistTxt = m_ini.GetIniInt(ENV, u"HISTTXT", 0);
    m_phonebook.refresh();

    const std::int16_t productIndex = m_ini.GetIniInt(NUBREL, u"PRODUCTSIDX", 0);
    const std::u16string entry =
        m_ini.GetIniString(NUBREL, u"PRODUCTSLIST" + Text::number(productIndex), std::u16string());
    m_state.Product = SplitList(productIndex, entry);

    // Each read of the port takes everything received so far (SerialPort::readAll).
    m_state.ComPort = m_ini.GetIniInt(ENV, u"COMPORT", 2);
    m_link.ApplyCommPort();
    m_state.ComSpeed = m_ini.GetIniString(ENV, u"COMSPEED", u"9600");
    m_link.ApplyCommSettings();

    configureNetwork();
    // With SOURCE set the device is never asked, so it needs no initialising.
    if (m_state.Product.Kind == 1 && !callsFromSource())
        requestInitCommand();
    m_loading = false;
    if (m_state.Unloaded)
        return;

    m_tip.loadTip();
    if (!m_state.InTray && (!m_waitingForTray || m_trayRefused))
        m_view.showWindow();
    // The program folder is read-only and the user's own folder failed too:
    // calls are still shown, but nothing can be kept, and the user is told.
    if (m_folders.failed()) {
        const std::u16string &folder = m_folders.unusable();
        warnUser(m_prompts,
                 (folder.empty() ? u"データ用のフォルダー" : Files::toNativeSeparators(folder)) +
                     u"に書き込めないので、設定と着信履歴を保存できません。");
    }
}

void MainController::waitForTray()
{
    m_waitingForTray = true;
    m_tray.waitForArea(TrayWaitMs, [this](bool appeared) { trayWaitEnded(appeared); });
}

void MainController::trayWaitEnded(bool appeared)
{
    if (m_state.Unloaded || !m_waitingForTray)
        return;
    m_waitingForTray = false;
    const bool shown = std::exchange(m_trayRefused, false);
    if (appeared)
        mnuTask_Click();
    else if (!shown)
        m_view.showWindow();
}

void MainController::applyStoredGeometry()
{
    // Only the keys that are there: a missing key (or one that holds no
    // number) leaves the window where and as large as the window manager
    // makes it, while 0 is a place like any other.
    const auto read = [this](const char16_t *key) {
        return ValueText::parseNumber(m_ini.GetIniString(NUBREL, key, std::u16string()));
    };
    if (const auto top = read(u"TOP"))
        m_view.setTop(*top);
    if (const auto left = read(u"LEFT"))
        m_view.setLeft(*left);
    // A negative size cannot be shown; the designed size stands instead.
    if (const auto height = read(u"HEIGHT"); height && *height >= 0)
        m_view.setHeight(*height);
    if (const auto width = read(u"WIDTH"); width && *width >= 0)
        m_view.setWidth(*width);
}

void MainController::applyStoredFont()
{
    m_view.setFontFace(m_ini.GetIniString(NUBREL, u"FONT", m_view.font().face));

    const double currentSize = m_view.font().size;
    const double size =
        ValueText::parseNumber(
            m_ini.GetIniString(NUBREL, u"FONTSIZE", ValueText::formatSingle(currentSize)))
            .value_or(currentSize);
    m_view.setFontSize(size > 0 && size <= MaxFontSize ? size : currentSize);

    const bool bold = m_view.font().bold;
    m_view.setFontBold(
        ValueText::parseFlag(m_ini.GetIniString(NUBREL, u"FONTBOLD", ValueText::formatFlag(bold)))
            .value_or(bold));
    const bool italic = m_view.font().italic;
    m_view.setFontItalic(ValueText::parseFlag(m_ini.GetIniString(NUBREL, u"FONTITALIC",
                                                                 ValueText::formatFlag(italic)))
                             .value_or(italic));
}

void MainController::Form_Unload()
{
    if (m_state.Unloaded)
        return;
    m_state.Unloaded = true;

    if (m_ncid)
        m_ncid->stop();
    m_tip.unloadTip();
    dialogs().closeAbout();
    dialogs().closeManual();
    writeWindowSettings();
    // Calls the history could not take yet get their last chance.
    m_history.WritePending(ProgramFiles::HistoryFile);

    if (m_state.InTray)
        m_tray.Shell_NotifyIcon(NotifyMessage::NIM_DELETE, m_state.trayIconData);
    m_timer.setInterval(0);
    m_view.endProgram();
}

void MainController::SaveWindowSettings()
{
    if (!m_state.Unloaded)
        writeWindowSettings();
}

void MainController::writeWindowSettings()
{
    int windowState = static_cast<int>(m_view.windowState());
    if (windowState == 0) {
        if (m_state.InTray || m_waitingForTray) {
            windowState = 3;
        } else {
            m_ini.PutIniString(NUBREL, u"TOP", ValueText::formatSingle(m_view.top()));
            m_ini.PutIniString(NUBREL, u"LEFT", ValueText::formatSingle(m_view.left()));
            m_ini.PutIniString(NUBREL, u"HEIGHT", ValueText::formatSingle(m_view.height()));
            m_ini.PutIniString(NUBREL, u"WIDTH", ValueText::formatSingle(m_view.width()));
        }
    }
    m_ini.PutIniString(NUBREL, u"STATE", Text::number(windowState));

    const FontSpec font = m_view.font();
    m_ini.PutIniString(NUBREL, u"FONT", font.face);
    m_ini.PutIniString(NUBREL, u"FONTSIZE", ValueText::formatSingle(font.size));
    m_ini.PutIniString(NUBREL, u"FONTBOLD", ValueText::formatFlag(font.bold));
    m_ini.PutIniString(NUBREL, u"FONTITALIC", ValueText::formatFlag(font.italic));
}

void MainController::mnuEND_Click()
{
    Form_Unload();
}

void MainController::mnuEnv_Click()
{
    if (m_state.Unloaded)
        return;
    const std::int16_t kindBefore = m_state.Product.Kind;
    m_state.EnvRegistered = false;
    dialogs().showSettingsDialog();
    if (m_state.Unloaded)
        return;
    // [NCID] is read again whether the dialog was registered or cancelled:
    // the command is how an edit of the file takes hold without a restart.
    const bool initialised = configureNetwork();
    if (m_state.Unloaded || !m_state.EnvRegistered)
        return;
    m_link.ApplyCommPort();
    m_link.ApplyCommSettings();
    if (m_state.Product.Kind != kindBefore && m_state.Product.Kind == 1 && !initialised &&
        !callsFromSource())
        requestInitCommand();
}

void MainController::mnuAbout_Click()
{
    if (!m_state.Unloaded)
        dialogs().showAbout();
}

void MainController::putTrayIntoRecord()
{
    TrayIconData &data = m_state.trayIconData;
    data.cbSize = 88;
    data.uID = 1;
    data.uFlags = 7;
    data.uCallbackMessage = 0x207;
    data.hIcon = m_icon;
    std::u16string text;
    if (m_state.LastNumber.empty())
        text = u"準備中";
    else if (m_state.LastNumber == WithheldMark)
        text = u"非通知";
    else
        text = m_state.LastNumber;
    data.szTip = makeSzTip(text);
    data.nameLine = m_state.LastName;
}

void MainController::mnuTask_Click()
{
    if (m_state.Unloaded)
        return;
    if (!m_state.InTray) {
        // Without a notification area a hidden window could never be brought
        // back: it stays on screen. Start-up says nothing; the command says why once.
        if (!m_tray.isAvailable()) {
            if (!m_loading && !m_noTrayReported) {
                m_noTrayReported = true;
                warnUser(m_prompts,
                         u"このデスクトップには通知領域がないため、タスクバーに入れられません。");
            }
            return;
        }
        m_state.InTray = true;
        putTrayIntoRecord();
        if (!m_tray.Shell_NotifyIcon(NotifyMessage::NIM_ADD, m_state.trayIconData)) {
            // The area is there but took no icon (a shell still busy at
            // log-on): hidden, the program could not be reached. The window
            // stays and the icon is tried again for a while; the tray stays
            // the user's choice meanwhile, also for the exit's STATE.
            m_state.InTray = false;
            m_trayRefused = true;
            waitForTray();
            if (!m_loading)
                m_view.showWindow();
            return;
        }
        m_waitingForTray = false;
        m_trayRefused = false;
        m_view.setTaskCaption(TaskOut);
        m_view.hideWindow();
    } else {
        m_state.InTray = false;
        m_tray.Shell_NotifyIcon(NotifyMessage::NIM_DELETE, m_state.trayIconData);
        m_view.setDelItemsVisible(false);
        m_view.setTaskCaption(TaskIn);
        m_view.showWindow();
        m_view.resetMousePointer();
    }
}

void MainController::mnuTime_Click()
{
    if (m_state.Unloaded)
        return;
    if (!m_state.Stopped) {
        m_state.Stopped = true;
        m_timer.setInterval(0);
        m_icon = AppIcon::Stopped;
        m_view.setIcon(m_icon);
        m_view.setTimeCaption(TimeStart);
        if (m_tip.isTipVisible())
            m_tip.hideTip();
    } else {
        m_state.Stopped = false;
        m_timer.setInterval(m_state.PollInterval);
        m_state.BaselineRead = false;
        m_icon = AppIcon::Running;
        m_view.setIcon(m_icon);
        m_view.setTimeCaption(TimeStop);
    }
    if (m_ncid)
        m_ncid->setPaused(m_state.Stopped);
    if (m_state.InTray) {
        m_state.trayIconData.hIcon = m_icon;
        m_tray.Shell_NotifyIcon(NotifyMessage::NIM_MODIFY, m_state.trayIconData);
    }
}

void MainController::stopMonitoring()
{
    if (!m_state.Unloaded && !m_state.Stopped)
        mnuTime_Click();
}

void MainController::TrayIcon_RestoreRequested()
{
    if (!m_state.Unloaded && m_state.InTray)
        mnuTask_Click();
}

void MainController::TrayIcon_MenuRequested()
{
    if (m_state.Unloaded)
        return;
    m_view.setDelItemsVisible(true);
    m_tray.openMenu();
}

void MainController::TimForm_Timer()
{
    m_tick.TimForm_Timer();
    runPendingInitCommand();
}

void MainController::requestInitCommand()
{
    if (m_link.busy()) {
        m_initPending = true;
        return;
    }
    actOnInitResult(m_link.SendInitCommand());
    runPendingInitCommand();
}

void MainController::runPendingInitCommand()
{
    while (m_initPending && !m_state.Unloaded && !m_link.busy()) {
        m_initPending = false;
        actOnInitResult(m_link.SendInitCommand());
    }
}

void MainController::actOnInitResult(std::int16_t result)
{
    if (m_state.Unloaded)
        return;
    if (result == ExchangeResult::EndProgram)
        Form_Unload();
    else if (result == ExchangeResult::StopMonitoring)
        stopMonitoring();
}

void MainController::mnuHistry_Click()
{
    if (m_state.Unloaded)
        return;
    const std::u16string path = m_folders.path() + ProgramFiles::HistoryFile;
    const std::optional<Files::Info> info = Files::info(path);
    // A hidden or system file is no history the user keeps: as good as missing.
    if (info && info->isFile && !info->isHidden && !info->isSystem) {
        const std::u16string notStarted =
            Files::toNativeSeparators(path) + u"を開くテキストエディタを起動できませんでした。";
        // The desktop's handler may find no editor only after it has started.
        const auto failedLater = [this, notStarted] {
            if (!m_state.Unloaded)
                warnUser(m_prompts, notStarted);
        };
        if (!m_launcher.openTextFile(path, failedLater))
            warnUser(m_prompts, notStarted);
        return;
    }
    warnUser(m_prompts,
             Files::toNativeSeparators(path) + u"を見つけられないので、表示できませんでした。");
}

void MainController::mnuFont_Click()
{
    if (m_state.Unloaded)
        return;
    FontSpec font = m_view.font();
    m_prompts.chooseFont(font); // a cancelled dialog leaves `font` as it was
    if (m_state.Unloaded)
        return;
    m_view.setFontFace(font.face);
    m_view.setFontSize(font.size);
    m_view.setFontBold(font.bold);
    m_view.setFontItalic(font.italic);
    m_view.repaint();
}

void MainController::mnuMnual_Click()
{
    if (!m_state.Unloaded)
        dialogs().showManual(m_folders.programFolder() + ProgramFiles::Manual);
}
