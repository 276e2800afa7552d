#pragma once

#include "query_filter.h"
#include "query_log.h"
#include "query_records.h"

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

class CDbConnection;

// What the counterfeit warning page filters by: a day range and optionally one province
// ("" or "<不限>" for every province).
struct WarningFilter {
    CalendarDate fromDate;
    CalendarDate toDate;
    std::string province;

    // The queries that point to fakes: codes queried more than once and status -2, in the
    // range (both ends excluded, as on the other query pages), then the province.
    std::string Clause() const;
    // The listing the page reads: the clause, and the time range that bounds its row numbers.
    QueryListing Listing() const;
};

// Reads the warnings of a filter in the order they were logged (rising QueryIndex), a window
// of row numbers at a time; sink gets each row as the database gives it and must not use the
// connection; betweenWindows runs after each window, when no statement runs (to serve a
// window). The windows are bounded by TimeRangeRowBounds, so a range over the whole log costs
// no walk over its time index first. After a failure the rows the sink got are no result.
ReadOutcome ReadWarnings(CDbConnection& connection, const WarningFilter& filter, const QueryLogRowSink& sink,
                         const std::function<void()>& betweenWindows, std::string& errorText);

// The ten cells of a warning row, in the list's column order; the status as its kind,
// without the count.
std::vector<std::string> WarningCells(const QueryLogRow& row);

// How many warnings came from one province.
struct ProvinceCount {
    std::string province;
    long long count = 0;
};

// Counts warnings per province while the list's rows are read, so the figures cost no
// second pass over the log and always add up to the list. Spellings that differ only in
// letter case are one province, as the database compares them; no province recorded
// (NULL or empty) counts as one, unknown.
class ProvinceTally final {
public:
    void Add(const std::string& province);
    // Most first, equal counts by name, the unknown last; a province spelled several ways
    // goes by its most frequent spelling.
    std::vector<ProvinceCount> Counts() const;

private:
    // By exact spelling: a row costs one hash lookup; folding waits for Counts.
    std::unordered_map<std::string, long long> m_bySpelling;
};

// "广东 37, 浙江 12, 江苏 3": the first `shown` provinces, then ", ..." when there are more.
// A query whose province was not recorded counts under "未知".
std::string ProvinceSummary(const std::vector<ProvinceCount>& counts, std::size_t shown = 5);
