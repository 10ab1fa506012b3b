// The simulator's main loop: the pseudo-terminal, control commands from stdin
// and from a control file, calls taken on a timer, and the paced answers.
#pragma once

#include "PacedOutput.h"
#include "PseudoTerminal.h"
#include "SimulatedModem.h"

#include <chrono>
#include <optional>
#include <string>

class DeviceSimulator {
public:
    struct Options {
        int kind = 0;
        std::optional<std::string> number;
        std::string linkPath;
        std::string controlPath;
        std::optional<double> autoSeconds;
        std::string logPath;
    };

    explicit DeviceSimulator(const Options &options);
    // Runs until told to stop or signalled; the process's exit code.
    int run();

private:
    using Clock = PacedOutput::Clock;

    void readDevice();
    void readStdin();
    void readControlFile();
    void execute(const std::string &line);
    void takeAutoCall();
    void acknowledge(const std::string &line);
    Clock::time_point nextWake(Clock::time_point now) const;

    Options m_options;
    PseudoTerminal m_pty;
    PacedOutput m_output;
    SimulatedModem m_modem;
    std::string m_stdinBuffer;
    bool m_stdinOpen = true;
    // EOF on a pipe means the controlling test is gone; /dev/null or a terminal does not.
    bool m_exitOnStdinEof = false;
    bool m_stop = false;
    int m_exitCode = 0;
    // A "sync" waits here until every answer byte has gone out.
    int m_pendingSyncs = 0;
    Clock::time_point m_nextControlCheck{};
    Clock::time_point m_nextAutoCall{};
    std::size_t m_autoStep = 0;
};
