// The whole program on the real platform: every window and device, wired to
// the controller that decides.
#pragma once

#include "app/DataFolder.h"

#include <memory>

class MainController;
class QWidget;

class QtProgram {
public:
    // The data folder holds the settings file, the history and the log.
    explicit QtProgram(const DataFolder &folders);
    ~QtProgram();
    QtProgram(const QtProgram &) = delete;
    QtProgram &operator=(const QtProgram &) = delete;

    // Runs the start-up sequence at once; the caller runs the event loop.
    void start();
    // Runs the start-up sequence as the event loop's first event, then the
    // loop until the program ends: a shut-down asked for during start-up (a
    // question answered "終了", a signal) then ends the loop like any other.
    int run();

    // For a benchmark that drives the running program's ticks and watches its title.
    MainController &controller();
    QWidget &mainWindow();

private:
    struct Parts;
    std::unique_ptr<Parts> m_parts;
};
