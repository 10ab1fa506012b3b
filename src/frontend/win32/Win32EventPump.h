// One pass of the message loop, for the waits of the logic.
#pragma once

#include "frontend/win32/Win32MessageLoop.h"
#include "platform/EventPump.h"

class Win32EventPump final : public EventPump {
public:
    bool processPendingEvents() override { return Win32MessageLoop::processPending(); }
};
