// One query for the last caller's number, by the kind of the current device.
#pragma once

#include "app/ProgramState.h"

#include <cstdint>

class SerialLink;
class CallRecorder;

class CallerQuery {
public:
    CallerQuery(ProgramState &state, SerialLink &link, CallRecorder &recorder);

    // -1 end the program, -2 stop monitoring, 1 a new number was recorded,
    // 0 anything else.
    std::int16_t FetchCallerNumber();

    // The serial control's events take no part in detection.
    void MSComm1_OnComm(int commEvent);

    static QString commandForKind(std::int16_t kind);

private:
    ProgramState &m_state;
    SerialLink &m_link;
    CallRecorder &m_recorder;
};
