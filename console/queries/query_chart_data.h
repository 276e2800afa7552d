#pragma once

#include "query_log.h"
#include "query_stats.h"
#include "query_status.h"

#include <array>
#include <string>
#include <vector>

class CDbConnection;

// Queries counted by what they came to.
struct ResultCounts {
    std::array<long long, 4> byClass{}; // indexed by QueryResultClass

    long long& operator[](QueryResultClass kind) { return byClass[static_cast<std::size_t>(kind)]; }
    long long operator[](QueryResultClass kind) const { return byClass[static_cast<std::size_t>(kind)]; }
    long long Total() const { return byClass[0] + byClass[1] + byClass[2] + byClass[3]; }
};

struct DayCounts {
    std::string day; // "YYYY-MM-DD"
    ResultCounts counts;
};

struct ProvinceCounts {
    std::string province;
    ResultCounts counts;
};

// What the statistics page's charts show for one filter.
struct QueryChartData {
    // Every day of the range in order, days without queries included; for a range of more
    // than kChartMostDays days only the days with queries.
    std::vector<DayCounts> days;
    // The provinces with the most queries, most first (ties by name), at most kChartProvinces.
    std::vector<ProvinceCounts> provinces;
    ResultCounts total;
};

inline constexpr std::size_t kChartProvinces = 10;
inline constexpr int kChartMostDays = 366;

// The server engine's count of the filter's queries per day and province (as spelt), by
// result class (Correct, Repeated, Wrong and all Queries, the rest being Other): one aggregate
// over the range, so the charts never fetch the log row by row from the server.
std::string QueryChartStatement(const StatsFilter& filter);

// Queries of one day and province that came to the same.
struct ChartGroup {
    std::string day;
    std::string province;
    QueryResultClass result = QueryResultClass::Other;
    long long count = 0;
};

// The charts' figures from the counted groups. Provinces that differ only in letter case
// are one, under the first name met.
QueryChartData BuildChartData(const StatsFilter& filter, const std::vector<ChartGroup>& groups);

// How many connections read the log on SQLite: with Two, the range is cut into pieces of
// whole days that the connection and a second one, on a thread of its own, take in turn, so
// two cores count in about half the time (one core, a database in memory, or a second
// connection that cannot be had fall back to One; pieces the second could not read are read
// on the first).
enum class ChartReaders { One, Two };

// Counts the filter's queries and builds the figures; Empty when no query matches (the
// figures then hold the range's days, all zero), Failed with the database's error text.
// On SQLite the rows are read and counted here (the engine's group by would sort them
// all); the server engine counts them with QueryChartStatement.
ReadOutcome ReadQueryChartData(CDbConnection& connection, const StatsFilter& filter, QueryChartData& data,
                               std::string& errorText, ChartReaders readers = ChartReaders::Two);

// The charts' figures in words, for screen readers.
std::string DescribeChart(const QueryChartData& data);

// The days from one calendar day to another, both included, as "YYYY-MM-DD"; empty when
// from is later than to.
std::vector<std::string> DaysOfRange(const CalendarDate& from, const CalendarDate& to);

// Days since 1970-01-01 (a Thursday) of a date of the proleptic Gregorian calendar.
long long DayNumber(const CalendarDate& date);
