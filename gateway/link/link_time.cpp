#include "link_time.h"

LinkTime LinkTimeOf(const std::tm& fields)
{
    LinkTime time;
    time.year = static_cast<std::uint16_t>(fields.tm_year + 1900);
    time.month = static_cast<std::uint16_t>(fields.tm_mon + 1);
    time.dayOfWeek = static_cast<std::uint16_t>(fields.tm_wday);
    time.day = static_cast<std::uint16_t>(fields.tm_mday);
    time.hour = static_cast<std::uint16_t>(fields.tm_hour);
    time.minute = static_cast<std::uint16_t>(fields.tm_min);
    time.second = static_cast<std::uint16_t>(fields.tm_sec);
    return time;
}

bool NormaliseLinkTime(int year, int month, int day, int hour, int minute, int second, LinkTime& out)
{
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    // UTC rules: no daylight-saving change moves the fields.
    const std::time_t seconds = timegm(&fields);
    std::tm normal{};
    if (gmtime_r(&seconds, &normal) == nullptr)
        return false;
    out = LinkTimeOf(normal);
    return seconds != static_cast<std::time_t>(-1);
}
