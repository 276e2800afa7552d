#include "fake_warning.h"

#include "query_status.h"

#include "db_connection.h"
#include "db_recordset.h"
#include "sql_text.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

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

std::vector<std::string> WarningCells(const QueryLogRow& row)
{
    return {row.index,     QueryStatusText(row.status),
            row.time,      row.phone,
            row.productId, row.productCode,
            row.realCode,  row.comm,
            row.province,  row.city};
}

ReadOutcome CountWarningsByProvince(CDbConnection& connection, const QueryListing& listing,
                                    std::vector<ProvinceCount>& counts, std::string& errorText)
{
    counts.clear();
    CDbRecordset rows;
    rows.SetConnection(&connection);
    // Bounded by the rows the list read, so the figures add up to the list even while
    // the gateway host logs more.
    const int opened = rows.Open("select QueryProv,count(*) as Warnings from QueryLogTable " + listing.clause +
                                     " and QueryIndex>" + std::to_string(listing.from) +
                                     " and QueryIndex<=" + std::to_string(listing.upTo) + " group by QueryProv",
                                 1, 3, 3);
    if (opened < 0) {
        errorText = connection.GetErrorsText();
        return ReadOutcome::Failed;
    }
    for (; opened == 1 && !rows.IsEOF(); rows.MoveNext()) {
        ProvinceCount count;
        std::string number;
        rows.GetFieldValue("QueryProv", count.province);
        rows.GetFieldValue("Warnings", number);
        count.count = std::strtoll(number.c_str(), nullptr, 10);
        // A NULL and an empty province are one group to the operator.
        const auto known = std::find_if(counts.begin(), counts.end(),
                                        [&count](const ProvinceCount& c) { return c.province == count.province; });
        if (known != counts.end())
            known->count += count.count;
        else
            counts.push_back(std::move(count));
    }
    std::stable_sort(counts.begin(), counts.end(), [](const ProvinceCount& a, const ProvinceCount& b) {
        if (a.count != b.count)
            return a.count > b.count;
        // Among equals, the unknown province last.
        if (a.province.empty() != b.province.empty())
            return b.province.empty();
        return a.province < b.province;
    });
    return counts.empty() ? ReadOutcome::Empty : ReadOutcome::Rows;
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
