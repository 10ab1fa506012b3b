#include "calls/CallAnnouncer.h"

#include "config/basNbComIni.h"
#include "log/DiagnosticLog.h"
#include "platform/Clock.h"
#include "platform/DesktopNotifier.h"
#include "platform/Launcher.h"
#include "state/ProgramFiles.h"

#include <QDir>

namespace {
const QString OPTIONS = QStringLiteral("OPTIONS");
} // namespace

CallAnnouncer::CallAnnouncer(QString programFolder, const basNbComIni &ini, const Clock &clock,
                             const DiagnosticLog &log, DesktopNotifier &notifier,
                             Launcher &launcher)
    : m_folder(std::move(programFolder)), m_ini(ini), m_clock(clock), m_log(log),
      m_notifier(notifier), m_launcher(launcher)
{
}

QString CallAnnouncer::commandPath(const QString &folder, const QString &value)
{
    if (!value.contains(u'/') || QDir::isAbsolutePath(value))
        return value;
    return QDir::cleanPath(folder + u'/' + value);
}

void CallAnnouncer::announce(const QString &number, const QString &title, const QString &name)
{
    if (m_ini.GetIniString(OPTIONS, QStringLiteral("NOTIFY"), QString()).trimmed() ==
        QLatin1String("1"))
        m_notifier.notify(title, name);

    const QString command =
        m_ini.GetIniString(OPTIONS, QStringLiteral("ONCALL"), QString()).trimmed();
    if (!command.isEmpty())
        runCommand(commandPath(m_folder, command), number, name);
}

void CallAnnouncer::runCommand(const QString &program, const QString &number, const QString &name)
{
    if (*m_running >= MaxCommands)
        return;
    const QDateTime now = m_clock.now();
    const QStringList arguments{now.toString(QStringLiteral("yyyy/MM/dd")),
                                now.toString(QStringLiteral("HH:mm:ss")), number, name};
    std::shared_ptr<int> running = m_running;
    ++*running;
    if (m_launcher.runProgram(program, arguments, [running] { --*running; }))
        return;
    --*running;
    if (!m_failureNoted) {
        m_failureNoted = true;
        m_log.WriteLog(ProgramFiles::LogFile, QStringLiteral("ONCALL"),
                       QStringLiteral("着信時のコマンドを起動できません。") + program);
    }
}
