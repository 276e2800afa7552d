#pragma once

#include "query_filter.h"
#include "query_log.h"

#include <array>
#include <string>
#include <vector>

class CDbConnection;

// The three keys a statistics line is counted by.
enum class StatsKey { Product = 0, Region = 1, Status = 2 };

// One entry of the sort list: its label, the columns the rows are ordered by, and which key
// stands in each of the list's first three columns.
struct StatsSortChoice {
    const char* label;
    const char* orderColumns;
    std::array<StatsKey, 3> keys;
};

inline constexpr int kStatsSortChoiceCount = 6;
// In the order of the sort list; the first is the page's start.
const std::array<StatsSortChoice, kStatsSortChoiceCount>& StatsSortChoices();
// " order by <columns> " of a choice; choices outside the list count as the first.
std::string StatsOrderClause(int choice);

// A column of the list: heading and width in pixels.
struct StatsColumn {
    const char* heading;
    int width;
};
StatsColumn StatsKeyColumn(StatsKey key);
inline constexpr StatsColumn kStatsCountColumn{"查询次数", 150};
// The four columns of a choice, left to right: its three keys, then the count.
std::array<StatsColumn, 4> StatsColumns(int choice);

// The values of the statistics page's filter controls.
struct StatsFilter {
    CalendarDate fromDate;
    CalendarDate toDate;
    std::string province; // "<不限>" or empty: every province
    std::string city;
    std::string product;
    std::string resultText; // "正确查询", "重复查询", "错误查询"; anything else: every result

    // The day range, then the province, city, product and result conditions that are set.
    std::string Condition() const;
};

// Rows read from the log, or groups of identical rows the database counted: count rows of
// one product, region and QueryStatus.
struct StatsRow {
    std::string product;
    std::string province;
    std::string city;
    std::string status; // QueryStatus as read
    long long count = 1;
};

// One line of the list.
struct StatsLine {
    std::string product;
    std::string region; // province "." city
    std::string status; // QueryStatusText
    long long count = 0;

    // The line's cells in the column order of a sort choice, the count as "%d次" last.
    std::array<std::string, 4> Cells(int choice) const;
};

// Groups rows in the order given: a run of neighbours with the same product, province,
// city and status text (letter case aside) gives one line, counted; the same key further
// on starts another line. The lines come in the rows' order.
std::vector<StatsLine> GroupStatsRows(const std::vector<StatsRow>& rows);

// The server engine's statement that counts the filter's rows per product, province, city
// and QueryStatus, in the order of the sort choice: the groups come in the order the rows themselves would,
// so grouping them gives the lines grouping every row would.
std::string StatsStatement(const StatsFilter& filter, int choice);

// Counts the filter's queries into lines, in the sort choice's order: the lines a walk over
// every matching row in that order gives. Empty when nothing matches; Failed with the
// database's error text. On SQLite the rows are read one by one and counted here (the
// engine's group by would sort them all); the server engine counts them itself with
// StatsStatement.
ReadOutcome ReadStatsLines(CDbConnection& connection, const StatsFilter& filter, int choice,
                           std::vector<StatsLine>& lines, std::string& errorText);
