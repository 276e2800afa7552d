#pragma once

#include "link_time.h"

// Where the modem link gets the current local time. Tests pass a fixed clock so that
// time-stamp checks of received messages do not depend on the day they run.
class LinkClock {
public:
    virtual ~LinkClock() = default;
    virtual LinkTime LocalNow() const = 0;
};
