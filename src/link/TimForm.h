// The monitoring timer's tick: each one asks the device for the last caller's
// number and shows a new one.
#pragma once

#include "state/ProgramState.h"

#include <functional>

class CallerQuery;
class SerialLink;
class MainView;
class TipView;

class TimForm {
public:
    // What the tick asks of the main window when an exchange says so.
    struct Orders {
        std::function<void()> endProgram;     // unload the main window
        std::function<void()> stopMonitoring; // as the Stop command does
    };

    TimForm(ProgramState &state, SerialLink &link, CallerQuery &query, MainView &view, TipView &tip,
            Orders orders);

    void TimForm_Timer();
    // While the calls come from elsewhere the tick only takes the pop-up
    // down: the device is not asked and its port stays closed.
    void setAskDevice(bool ask) { m_askDevice = ask; }

private:
    ProgramState &m_state;
    SerialLink &m_link;
    CallerQuery &m_query;
    MainView &m_view;
    TipView &m_tip;
    Orders m_orders;
    bool m_askDevice = true;
};
