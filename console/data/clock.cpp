#include "clock.h"

std::tm Clock::LocalNow() const
{
    const std::time_t now = static_cast<std::time_t>(Now());
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

std::int64_t SystemClock::Now() const
{
    return static_cast<std::int64_t>(std::time(nullptr));
}

const Clock& TheSystemClock()
{
    static const SystemClock clock;
    return clock;
}
