#include "cross_region.h"

#include "query_records.h"

#include "case_fold.h"
#include "db_connection.h"
#include "db_recordset.h"
#include "read_rows.h"
#include "sql_text.h"

#include <algorithm>
#include <cstdlib>

namespace {

bool SameRegionText(const std::string& a, const std::string& b)
{
    return a == b || CompareFolded(a, b) == 0;
}

bool ReadIndex(CDbRecordset& rows, const char* column, long long& value)
{
    std::string text;
    if (!rows.GetFieldValue(column, text) || text.empty())
        return false;
    value = std::strtoll(text.c_str(), nullptr, 10);
    return true;
}

} // namespace

CrossRegionRefusal CheckCrossRegionFilter(const CrossRegionFilter& filter)
{
    if (filter.province.empty())
        return CrossRegionRefusal::NoProvince;
    if (filter.product.empty())
        return CrossRegionRefusal::NoProduct;
    if (!filter.startCode.empty() && filter.startCode.size() != 8)
        return CrossRegionRefusal::BadStartCode;
    if (!filter.endCode.empty() && filter.endCode.size() != 8)
        return CrossRegionRefusal::BadEndCode;
    return CrossRegionRefusal::None;
}

const char* CrossRegionRefusalText(CrossRegionRefusal refusal)
{
    switch (refusal) {
    case CrossRegionRefusal::NoProvince:
        return "请先选择产品的销售区域！";
    case CrossRegionRefusal::NoProduct:
        return "请先选择要查询的产品！";
    case CrossRegionRefusal::BadStartCode:
        return "起始编码只能为空或8位长度！";
    case CrossRegionRefusal::BadEndCode:
        return "结尾编码只能为空或8位长度！";
    case CrossRegionRefusal::None:
        break;
    }
    return "";
}

std::string CrossRegionClause(const CrossRegionFilter& filter)
{
    std::string clause;
    if (!filter.city.empty()) {
        const std::string city = SqlQuote(filter.city);
        clause = " where ( QueryCity > '" + city + "' or QueryCity < '" + city + "') ";
    } else {
        const std::string province = SqlQuote(filter.province);
        clause = " where ( QueryProv > '" + province + "' or QueryProv < '" + province + "') ";
    }
    clause += " and  ProductName='" + SqlQuote(filter.product) + "' ";
    if (filter.startCode.size() == 8)
        clause += " and  QueryProductID>'" + SqlQuote(filter.startCode) + "' ";
    if (filter.endCode.size() == 8)
        clause += " and  QueryProductID<'" + SqlQuote(filter.endCode) + "' ";
    return clause;
}

CrossRegionRuns::CrossRegionRuns(std::string product, LineSink finished)
    : m_product(std::move(product)), m_finished(std::move(finished))
{}

void CrossRegionRuns::Add(const std::string& province, const std::string& city)
{
    // The first query always opens a run, also one with no region recorded.
    if (m_count > 0 && SameRegionText(province, m_province) && SameRegionText(city, m_city)) {
        ++m_count;
        return;
    }
    Finish();
    m_province = province;
    m_city = city;
    m_count = 1;
}

void CrossRegionRuns::Finish()
{
    if (m_count <= 0)
        return;
    m_finished(CrossRegionLine{m_product, m_province + "." + m_city, std::to_string(m_count) + "次"});
    m_count = 0;
}

std::vector<CrossRegionLine> CrossRegionLines(const std::string& product,
                                              const std::vector<std::pair<std::string, std::string>>& regions)
{
    std::vector<CrossRegionLine> lines;
    CrossRegionRuns runs(product, [&lines](CrossRegionLine line) { lines.push_back(std::move(line)); });
    for (const auto& [province, city] : regions)
        runs.Add(province, city);
    runs.Finish();
    std::reverse(lines.begin(), lines.end());
    return lines;
}

ReadOutcome ReadCrossRegionQueries(CDbConnection& connection, const CrossRegionFilter& filter,
                                   const std::function<void(const std::string&, const std::string&)>& sink,
                                   const std::function<void()>& betweenWindows, std::string& errorText)
{
    const std::string clause = CrossRegionClause(filter);
    long long first = 0;
    long long last = 0;
    {
        // The product's rows bound the windows: its index finds the first and the last at once
        // without the region test. Asked in one aggregate, SQLite would walk every entry of
        // the product instead (on a batch of 400,000 queries a tenth of a second).
        const std::string product = " from QueryLogTable where ProductName='" + SqlQuote(filter.product) + "')";
        CDbRecordset bounds;
        bounds.SetConnection(&connection);
        const int opened = bounds.Open("select (select min(QueryIndex)" + product +
                                           " as FirstIndex,(select max(QueryIndex)" + product + " as LastIndex",
                                       1, 3, 3);
        if (opened < 0) {
            errorText = connection.GetErrorsText();
            return ReadOutcome::Failed;
        }
        if (opened == 0 || !ReadIndex(bounds, "FirstIndex", first) || !ReadIndex(bounds, "LastIndex", last))
            return ReadOutcome::Empty;
    }

    bool any = false;
    std::string province;
    std::string city;
    for (long long from = first - 1; from < last; from += kQueryRecordsWindow) {
        const long long to = std::min(last, from + kQueryRecordsWindow);
        // Runs follow the order the queries were logged in, which the row number keeps.
        const long long read =
            ReadRows(connection,
                     "select QueryProv,QueryCity from QueryLogTable " + clause + " and QueryIndex>" +
                         std::to_string(from) + " and QueryIndex<=" + std::to_string(to) + " order by QueryIndex",
                     [&](const DbRow& row) {
                         row.Text(0, province);
                         row.Text(1, city);
                         sink(province, city);
                         return true;
                     });
        if (read < 0) {
            errorText = connection.GetErrorsText();
            return ReadOutcome::Failed;
        }
        any = any || read > 0;
        if (betweenWindows)
            betweenWindows();
    }
    return any ? ReadOutcome::Rows : ReadOutcome::Empty;
}
