// "Let pending events run": one pass of the event loop, used inside long
// operations on the user-interface thread.
#pragma once

class EventPump {
public:
    virtual ~EventPump() = default;
    // False once the program is ending: the caller stops what it is doing
    // and unwinds, so the end is not held up.
    virtual bool processPendingEvents() = 0;
};
