#include "fake_warning.h"

#include "query_status.h"

#include "case_fold.h"
#include "sql_text.h"

#include <algorithm>
#include <cstdio>
#include <map>

std::string WarningFilter::Clause() const
{
    char from[48];
    char to[48];
    std::snprintf(from, sizeof from, "%04d-%02d-%02d 0:0:1", fromDate.year, fromDate.month, fromDate.day);
    std::snprintf(to, sizeof to, "%04d-%02d-%02d 23:59:59", toDate.year, toDate.month, toDate.day);
    std::string clause = std::string(" where ( QueryStatus>1 or QueryStatus=-2 ) and QueryTime>#") + from +
                         "# and QueryTime<#" + to + "# ";
    if (!province.empty() && province != "<不限>")
        clause += " and  QueryProv='" + SqlQuote(province) + "' ";
    return clause;
}

QueryListing WarningFilter::Listing() const
{
    return QueryListing{Clause(), QueryFilter{fromDate, toDate, {}, {}, {}, {}}.TimeRangeClause(), 0, 0};
}

ReadOutcome ReadWarnings(CDbConnection& connection, const WarningFilter& filter, const QueryLogRowSink& sink,
                         const std::function<void()>& betweenWindows, std::string& errorText)
{
    // The warnings are a listing like the records page's, read the same way window by window.
    QueryListing listing = filter.Listing();
    return ReadQueryRecords(connection, listing, sink, betweenWindows, errorText);
}

std::vector<std::string> WarningCells(const QueryLogRow& row)
{
    return {row.index,     QueryStatusText(row.status),
            row.time,      row.phone,
            row.productId, row.productCode,
            row.realCode,  row.comm,
            row.province,  row.city};
}

void ProvinceTally::Add(const std::string& province)
{
    ++m_bySpelling[province];
}

std::vector<ProvinceCount> ProvinceTally::Counts() const
{
    struct Group {
        long long count = 0;
        std::string spelling;
        long long spellingCount = 0;
    };
    std::map<std::string, Group> byFolded;
    for (const auto& [spelling, count] : m_bySpelling) {
        Group& group = byFolded[FoldCase(spelling)];
        group.count += count;
        if (count > group.spellingCount || (count == group.spellingCount && spelling < group.spelling)) {
            group.spelling = spelling;
            group.spellingCount = count;
        }
    }
    std::vector<ProvinceCount> counts;
    counts.reserve(byFolded.size());
    for (const auto& [folded, group] : byFolded)
        counts.push_back(ProvinceCount{group.spelling, group.count});
    std::stable_sort(counts.begin(), counts.end(), [](const ProvinceCount& a, const ProvinceCount& b) {
        if (a.count != b.count)
            return a.count > b.count;
        // Among equals, the unknown province last.
        if (a.province.empty() != b.province.empty())
            return b.province.empty();
        return a.province < b.province;
    });
    return counts;
}

std::string ProvinceSummary(const std::vector<ProvinceCount>& counts, std::size_t shown)
{
    std::string summary;
    for (std::size_t i = 0; i < counts.size() && i < shown; ++i) {
        if (i > 0)
            summary += ", ";
        summary += (counts[i].province.empty() ? std::string("未知") : counts[i].province) + " " +
                   std::to_string(counts[i].count);
    }
    if (counts.size() > shown)
        summary += ", ...";
    return summary;
}
