#include "system_link_clock.h"

#include <ctime>

LinkTime SystemLinkClock::LocalNow() const
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm local{};
    localtime_r(&now.tv_sec, &local);

    LinkTime time = LinkTimeOf(local);
    time.milliseconds = static_cast<std::uint16_t>(now.tv_nsec / 1000000);
    return time;
}
