// The device's end of the line: a pseudo-terminal whose slave side the program
// under test opens as its serial port.
#pragma once

#include <string>

class PseudoTerminal {
public:
    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    // Opens the pair in raw mode; on failure fills `error` and returns false.
    bool open(std::string &error);
    // Points a symlink at the slave side, replacing an existing symlink (never a file).
    bool makeLink(const std::string &path, std::string &error);
    // Closes both sides at once, as when the device is unplugged, and removes the link.
    void close();

    int master() const { return m_master; }
    const std::string &slavePath() const { return m_slavePath; }
    // The line settings the program has put on the port, e.g. "speed 9600 parity none
    // bits 8 stop 1 flow none".
    std::string lineSettings() const;

private:
    int m_master = -1;
    // Held open so the master never sees a hang-up while the program has the port
    // closed between exchanges.
    int m_slave = -1;
    std::string m_slavePath;
    std::string m_linkPath;
};
