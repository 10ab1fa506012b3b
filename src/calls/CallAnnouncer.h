// Passes each new call on, as section OPTIONS of Nubrel.ini asks: NOTIFY=1
// sends a desktop notification, ONCALL names a program started for the call.
// Both are read when a call comes in, so an edit holds from the next call.
#pragma once

#include <memory>
#include <string>

class basNbComIni;
class Clock;
class DesktopNotifier;
class DiagnosticLog;
class Launcher;

class CallAnnouncer {
public:
    // ONCALL programs running at once; a call beyond them starts none.
    static constexpr int MaxCommands = 4;

    CallAnnouncer(std::u16string programFolder, const basNbComIni &ini, const Clock &clock,
                  const DiagnosticLog &log, DesktopNotifier &notifier, Launcher &launcher);

    // A new call: `number` as the history writes it, `title` as the window's
    // title shows it, `name` from the phonebook or empty.
    void announce(const std::u16string &number, const std::u16string &title,
                  const std::u16string &name);

    int commandsRunning() const { return *m_running; }

    // The program ONCALL names: as given when it holds no '/' (PATH finds
    // it), from the program folder when it is relative, else as it stands.
    static std::u16string commandPath(const std::u16string &folder, const std::u16string &value);

private:
    void runCommand(const std::u16string &program, const std::u16string &number,
                    const std::u16string &name);

    std::u16string m_folder;
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
