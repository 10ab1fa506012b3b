// Other programs and windows the program opens without waiting for them.
#pragma once

#include <functional>
#include <string>
#include <vector>

class Launcher {
public:
    // Called later, from the event loop, when the program started ended with a
    // failure: a handler for files or addresses that found no application.
    using LateFailure = std::function<void()>;

    virtual ~Launcher() = default;
    // The desktop's text editor on one file; the path is one argument, never
    // passed through a shell. False when nothing could be started.
    virtual bool openTextFile(const std::u16string &path, LateFailure failed) = 0;
    // The desktop's web browser on an address.
    virtual bool openUrl(const std::u16string &url, LateFailure failed) = 0;
    // Starts the program at the full path `program` with `arguments` (each
    // one argument, never through a shell) as the user would: in a normal
    // window that takes the focus. Not waited for. False when it could not be
    // started.
    virtual bool startProgram(const std::u16string &program,
                              const std::vector<std::u16string> &arguments) = 0;
    // Starts `program` (looked for on PATH when it holds no '/') with
    // `arguments` in the background: never through a shell, never waited
    // for, without a window of its own, its output discarded. `ended` is called from the event loop
    // once it has ended, however it ended. False when it could not be started.
    virtual bool runProgram(const std::u16string &program,
                            const std::vector<std::u16string> &arguments,
                            std::function<void()> ended) = 0;
};
