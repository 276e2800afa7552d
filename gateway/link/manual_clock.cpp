#include "manual_clock.h"

#include <ctime>
#include <utility>

ManualClock::ManualClock(LinkTime start, std::function<std::int64_t()> elapsedMs)
    : m_start(start), m_elapsedMs(std::move(elapsedMs))
{
}

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
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    const std::time_t t = timegm(&fields);
    std::tm normal{};
    gmtime_r(&t, &normal);
    LinkTime time;
    time.year = static_cast<std::uint16_t>(normal.tm_year + 1900);
    time.month = static_cast<std::uint16_t>(normal.tm_mon + 1);
    time.dayOfWeek = static_cast<std::uint16_t>(normal.tm_wday);
    time.day = static_cast<std::uint16_t>(normal.tm_mday);
    time.hour = static_cast<std::uint16_t>(normal.tm_hour);
    time.minute = static_cast<std::uint16_t>(normal.tm_min);
    time.second = static_cast<std::uint16_t>(normal.tm_sec);
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
