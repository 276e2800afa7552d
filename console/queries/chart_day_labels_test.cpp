#include "chart_day_labels.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<DayCounts> Days(const std::vector<std::string>& texts)
{
    std::vector<DayCounts> days;
    for (const std::string& text : texts)
        days.push_back({text, {}});
    return days;
}

std::vector<DayCounts> Range(const CalendarDate& from, const CalendarDate& to)
{
    return Days(DaysOfRange(from, to));
}

// Six pixels a character and ten around each name: "MM-DD" stands 40 wide.
double Width(const std::string& text)
{
    return static_cast<double>(text.size()) * 6 + 10;
}

TEST(ChartDayLabelsTest, TheFinestPeriodWhoseNamesFit)
{
    // 2026-09-13 is a Sunday; 90 days take it to 2026-12-11.
    const std::vector<DayCounts> quarter = Range({2026, 9, 13}, {2026, 12, 11});
    ASSERT_EQ(quarter.size(), 90u);
    const std::vector<DayLabel> mondays = {{1, "09-14"},  {8, "09-21"},  {15, "09-28"}, {22, "10-05"}, {29, "10-12"},
                                           {36, "10-19"}, {43, "10-26"}, {50, "11-02"}, {57, "11-09"}, {64, "11-16"},
                                           {71, "11-23"}, {78, "11-30"}, {85, "12-07"}};
    struct Case {
        const char* what;
        std::vector<DayCounts> days;
        double barWidth;
        std::vector<DayLabel> labels;
    };
    const Case cases[] = {
        {"a week with room for every day",
         Range({2026, 12, 5}, {2026, 12, 11}),
         50,
         {{0, "12-05"}, {1, "12-06"}, {2, "12-07"}, {3, "12-08"}, {4, "12-09"}, {5, "12-10"}, {6, "12-11"}}},
        // Seven bars of 6 hold a name of 40; the Sunday before the first Monday has no room.
        {"90 days at six pixels a day: the Mondays", quarter, 6, mondays},
        // Seven bars of 5 do not: the first of each month, and the first day before them.
        {"90 days at five pixels a day: the months",
         quarter,
         5,
         {{0, "09-13"}, {18, "10-01"}, {49, "11-01"}, {79, "12-01"}}},
        {"a range that begins on a Monday names it",
         Range({2026, 9, 14}, {2026, 10, 4}),
         6,
         {{0, "09-14"}, {7, "09-21"}, {14, "09-28"}}},
        // A year of days: months would need their years ("2026-01-01", 70 wide) and stand only
        // about 60 apart at two pixels a day.
        {"a year at two pixels a day: the quarters",
         Range({2025, 12, 11}, {2026, 12, 11}),
         2,
         {{21, "2026-01"}, {111, "2026-04"}, {202, "2026-07"}, {294, "2026-10"}}},
        {"a year at a tenth of a pixel: the year that begins",
         Range({2025, 12, 11}, {2026, 12, 11}),
         0.1,
         {{21, "2026-01"}}},
        // Only the days with queries of a range of years: names with their years.
        {"days of several years with room for each",
         Days({"2020-01-05", "2020-01-20", "2021-03-04", "2023-07-09"}),
         100,
         {{0, "2020-01-05"}, {1, "2020-01-20"}, {2, "2021-03-04"}, {3, "2023-07-09"}}},
        {"days of several years without room: the first year that fits",
         Days({"2020-01-05", "2020-01-20", "2021-03-04", "2023-07-09"}),
         10,
         {{2, "2021-03"}}},
        {"a day alone", Days({"2026-12-11"}), 1, {{0, "12-11"}}},
        {"three days without a Monday, too narrow for two names",
         Range({2026, 12, 9}, {2026, 12, 11}),
         10,
         {{0, "12-09"}}},
        {"no days", {}, 10, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DayLabels(c.days, c.barWidth, Width), c.labels) << c.what;
}

} // namespace
