// Fakes of the platform boundary: they record what the logic asked for and
// answer as a test told them to.
#pragma once

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

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <utility>
#include <vector>

class FakeView : public MainView {
public:
    QString m_title = QStringLiteral("準備中");
    std::uint32_t m_color = 0;
    bool m_colorSet = false;
    int m_repaints = 0;
    bool m_visible = false;
    int m_shows = 0;
    WindowState m_state = WindowState::Normal;
    double m_top = 1200, m_left = 1500, m_height = 1725, m_width = 4335;
    FontSpec m_font{QStringLiteral("ＭＳ Ｐゴシック"), 18, false, false};
    // The face the window gets when asked for another (empty: the one asked for).
    QString m_substituteFace;
    AppIcon m_icon = AppIcon::BuiltIn;
    QString m_taskCaption = QStringLiteral("タスクバーに入れる(&T)");
    QString m_timeCaption = QStringLiteral("停止(&S)");
    bool m_delVisible = false;
    int m_ended = 0;
    QStringList m_events; // "title:...", "color:...", in call order

    QString title() const override { return m_title; }
    void setTitle(const QString &t) override
    {
        m_title = t;
        m_events << QStringLiteral("title:") + t;
    }
    void setTextColor(std::uint32_t c) override
    {
        m_color = c;
        m_colorSet = true;
        m_events << QStringLiteral("color:") + QString::number(c, 16);
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
    void setFontFace(const QString &f) override
    {
        m_font.face = m_substituteFace.isEmpty() ? f : m_substituteFace;
    }
    void setFontSize(double s) override { m_font.size = s; }
    void setFontBold(bool b) override { m_font.bold = b; }
    void setFontItalic(bool i) override { m_font.italic = i; }
    void setIcon(AppIcon i) override { m_icon = i; }
    void setTaskCaption(const QString &c) override { m_taskCaption = c; }
    void setTimeCaption(const QString &c) override { m_timeCaption = c; }
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
        std::vector<QByteArray> chunks; // empty: silent
    };
    bool m_openFails = false;
    int m_openError = 2;
    QString m_openErrorText = QStringLiteral("Permission error while locking the device");
    QString m_device;
    QString m_settings;
    bool m_refuseSettings = false;
    bool m_refusePort = false;
    bool m_open = false;
    int m_opens = 0;
    int m_closes = 0;
    int m_waits = 0;
    int m_discards = 0;
    QList<QByteArray> m_written;
    std::deque<Answer> m_answers;      // one per write, in order
    std::deque<QByteArray> m_incoming; // chunks of the current answer
    // Called on every wait, for tests that act in the middle of an exchange.
    std::function<void()> m_onWait;

    void answer(std::vector<QByteArray> chunks) { m_answers.push_back(Answer{std::move(chunks)}); }
    void silent() { m_answers.push_back(Answer{}); }

    bool selectPort(const QString &name) override
    {
        if (m_refusePort || name.isEmpty())
            return false;
        m_device = name;
        return true;
    }
    bool setLineSettings(const QString &s) override
    {
        if (m_refuseSettings)
            return false;
        m_settings = s;
        return true;
    }
    bool open(int &errorNumber, QString &errorText) override
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
    void write(const QByteArray &data) override
    {
        m_written << data;
        if (!m_answers.empty()) {
            for (const QByteArray &c : m_answers.front().chunks)
                m_incoming.push_back(c);
            m_answers.pop_front();
        }
    }
    qint64 waitingInput() override { return m_incoming.empty() ? 0 : m_incoming.front().size(); }
    // Called after every read, for a device that keeps sending.
    std::function<void()> m_onRead;
    QByteArray readAll() override
    {
        if (m_incoming.empty())
            return {};
        QByteArray c = m_incoming.front();
        m_incoming.pop_front();
        if (m_onRead)
            m_onRead();
        return c;
    }
    // Nothing more arrives unless `m_onWait` puts it there: a silent device's
    // deadline passes at once.
    bool waitForInput(QDeadlineTimer) override
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
    bool Shell_NotifyIcon(NotifyMessage m, const TrayIconData &d) override
    {
        m_calls.push_back({m, d});
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
    QList<NotifyMessage> messages() const
    {
        QList<NotifyMessage> out;
        for (const auto &c : m_calls)
            out << c.message;
        return out;
    }
};

class FakePrompts : public Prompts {
public:
    struct Message {
        QString text;
        QString title;
        MessageIcon icon;
    };
    std::vector<Message> m_messages;
    struct Question {
        QString title;
        QString message;
    };
    std::vector<Question> m_questions;
    std::deque<bool> m_answers; // fncMsgDlg answers; false when none is queued
    bool m_fontChosen = false;
    FontSpec m_fontChoice;
    int m_fontDialogs = 0;
    std::function<void()> m_duringModal; // runs while a message or question is open

    void messageBox(const QString &text, const QString &title, MessageIcon icon) override
    {
        m_messages.push_back({text, title, icon});
        if (m_duringModal)
            m_duringModal();
    }
    bool fncMsgDlg(const QString &title, const QString &message) override
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
    QStringList m_manuals;
    int m_manualClosed = 0;
    void showSettingsDialog() override
    {
        ++m_settingsShown;
        if (m_settings)
            m_settings();
    }
    void showAbout() override { ++m_aboutShown; }
    void closeAbout() override { ++m_aboutClosed; }
    void showManual(const QString &path) override { m_manuals << path; }
    void closeManual() override { ++m_manualClosed; }
};

class FakeLauncher : public Launcher {
public:
    bool m_succeeds = true;
    QStringList m_textFiles;
    QStringList m_urls;
    // What the last start is told when it fails later.
    LateFailure m_failed;
    bool openTextFile(const QString &path, LateFailure failed) override
    {
        m_textFiles << path;
        m_failed = std::move(failed);
        return m_succeeds;
    }
    bool openUrl(const QString &url, LateFailure failed) override
    {
        m_urls << url;
        m_failed = std::move(failed);
        return m_succeeds;
    }
    // Programs started and still running, with their arguments; end() ends
    // the oldest, as the event loop would report it.
    struct Run {
        QString program;
        QStringList arguments;
        std::function<void()> ended;
    };
    std::deque<Run> m_running;
    int m_starts = 0;
    bool runProgram(const QString &program, const QStringList &arguments,
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
    QList<std::pair<QString, QString>> m_shown; // summary, body
    void notify(const QString &summary, const QString &body) override
    {
        m_shown.append({summary, body});
    }
};

class FakeClock : public Clock {
public:
    QDateTime m_now = QDateTime(QDate(2026, 12, 7), QTime(9, 5, 3));
    QDateTime now() const override { return m_now; }
};

class FakeEvents : public EventPump {
public:
    int m_passes = 0;
    std::function<void()> m_onPass;
    void processPendingEvents() override
    {
        ++m_passes;
        if (m_onPass)
            m_onPass();
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
