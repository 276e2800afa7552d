#pragma once

#include "query_chart_data.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// A day of the daily chart named under its bar.
struct DayLabel {
    std::size_t day; // its place among the chart's days
    std::string text;

    bool operator==(const DayLabel&) const = default;
};

// How wide a name stands on the axis, room around it included.
using LabelWidth = std::function<double(const std::string& text)>;

// The days named under the daily chart's bars (each barWidth wide), so that no two names
// overlap: every day when there is room, else the first day of each week (a Monday), month,
// quarter or year, the finest of these that leaves the room, and when not even the years do,
// as many of them as do; the first day too where its name fits before the next. Days, weeks
// and months are named "MM-DD" (the chart's title gives the years), quarters and years
// "YYYY-MM", and when the days span a year or more, days, weeks and months "YYYY-MM-DD". A
// range of more than a year lists only the days with queries: a name goes to the first of
// them in each period.
std::vector<DayLabel> DayLabels(const std::vector<DayCounts>& days, double barWidth, const LabelWidth& width);
