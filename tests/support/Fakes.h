// Fakes of the platform boundary: they record what the logic asked for and
// answer as a test told them to.
#pragma once

#include "TestText.h"
#include "platform/Clock.h"
#include "platform/DesktopNotifier.h"
#include "platform/Dialogs.h"
#include "platform/EventPump.h"
#include "platform/Launcher.h"
#include "platform/MainView.h"
#include "platform/MonitorTimer.h"
#include "platform/Prompts.h"
#include "platform/SerialPort.h"
#include "platform/TipView.h"
#include "platform/TrayIcon.h"
#include "text/Text.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class FakeView : public MainView {
public:
    std::u16string m_title = u"準備中"s;
    std::uint32_t m_color = 0;
    bool m_colorSet = false;
    int m_repaints = 0;
    bool m_visible = false;
    int m_shows = 0;
    WindowState m_state = WindowState::Normal;
    double m_top = 1200, m_left = 1500, m_height = 1725, m_width = 4335;
    FontSpec m_font{u"ＭＳ Ｐゴシック"s, 18, false, false};
    // The face the window gets when asked for another (empty: the one asked for).
    std::u16string m_substituteFace;
    AppIcon m_icon = AppIcon::BuiltIn;
    std::u16string m_taskCaption = u"タスクバーに入れる(&T)"s;
    std::u16string m_timeCaption = u"停止(&S)"s;
    bool m_delVisible = false;
    int m_ended = 0;
    std::vector<std::u16string> m_events; // "title:...", "color:...", in call order

    std::u16string title() const override { return m_title; }
    void setTitle(const std::u16string &t) override
    {
        m_title = t;
        m_events.push_back(u"title:"s + t);
    }
    void setTextColor(std::uint32_t c) override
    {
        m_color = c;
        m_colorSet = true;
        m_events.push_back(u"color:"s + Text::hexNumber(c));
    }
    void repaint() override { ++m_repaints; }
    void showWindow() override
    {
        m_visible = true;
        ++m_shows;
    }
    void hideWindow() override { m_visible = false; }
    WindowState windowState() const override { return m_state; }
    void setWindowState(WindowState s) override { m_state = s; }
    double top() const override { return m_top; }
    double left() const override { return m_left; }
    double height() const override { return m_height; }
    double width() const override { return m_width; }
    void setTop(double v) override { m_top = v; }
    void setLeft(double v) override { m_left = v; }
    void setHeight(double v) override { m_height = v; }
    void setWidth(double v) override { m_width = v; }
    FontSpec font() const override { return m_font; }
    void setFontFace(const std::u16string &f) override
    {
        m_font.face = m_substituteFace.empty() ? f : m_substituteFace;
    }
    void setFontSize(double s) override { m_font.size = s; }
    void setFontBold(bool b) override { m_font.bold = b; }
    void setFontItalic(bool i) override { m_font.italic = i; }
    void setIcon(AppIcon i) override { m_icon = i; }
    void setTaskCaption(const std::u16string &c) override { m_taskCaption = c; }
    void setTimeCaption(const std::u16string &c) override { m_timeCaption = c; }
    void setDelItemsVisible(bool v) override { m_delVisible = v; }
    void resetMousePointer() override {}
    void endProgram() override
    {
        ++m_ended;
        m_visible = false;
    }
};

class FakeTip : public TipView {
public:
    bool m_loaded = false;
    bool m_visible = false;
    int m_shows = 0;
    int m_refreshes = 0;
    bool m_unloaded = false;
    void loadTip() override { m_loaded = true; }
    bool isTipVisible() const override { return m_visible; }
    void showTip() override
    {
        m_visible = true;
        ++m_shows;
    }
    void hideTip() override { m_visible = false; }
    void refreshTip() override { ++m_refreshes; }
    void unloadTip() override
    {
        m_visible = false;
        m_unloaded = true;
    }
};

class FakeTimer : public MonitorTimer {
public:
    int m_interval = 0;
    std::vector<int> m_history;
    void setInterval(int ms) override
    {
        m_interval = ms;
        m_history.push_back(ms);
    }
    int interval() const override { return m_interval; }
};

