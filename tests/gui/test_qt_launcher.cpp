// The launcher hands the history file to the desktop's handler as one argument,
// and reports a handler that fails after it has started.
#include "frontend/qt/QtLauncher.h"
#include "frontend/qt/QtText.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

#ifndef Q_OS_WIN
namespace {

// Puts `folder` alone on PATH for the lifetime of the object.
class PathOverride {
public:
    explicit PathOverride(const QString &folder) : m_saved(qgetenv("PATH"))
    {
        qputenv("PATH", QFile::encodeName(folder));
    }
    ~PathOverride() { qputenv("PATH", m_saved); }

private:
    QByteArray m_saved;
};

QByteArray waitForFile(const QString &path)
{
    // Generous: the handler runs detached and may be slow on a loaded machine.
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        QFile f(path);
        if (f.exists() && f.open(QIODevice::ReadOnly)) {
            const QByteArray bytes = f.readAll();
            if (bytes.endsWith("<end>\n"))
                return bytes;
        }
        QThread::msleep(20);
    }
    return {};
}

} // namespace

TEST(QtLauncher, OpensTheTextFileWithTheDesktopHandlerAsOneArgument)
{
    QTemporaryDir bin;
    const QString seen = bin.filePath(u"seen.txt"_s);
    // Writes each argument on its own line, then a mark that it has finished.
    // It inherits the PATH that holds only itself.
    QFile script(bin.filePath(u"xdg-open"_s));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(
        "#!/bin/sh\nPATH=/usr/bin:/bin\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"" +
        QFile::encodeName(seen) + ".part\"\necho '<end>' >> \"" + QFile::encodeName(seen) +
        ".part\"\nmv \"" + QFile::encodeName(seen) + ".part\" \"" + QFile::encodeName(seen) +
        "\"\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const QString history = u"/tmp/a folder/着信履歴 $(touch x) ; 'q'.TXT"_s;
    {
        PathOverride path(bin.path());
        QtLauncher launcher;
        EXPECT_TRUE(launcher.openTextFile(fromQt(history), {}));
    } // the launcher goes; what it started runs on
    const QByteArray bytes = waitForFile(seen);
    EXPECT_EQ(QString::fromUtf8(bytes), u"["_s + history + u"]\n<end>\n"_s);
}

TEST(QtLauncher, RunsAProgramWithItsArgumentsAndTellsItsEnd)
{
    QTemporaryDir bin;
    const QString seen = bin.filePath(u"seen.txt"_s);
    // Its arguments, what its input gives, then the mark; it fails on purpose.
    QFile script(bin.filePath(u"on call"_s));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n{ for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done; "
                 "printf 'in:%s\\n' \"$(cat)\"; echo '<end>'; } > \"$0.part\"\n"
                 "mv \"$0.part\" \"" +
                 QFile::encodeName(seen) + "\"\necho noise; exit 7\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QtLauncher launcher;
    int ended = 0;
    const QStringList arguments{u"2026/12/08"_s, u"09:05:03"_s, u"99999999999"_s, QString()};
    ASSERT_TRUE(
        launcher.runProgram(fromQt(script.fileName()), fromQt(arguments), [&] { ++ended; }));
    EXPECT_EQ(ended, 0) << "never waited for";
    EXPECT_EQ(QString::fromUtf8(waitForFile(seen)),
              u"[2026/12/08]\n[09:05:03]\n[99999999999]\n[]\nin:\n<end>\n"_s);
    const QDeadlineTimer deadline(20000);
    while (ended == 0 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(ended, 1) << "told of its end, whatever its exit status";

    EXPECT_FALSE(launcher.runProgram(fromQt(bin.filePath(u"missing"_s)), fromQt(arguments),
                                     [&] { ++ended; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(ended, 1) << "a program that never started never ends";
}

TEST(QtLauncher, StartsAProgramAtItsPathWithTheAddressAsOneArgument)
{
    QTemporaryDir bin;
    const QString seen = bin.filePath(u"seen.txt"_s);
    QFile script(bin.filePath(u"a browser"_s));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n{ for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done; echo '<end>'; } "
                 "> \"$0.part\"\nmv \"$0.part\" \"" +
                 QFile::encodeName(seen) + "\"\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QtLauncher launcher;
    const QString address = u"https://vordek.example.jp/?a=1 & b='2'"_s;
    ASSERT_TRUE(launcher.startProgram(fromQt(script.fileName()), {fromQt(address)}));
    EXPECT_EQ(QString::fromUtf8(waitForFile(seen)), u"["_s + address + u"]\n<end>\n"_s);
    EXPECT_FALSE(launcher.startProgram(fromQt(bin.filePath(u"missing"_s)), {fromQt(address)}));
}

TEST(QtLauncher, SaysWhenNoHandlerCouldBeStarted)
{
    QTemporaryDir empty;
    PathOverride path(empty.path());
    QtLauncher launcher;
    EXPECT_FALSE(launcher.openTextFile(u"/tmp/着信履歴.TXT", {}));
}

TEST(QtLauncher, AHandlerThatFailsAfterStartingIsReportedLater)
{
    for (const int exitCode : {0, 3, 4}) {
        QTemporaryDir bin;
        QFile script(bin.filePath(u"xdg-open"_s));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        // Each run notes its pid, so the test knows when the launcher has reaped it.
        script.write("#!/bin/sh\necho $$ >>\"$0.pids\"\nsleep 0.2\nexit " +
                     QByteArray::number(exitCode) + "\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        PathOverride path(bin.path() + u":/usr/bin:/bin"_s);
        QtLauncher launcher;
        int failures = 0;
        bool started = false;
        for (const bool url : {false, true}) {
            started = url ? launcher.openUrl(u"http://example.invalid/", [&] { ++failures; })
                          : launcher.openTextFile(u"/tmp/着信履歴.TXT", [&] { ++failures; });
            EXPECT_TRUE(started) << exitCode;
        }
        // Told by the event loop, without waiting on it: a handler's outcome is
        // known once it is reaped, and a reaped pid no longer exists.
        const auto running = [&] {
            QFile pids(script.fileName() + u".pids"_s);
            if (!pids.open(QIODevice::ReadOnly))
                return true;
            const QList<QByteArray> lines = pids.readAll().split('\n');
            int reaped = 0;
            for (const QByteArray &line : lines)
                reaped += !line.isEmpty() && ::kill(line.toInt(), 0) != 0;
            return reaped < 2;
        };
        const QDeadlineTimer deadline(20000);
        while (running() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        ASSERT_FALSE(running()) << "exit " << exitCode << ": the handlers were never reaped";
        EXPECT_EQ(failures, exitCode == 0 ? 0 : 2) << "exit " << exitCode;
    }
}
#endif
