#include "frontend/qt/QtLauncher.h"
#include "frontend/qt/QtText.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>
#include <vector>

#ifdef Q_OS_LINUX
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
extern char **environ;
#endif

#ifdef Q_OS_LINUX
namespace {
// Reaps `pid` once it has ended and tells `ended` whether it ended well;
// false while it still runs.
bool reap(pid_t pid, const std::function<void(bool)> &ended)
{
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == 0)
        return false;
    if (ended)
        ended(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return true;
}
} // namespace
#endif

QtLauncher::~QtLauncher()
{
    // The programs go on; only the watch on them ends.
#ifdef Q_OS_LINUX
    for (const QSocketNotifier *watch : m_watchers.findChildren<QSocketNotifier *>())
        ::close(static_cast<int>(watch->socket()));
#endif
    qDeleteAll(m_watchers.children());
}

bool QtLauncher::openTextFile(const std::u16string &file, LateFailure failed)
{
    const QString path = toQt(file);
    // An argument list, never a shell: the path may hold blanks, quotes or
    // anything else a file name can.
#ifdef Q_OS_WIN
    Q_UNUSED(failed);
    return QProcess::startDetached(QStringLiteral("notepad.exe"), {QDir::toNativeSeparators(path)});
#else
    return start(QStringLiteral("xdg-open"), {path}, onFailure(std::move(failed)));
#endif
}

bool QtLauncher::openUrl(const std::u16string &address, LateFailure failed)
{
    const QString url = toQt(address);
#ifdef Q_OS_LINUX
    return start(QStringLiteral("xdg-open"), {QUrl(url, QUrl::TolerantMode).toString()},
                 onFailure(std::move(failed)));
#else
    Q_UNUSED(failed);
    return QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode));
#endif
}

bool QtLauncher::startProgram(const std::u16string &program,
                              const std::vector<std::u16string> &arguments)
{
    // A program with windows shows them on the desktop whatever its output.
    return start(toQt(program), toQt(arguments), [](bool) {});
}

bool QtLauncher::runProgram(const std::u16string &program,
                            const std::vector<std::u16string> &arguments,
                            std::function<void()> ended)
{
    return start(toQt(program), toQt(arguments), [ended = std::move(ended)](bool) {
        if (ended)
            ended();
    });
}

QtLauncher::Outcome QtLauncher::onFailure(LateFailure failed)
{
    return [failed = std::move(failed)](bool succeeded) {
        if (!succeeded && failed)
            failed();
    };
}

bool QtLauncher::start(const QString &program, const QStringList &arguments, Outcome ended)
{
#ifdef Q_OS_LINUX
    std::vector<QByteArray> words{QFile::encodeName(program)};
    for (const QString &argument : arguments)
        words.push_back(QFile::encodeName(argument));
    std::vector<char *> argv;
    for (QByteArray &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    // Its input and output are not ours; the signals it inherits are the defaults.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int sig : {SIGTERM, SIGINT, SIGHUP, SIGPIPE})
        sigaddset(&defaults, sig);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    // glibc reports a program that cannot be run here, as the result.
    const int error =
        ::posix_spawnp(&pid, argv.front(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0)
        return false;

    // Told of its end by the kernel, on the event loop; never waited for. A
    // kernel before 5.3 has no descriptor for a process: look twice a second
    // instead, so it is reaped and its outcome known all the same.
    const int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (fd < 0) {
        auto *poll = new QTimer(&m_watchers);
        QObject::connect(poll, &QTimer::timeout, poll, [poll, pid, ended] {
            if (reap(pid, ended))
                poll->deleteLater();
        });
        poll->start(500);
        return true;
    }
    auto *watch = new QSocketNotifier(fd, QSocketNotifier::Read, &m_watchers);
    QObject::connect(watch, &QSocketNotifier::activated, watch, [watch, pid, ended] {
        if (!reap(pid, ended))
            return;
        watch->setEnabled(false);
        ::close(static_cast<int>(watch->socket()));
        watch->deleteLater();
    });
    return true;
#else
    // Its end is not seen here: counted as ended at once.
    if (!QProcess::startDetached(program, arguments))
        return false;
    QTimer::singleShot(0, &m_watchers, [ended] {
        if (ended)
            ended(true);
    });
    return true;
#endif
}
