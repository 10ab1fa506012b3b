// One query for the last caller's number, by the kind of the current device.
#pragma once

#include "link/SerialLink.h"
#include "state/ProgramState.h"

#include <cstdint>

class CallRecorder;

// Outcomes of FetchCallerNumber.
namespace FetchResult {
constexpr std::int16_t NoNewNumber = 0;
constexpr std::int16_t NewNumber = 1;
constexpr std::int16_t EndProgram = ExchangeResult::EndProgram;
constexpr std::int16_t StopMonitoring = ExchangeResult::StopMonitoring;
} // namespace FetchResult

class CallerQuery {
public:
    CallerQuery(ProgramState &state, SerialLink &link, CallRecorder &recorder);

    // A FetchResult: the exchange's end of the program or stop of monitoring
    // passed on, else whether a new number was recorded.
    std::int16_t FetchCallerNumber();

    // The serial control's events take no part in detection.
    void MSComm1_OnComm(int commEvent);

    static std::u16string commandForKind(std::int16_t kind);

private:
    ProgramState &m_state;
    SerialLink &m_link;
    CallRecorder &m_recorder;
};
