#pragma once

#include "query_filter.h"
#include "query_log.h"
#include "query_records.h"

#include <string>
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

// The ten cells of a warning row, in the list's column order; the status as its kind,
// without the count.
std::vector<std::string> WarningCells(const QueryLogRow& row);

// How many warnings came from one province.
struct ProvinceCount {
    std::string province;
    long long count = 0;
};

// The warnings of a listing that has been read (its row number bounds set) counted per
// province, most first, equal counts by name and the unknown last. Counted by the database,
// so it costs one pass and no rows are carried over.
ReadOutcome CountWarningsByProvince(CDbConnection& connection, const QueryListing& listing,
                                    std::vector<ProvinceCount>& counts, std::string& errorText);

// "广东 37, 浙江 12, 江苏 3": the first `shown` provinces, then ", ..." when there are more.
// A query whose province was not recorded counts under "未知".
std::string ProvinceSummary(const std::vector<ProvinceCount>& counts, std::size_t shown = 5);
