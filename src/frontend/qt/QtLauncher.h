// Starts the desktop's text editor and web browser.
#pragma once

#include "platform/Launcher.h"

#include <QObject>
#include <QStringList>

class QtLauncher final : public Launcher {
public:
    QtLauncher() = default;
    ~QtLauncher() override;
    QtLauncher(const QtLauncher &) = delete;
    QtLauncher &operator=(const QtLauncher &) = delete;

    // Notepad on Windows; elsewhere the desktop's handler for text files.
    bool openTextFile(const std::u16string &path, LateFailure failed) override;
    bool openUrl(const std::u16string &url, LateFailure failed) override;
    bool startProgram(const std::u16string &program,
                      const std::vector<std::u16string> &arguments) override;
    bool runProgram(const std::u16string &program, const std::vector<std::u16string> &arguments,
                    std::function<void()> ended) override;

private:
    using Outcome = std::function<void(bool succeeded)>;
    // Starts `program` (looked for on PATH) with `arguments`, never through a
    // shell, and watches how it ends without waiting for it: the desktop's
    // handler may run as long as the editor it opened. What it starts is never
    // ended by this program, not even when it ends itself.
    bool start(const QString &program, const QStringList &arguments, Outcome ended);
    static Outcome onFailure(LateFailure failed);

    QObject m_watchers; // one watcher a program still running
};
