// Passes each new call on, as section OPTIONS of Nubrel.ini asks: NOTIFY=1
// sends a desktop notification, ONCALL names a program started for the call.
// Both are read when a call comes in, so an edit holds from the next call.
#pragma once

#include <QString>
#include <memory>

class basNbComIni;
class Clock;
class DesktopNotifier;
class DiagnosticLog;
class Launcher;

class CallAnnouncer {
public:
    // ONCALL programs running at once; a call beyond them starts none.
    static constexpr int MaxCommands = 4;

    CallAnnouncer(QString programFolder, const basNbComIni &ini, const Clock &clock,
                  const DiagnosticLog &log, DesktopNotifier &notifier, Launcher &launcher);

    // A new call: `number` as the history writes it, `title` as the window's
    // title shows it, `name` from the phonebook or empty.
    void announce(const QString &number, const QString &title, const QString &name);

    int commandsRunning() const { return *m_running; }

    // The program ONCALL names: as given when it holds no '/' (PATH finds
    // it), from the program folder when it is relative, else as it stands.
    static QString commandPath(const QString &folder, const QString &value);

private:
    void runCommand(const QString &program, const QString &number, const QString &name);

    QString m_folder;
    const basNbComIni &m_ini;
    const Clock &m_clock;
    const DiagnosticLog &m_log;
    DesktopNotifier &m_notifier;
    Launcher &m_launcher;
    // Shared with the end callbacks, which the launcher may call after this
    // object has gone.
    std::shared_ptr<int> m_running = std::make_shared<int>(0);
    bool m_failureNoted = false;
};
