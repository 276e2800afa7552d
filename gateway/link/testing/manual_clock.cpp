#include "manual_clock.h"

#include <ctime>
#include <utility>

ManualClock::ManualClock(LinkTime start, std::function<std::int64_t()> elapsedMs)
    : m_start(start), m_elapsedMs(std::move(elapsedMs))
{}

void ManualClock::Set(LinkTime start)
{
    m_start = start;
}

void ManualClock::FollowTime(std::function<std::int64_t()> elapsedMs)
{
    m_elapsedMs = std::move(elapsedMs);
}

LinkTime ManualClock::Make(int year, int month, int day, int hour, int minute, int second)
{
    LinkTime time;
    NormaliseLinkTime(year, month, day, hour, minute, second, time);
    return time;
}

LinkTime ManualClock::DefaultStart()
{
    return Make(2026, 3, 15, 8, 0, 0);
}

LinkTime ManualClock::LocalNow() const
{
    if (!m_elapsedMs)
        return m_start;
    const std::int64_t ms = m_elapsedMs();
    LinkTime now = Make(m_start.year, m_start.month, m_start.day, m_start.hour, m_start.minute,
                        m_start.second + static_cast<int>(ms / 1000));
    now.milliseconds = static_cast<std::uint16_t>(ms % 1000);
    return now;
}
