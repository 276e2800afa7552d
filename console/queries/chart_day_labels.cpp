#include "chart_day_labels.h"

#include <cstdio>
#include <optional>

namespace {

enum class Period { Day, Week, Month, Quarter, Year };
constexpr Period kPeriods[] = {Period::Day, Period::Week, Period::Month, Period::Quarter, Period::Year};

struct Day {
    CalendarDate date;
    long long number = 0; // DayNumber
};

std::optional<Day> Parse(const std::string& text)
{
    Day day;
    char rest = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &day.date.year, &day.date.month, &day.date.day, &rest) != 3 ||
        text.size() != 10)
        return std::nullopt;
    day.number = DayNumber(day.date);
    return day;
}

long long FloorDivide(long long value, long long by)
{
    return value / by - (value % by < 0);
}

// Which period of its kind a day falls in; days of one period share the number.
long long PeriodOf(const Day& day, Period period)
{
    switch (period) {
    case Period::Day:
        return day.number;
    case Period::Week:
        return FloorDivide(day.number + 3, 7); // weeks from Monday; 1970-01-01 was a Thursday
    case Period::Month:
        return day.date.year * 12LL + day.date.month - 1;
    case Period::Quarter:
        return day.date.year * 4LL + (day.date.month - 1) / 3;
    case Period::Year:
        break;
    }
    return day.date.year;
}

bool BeginsPeriod(const Day& day, Period period)
{
    switch (period) {
    case Period::Day:
        return true;
    case Period::Week:
        return day.number + 3 - FloorDivide(day.number + 3, 7) * 7 == 0;
    case Period::Month:
        return day.date.day == 1;
    case Period::Quarter:
        return day.date.day == 1 && (day.date.month - 1) % 3 == 0;
    case Period::Year:
        break;
    }
    return day.date.day == 1 && day.date.month == 1;
}

std::string TextOf(const std::string& day, Period period, bool years)
{
    if (period == Period::Quarter || period == Period::Year)
        return day.substr(0, 7);
    return years ? day : day.substr(5);
}

// Names stand centred under their bars: two fit when half of each fits between the bars.
bool Apart(std::size_t day, double dayWidth, std::size_t later, double laterWidth, double barWidth)
{
    return static_cast<double>(later - day) * barWidth >= (dayWidth + laterWidth) / 2;
}

} // namespace

std::vector<DayLabel> DayLabels(const std::vector<DayCounts>& days, double barWidth, const LabelWidth& width)
{
    std::vector<std::optional<Day>> parsed;
    for (const DayCounts& day : days)
        parsed.push_back(Parse(day.day));
    // A year or more on the axis: "MM-DD" would not tell the years apart.
    const bool years =
        !days.empty() && parsed.front() && parsed.back() && parsed.back()->number - parsed.front()->number >= 365;
    std::vector<DayLabel> labels;
    for (const Period period : kPeriods) {
        labels.clear();
        double lastWidth = 0;
        bool fits = true;
        for (std::size_t at = 0; at < days.size(); ++at) {
            if (!parsed[at])
                continue;
            const bool begins = at == 0 || !parsed[at - 1]
                                    ? BeginsPeriod(*parsed[at], period)
                                    : PeriodOf(*parsed[at], period) != PeriodOf(*parsed[at - 1], period);
            if (!begins)
                continue;
            std::string text = TextOf(days[at].day, period, years);
            const double textWidth = width(text);
            if (!labels.empty() && !Apart(labels.back().day, lastWidth, at, textWidth, barWidth)) {
                // The years are the last resort: the names that fit stay.
                if (period == Period::Year)
                    continue;
                fits = false;
                break;
            }
            labels.push_back({at, std::move(text)});
            lastWidth = textWidth;
        }
        if (fits)
            break;
    }
    // The first day named as well where that leaves room, so the axis shows where it starts.
    if (!days.empty() && parsed.front() && (labels.empty() || labels.front().day != 0)) {
        std::string text = TextOf(days.front().day, Period::Day, years);
        if (labels.empty() || Apart(0, width(text), labels.front().day, width(labels.front().text), barWidth))
            labels.insert(labels.begin(), {0, std::move(text)});
    }
    return labels;
}
