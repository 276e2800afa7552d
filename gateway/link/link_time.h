#pragma once

#include <cstdint>
#include <ctime>

// A local calendar time in the modem link's own layout: the eight 16-bit fields a
// received message's time stamp carries, in this order.
struct LinkTime {
    std::uint16_t year = 0;
    std::uint16_t month = 0;     // 1..12
    std::uint16_t dayOfWeek = 0; // 0 = Sunday
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t milliseconds = 0;
};

// The calendar fields of a broken-down time (tm_year from 1900, tm_mon from 0);
// milliseconds 0.
LinkTime LinkTimeOf(const std::tm& fields);

// The calendar time the fields name, any field past its range carried into the next
// (second 60, hour 24, day 32), with no time zone applied; milliseconds 0. False when
// the fields name no time the system can hold.
bool NormaliseLinkTime(int year, int month, int day, int hour, int minute, int second, LinkTime& out);
