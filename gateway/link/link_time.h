#pragma once

#include <cstdint>

// A local calendar time in the modem link's own layout: the eight 16-bit fields a
// received message's time stamp carries, in this order.
struct LinkTime {
    std::uint16_t year = 0;
    std::uint16_t month = 0;      // 1..12
    std::uint16_t dayOfWeek = 0;  // 0 = Sunday
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t milliseconds = 0;
};
