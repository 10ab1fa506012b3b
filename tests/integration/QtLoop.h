// Turning Qt's event loop from a test that waits on the program, as the NCID
// peers do between their polls.
#pragma once

#include "NcidPeer.h"

#include <QCoreApplication>

namespace QtLoop {

inline void pump()
{
    QCoreApplication::processEvents();
}

inline bool waitUntil(const std::function<bool()> &done)
{
    return NcidPeer::waitUntil(&pump, done);
}

// Turns the loop a while with nothing to wait for: time for a report that
// should not come to come all the same.
inline void settle()
{
    for (int i = 0; i < 50; ++i) {
        pump();
        ::poll(nullptr, 0, 1);
    }
}

} // namespace QtLoop
