// One pass of Qt's event loop.
#pragma once

#include "platform/EventPump.h"

#include <QCoreApplication>

class QtEventPump final : public EventPump {
public:
    bool processPendingEvents() override
    {
        QCoreApplication::processEvents();
        return !QCoreApplication::closingDown();
    }
};
