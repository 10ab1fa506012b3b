// The whole program on the real platform: every window and device, wired to
// the controller that decides.
#pragma once

#include <memory>

class QtProgram {
public:
    QtProgram();
    ~QtProgram();
    QtProgram(const QtProgram &) = delete;
    QtProgram &operator=(const QtProgram &) = delete;

    // Runs the start-up sequence; the event loop does the rest.
    void start();

private:
    struct Parts;
    std::unique_ptr<Parts> m_parts;
};
