#include "calls/CallAnnouncer.h"

#include "config/basNbComIni.h"
#include "log/DiagnosticLog.h"
#include "platform/Clock.h"
#include "platform/DesktopNotifier.h"
#include "platform/Files.h"
#include "platform/Launcher.h"
#include "state/ProgramFiles.h"
#include "text/DateText.h"
#include "text/Text.h"

#include <vector>

namespace {
const std::u16string OPTIONS = u"OPTIONS";

} // namespace

CallAnnouncer::CallAnnouncer(std::u16string programFolder, const basNbComIni &ini,
                             const Clock &clock, const DiagnosticLog &log,
                             DesktopNotifier &notifier, Launcher &launcher)
    : m_folder(std::move(programFolder)), m_ini(ini), m_clock(clock), m_log(log),
      m_notifier(notifier), m_launcher(launcher)
{
}

std::u16string CallAnnouncer::commandPath(const std::u16string &folder, const std::u16string &value)
{
    if (value.find(u'/') == std::u16string::npos || Files::isAbsolute(value))
        return value;
    return Text::cleanPath(folder + u'/' + value);
}

void CallAnnouncer::announce(const std::u16string &number, const std::u16string &title,
                             const std::u16string &name)
{
    if (Text::trimmed(m_ini.GetIniString(OPTIONS, u"NOTIFY", std::u16string())) == u"1")
        m_notifier.notify(title, name);

    const std::u16string command(
        Text::trimmed(m_ini.GetIniString(OPTIONS, u"ONCALL", std::u16string())));
    if (!command.empty())
        runCommand(commandPath(m_folder, command), number, name);
}

void CallAnnouncer::runCommand(const std::u16string &program, const std::u16string &number,
                               const std::u16string &name)
{
    if (*m_running >= MaxCommands)
        return;
    const LocalTime now = m_clock.now();
    const std::vector<std::u16string> arguments{DateText::date(now.year, now.month, now.day),
                                                DateText::time(now.hour, now.minute, now.second),
                                                number, name};
    std::shared_ptr<int> running = m_running;
    ++*running;
    if (m_launcher.runProgram(program, arguments, [running] { --*running; }))
        return;
    --*running;
    if (!m_failureNoted) {
        m_failureNoted = true;
        m_log.WriteLog(ProgramFiles::LogFile, u"ONCALL",
                       u"着信時のコマンドを起動できません。" + program);
    }
}
