#pragma once

#include "link_clock.h"

// The machine's local time (the process's time zone).
class SystemLinkClock final : public LinkClock {
public:
    LinkTime LocalNow() const override;
};
