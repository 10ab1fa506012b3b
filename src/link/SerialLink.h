// The one exchange with the device: open the port, send a command, collect the
// reply up to "OK", close the port; and the failure policy for the link.
#pragma once

#include "state/ProgramState.h"

#include <cstdint>
#include <string>

class SerialPort;
class basNbComIni;
class DiagnosticLog;
class Prompts;
class MainView;

// Outcomes of SendCommand.
namespace ExchangeResult {
constexpr std::int16_t Answered = 0;
constexpr std::int16_t Unanswered = 1;
constexpr std::int16_t EndProgram = -1;
constexpr std::int16_t StopMonitoring = -2;
} // namespace ExchangeResult

class SerialLink {
public:
    // lcnt of an answered exchange is at most MaxPoll; an unanswered one
    // reports MaxPoll + 1, the polls it would have taken.
    static constexpr std::int32_t MaxPoll = 10000;
    // How long an unanswered exchange waits: what 10,001 polls of about
    // 310 µs each have always waited.
    static constexpr int UnansweredWaitMs = 3100;
    // A device that floods the line with junk is never held in full: past
    // this many bytes only the latest half of them is kept.
    static constexpr std::size_t MaxReplyBytes = 64 * 1024;

    SerialLink(ProgramState &state, SerialPort &port, const basNbComIni &ini,
               const DiagnosticLog &log, Prompts &prompts, MainView &view);

    void ApplyCommPort();
    void ApplyCommSettings();

    void SendCommand(const std::u16string &command, std::u16string &reply, std::int16_t &result);
    std::int16_t SendInitCommand();

    // True while an exchange runs, including its question or message.
    bool busy() const { return m_busy; }
    // The wait counter of the last exchange that got past the open: the reads
    // and waits before the one that brought "OK".
    std::int32_t lastLcnt() const { return m_lcnt; }

    // The device that port n stands for.
    std::u16string deviceForPort(std::int16_t port) const;
    // A port number as the messages show it: one leading blank, or a minus sign.
    static std::u16string portText(std::int16_t port);
    // "9600,N,8,1" from the speed text, or the default line settings.
    static std::u16string lineSettingsFor(const std::u16string &speed);

private:
    ProgramState &m_state;
    SerialPort &m_port;
    const basNbComIni &m_ini;
    const DiagnosticLog &m_log;
    Prompts &m_prompts;
    MainView &m_view;
    // The port number ApplyCommPort last put in force: ComPort may hold a
    // newer one that a cancelled settings dialog never applied.
    std::int16_t m_appliedPort = 2;
    bool m_busy = false;
    std::int32_t m_lcnt = 0;
};
