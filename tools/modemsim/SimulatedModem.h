// What the simulated device does with the bytes it receives and with the test's
// control commands: echo, the answers of kind 0 and kind 1, and the faults a test
// can order (silence, "ERROR", binary garbage, an answer buried in junk, answers in
// pieces, a slow line).
#pragma once

#include "PacedOutput.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

class SimulatedModem {
public:
    SimulatedModem(int kind, PacedOutput &output);

    // Appends every received command and every answer to this file.
    void setLogFile(const std::string &path) { m_logPath = path; }

    // Bytes the program sent to its port.
    void receive(std::string_view bytes);

    // A control command such as "call 0312345678", "silent 2" or "pieces on".
    // Returns the acknowledgement line ("ok ...") or an error line ("error: ...").
    std::string control(std::string_view line);

    void takeCall(const std::string &number);
    void takeWithheldCall();
    void clearCall();

    int kind() const { return m_kind; }
    // Kind, held call and call index, e.g. "kind 1 call 0312345678 index 3".
    std::string state() const;

private:
    void answer(const std::string &command);
    std::string numberAnswer() const;
    std::string junk(long bytes);
    void send(std::string_view answerBytes);
    void log(std::string_view direction, std::string_view bytes) const;
    std::chrono::nanoseconds byteGap() const;

    PacedOutput &m_output;
    int m_kind;
    std::string m_logPath;

    // The last call: no value when none is held, "" for a withheld one.
    std::optional<std::string> m_number;
    std::string m_callTime; // MMDDhhmm of the held call
    int m_callIndex = 0;    // kind 1's three-digit index of the held call

    std::string m_line; // the command being received, up to its CR
    bool m_lineStarted = false;
    bool m_lineSilent = false;
    bool m_silentOn = false;
    int m_silentCount = 0;
    int m_errorCount = 0;
    int m_garbageCount = 0; // answers replaced by binary bytes without "OK"
    long m_floodBytes = 0;  // junk sent before the next answer
    unsigned m_junkSeed = 1;
    bool m_pieces = false;
    long m_bitsPerSecond = 0; // 0: unpaced
};
