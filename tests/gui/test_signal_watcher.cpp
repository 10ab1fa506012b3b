// SIGTERM ends the program through its shut-down once; a program still running
// after that, or whose event loop never takes the signal, ends at the next one.
#include "frontend/qt/QtSignalWatcher.h"
#include "frontend/qt/QtText.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Runs `body` in a child process; how the child ended.
int childStatus(const std::function<void()> &body)
{
    const pid_t child = ::fork();
    if (child == 0) {
        body();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

// Runs the event loop until `done` or the deadline.
void runEventsUntil(const std::function<bool()> &done)
{
    const QDeadlineTimer deadline(20000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

} // namespace

TEST(QtSignalWatcher, ASecondSignalIsNeverIgnored)
{
    struct Case {
        const char *what;
        bool shutDownStarts; // what the program's handler answers
        int signalsBeforeTheLoop;
        bool ends;
    } cases[] = {
        {"the first signal runs the shut-down; the program ends its own way", true, 1, false},
        {"the shut-down had run already, yet the program still runs", false, 1, true},
        {"two signals while the event loop is held up", true, 2, true},
    };
    for (const Case &c : cases) {
        int handled = 0;
        const int status = childStatus([&] {
            QtSignalWatcher watcher([&] {
                ++handled;
                return c.shutDownStarts;
            });
            for (int i = 0; i < c.signalsBeforeTheLoop; ++i)
                ::raise(SIGTERM);
            runEventsUntil([&] { return handled > 0; });
            ::_exit(handled == 1 ? 0 : 10 + handled);
        });
        EXPECT_EQ(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM, c.ends) << c.what;
        if (!c.ends) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
                << c.what << ": the handler ran once";
        }
    }
}