// A port whose device answers every command with the chunks a test queued:
// one chunk becomes readable per poll.
class FakePort : public SerialPort {
public:
    struct Answer {
        std::vector<std::string> chunks; // empty: silent
    };
    bool m_openFails = false;
    int m_openError = 2;
    std::u16string m_openErrorText = u"Permission error while locking the device"s;
    std::u16string m_device;
    std::u16string m_settings;
    bool m_refuseSettings = false;
    bool m_refusePort = false;
    bool m_open = false;
    int m_opens = 0;
    int m_closes = 0;
    int m_waits = 0;
    int m_discards = 0;
    std::vector<std::string> m_written;
    std::deque<Answer> m_answers;       // one per write, in order
    std::deque<std::string> m_incoming; // chunks of the current answer
    // Called on every wait, for tests that act in the middle of an exchange.
    std::function<void()> m_onWait;

    void answer(std::vector<std::string> chunks) { m_answers.push_back(Answer{std::move(chunks)}); }
    void silent() { m_answers.push_back(Answer{}); }

    // Names of its own, so a test sees the port chose the device: "port n",
    // or what the mapping gave; every name the mapping was asked for is kept.
    mutable std::vector<std::u16string> m_mappingAsked;
    std::u16string deviceForPort(std::int16_t port, const PortMapping &mapped) const override
    {
        const std::u16string name = u"COM" + Text::number(port);
        m_mappingAsked.push_back(name);
        const std::u16string device = mapped(name);
        return device.empty() ? u"port " + Text::number(port) : device;
    }

    bool selectPort(const std::u16string &name) override
    {
        if (m_refusePort || name.empty())
            return false;
        m_device = name;
        return true;
    }
    bool setLineSettings(const std::u16string &s) override
    {
        if (m_refuseSettings)
            return false;
        m_settings = s;
        return true;
    }
    bool open(int &errorNumber, std::u16string &errorText) override
    {
        ++m_opens;
        if (m_openFails || m_open) {
            errorNumber = m_openError;
            errorText = m_openErrorText;
            return false;
        }
        m_open = true;
        return true;
    }
    bool isOpen() const override { return m_open; }
    void discardInput() override
    {
        ++m_discards;
        m_incoming.clear();
    }
    void write(std::string_view data) override
    {
        m_written.emplace_back(data);
        if (!m_answers.empty()) {
            for (const std::string &c : m_answers.front().chunks)
                m_incoming.push_back(c);
            m_answers.pop_front();
        }
    }
    std::int64_t waitingInput() override
    {
        return m_incoming.empty() ? 0 : m_incoming.front().size();
    }
    // Called after every read, for a device that keeps sending.
    std::function<void()> m_onRead;
    std::string readAll() override
    {
        if (m_incoming.empty())
            return {};
        std::string c = m_incoming.front();
        m_incoming.pop_front();
        if (m_onRead)
            m_onRead();
        return c;
    }
    // Nothing more arrives unless `m_onWait` puts it there: a silent device's
    // deadline passes at once.
    bool waitForInput(std::chrono::steady_clock::time_point) override
    {
        ++m_waits;
        if (m_onWait)
            m_onWait();
        return !m_incoming.empty();
    }
    void close() override
    {
        ++m_closes;
        m_open = false;
        m_incoming.clear();
    }
};

class FakeTray : public TrayIcon {
public:
    bool m_available = true;
    bool m_added = false;
    struct Call {
        NotifyMessage message;
        TrayIconData data;
    };
    std::vector<Call> m_calls;
    // Adds refused though the area is there, as a shell busy at log-on does.
    int m_refusedAdds = 0;
    bool Shell_NotifyIcon(NotifyMessage m, const TrayIconData &d) override
    {
        m_calls.push_back({m, d});
        if (m == NotifyMessage::NIM_ADD && m_refusedAdds > 0) {
            --m_refusedAdds;
            return false;
        }
        if (m == NotifyMessage::NIM_ADD)
            m_added = m_available;
        else if (m == NotifyMessage::NIM_DELETE)
            m_added = false;
        return m_available;
    }
    bool isAvailable() const override { return m_available; }
    int m_menuOpens = 0;
    void openMenu() override { ++m_menuOpens; }
    int m_waitMs = 0;
    std::function<void(bool)> m_waitEnded;
    void waitForArea(int ms, std::function<void(bool)> ended) override
    {
        m_waitMs = ms;
        m_waitEnded = std::move(ended);
    }
    std::vector<NotifyMessage> messages() const
    {
        std::vector<NotifyMessage> out;
        for (const auto &c : m_calls)
            out.push_back(c.message);
        return out;
    }
};

