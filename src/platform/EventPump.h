// "Let pending events run": one pass of the event loop, used inside the wait
// for the device's reply.
#pragma once

class EventPump {
public:
    virtual ~EventPump() = default;
    virtual void processPendingEvents() = 0;
};