class FakePrompts : public Prompts {
public:
    struct Message {
        std::u16string text;
        std::u16string title;
        MessageIcon icon;
    };
    std::vector<Message> m_messages;
    struct Question {
        std::u16string title;
        std::u16string message;
    };
    std::vector<Question> m_questions;
    std::deque<bool> m_answers; // fncMsgDlg answers; false when none is queued
    bool m_fontChosen = false;
    FontSpec m_fontChoice;
    int m_fontDialogs = 0;
    std::function<void()> m_duringModal; // runs while a message or question is open

    void messageBox(const std::u16string &text, const std::u16string &title,
                    MessageIcon icon) override
    {
        m_messages.push_back({text, title, icon});
        if (m_duringModal)
            m_duringModal();
    }
    bool fncMsgDlg(const std::u16string &title, const std::u16string &message) override
    {
        m_questions.push_back({title, message});
        if (m_duringModal)
            m_duringModal();
        if (m_answers.empty())
            return false;
        const bool a = m_answers.front();
        m_answers.pop_front();
        return a;
    }
    bool chooseFont(FontSpec &font) override
    {
        ++m_fontDialogs;
        if (!m_fontChosen)
            return false;
        font = m_fontChoice;
        return true;
    }
};

class FakeDialogs : public Dialogs {
public:
    std::function<void()> m_settings; // what "the user" does in the settings dialog
    int m_settingsShown = 0;
    int m_aboutShown = 0;
    int m_aboutClosed = 0;
    std::vector<std::u16string> m_manuals;
    int m_manualClosed = 0;
    void showSettingsDialog() override
    {
        ++m_settingsShown;
        if (m_settings)
            m_settings();
    }
    void showAbout() override { ++m_aboutShown; }
    void closeAbout() override { ++m_aboutClosed; }
    void showManual(const std::u16string &path) override { m_manuals.push_back(path); }
    void closeManual() override { ++m_manualClosed; }
};

class FakeLauncher : public Launcher {
public:
    bool m_succeeds = true;
    std::vector<std::u16string> m_textFiles;
    std::vector<std::u16string> m_urls;
    // What the last start is told when it fails later.
    LateFailure m_failed;
    bool openTextFile(const std::u16string &path, LateFailure failed) override
    {
        m_textFiles.push_back(path);
        m_failed = std::move(failed);
        return m_succeeds;
    }
    bool openUrl(const std::u16string &url, LateFailure failed) override
    {
        m_urls.push_back(url);
        m_failed = std::move(failed);
        return m_succeeds;
    }
    // Programs started in a window of their own, with their arguments.
    struct Started {
        std::u16string program;
        std::vector<std::u16string> arguments;
    };
    std::vector<Started> m_started;
    bool startProgram(const std::u16string &program,
                      const std::vector<std::u16string> &arguments) override
    {
        if (!m_succeeds)
            return false;
        m_started.push_back({program, arguments});
        return true;
    }
    // Programs started and still running, with their arguments; end() ends
    // the oldest, as the event loop would report it.
    struct Run {
        std::u16string program;
        std::vector<std::u16string> arguments;
        std::function<void()> ended;
    };
    std::deque<Run> m_running;
    int m_starts = 0;
    bool runProgram(const std::u16string &program, const std::vector<std::u16string> &arguments,
                    std::function<void()> ended) override
    {
        ++m_starts;
        if (!m_succeeds)
            return false;
        m_running.push_back(Run{program, arguments, std::move(ended)});
        return true;
    }
    void endOldest()
    {
        Run run = std::move(m_running.front());
        m_running.pop_front();
        run.ended();
    }
};

class FakeNotifier : public DesktopNotifier {
public:
    std::vector<std::pair<std::u16string, std::u16string>> m_shown; // summary, body
    void notify(const std::u16string &summary, const std::u16string &body) override
    {
        m_shown.push_back({summary, body});
    }
};

class FakeClock : public Clock {
public:
    LocalTime m_now{2026, 12, 7, 9, 5, 3};
    LocalTime now() const override { return m_now; }
};

class FakeEvents : public EventPump {
public:
    int m_passes = 0;
    std::function<void()> m_onPass;
    bool m_ending = false; // the program ends: every later pass says so
    bool processPendingEvents() override
    {
        ++m_passes;
        if (m_onPass)
            m_onPass();
        return !m_ending;
    }
};

// Every fake in one place, wired into the parts a controller needs.
struct FakePlatform {
    FakeView view;
    FakeTip tip;
    FakeTimer timer;
    FakePort port;
    FakeTray tray;
    FakePrompts prompts;
    FakeDialogs dialogs;
    FakeLauncher launcher;
    FakeNotifier notifier;
    FakeClock clock;
};
