#include "query_stats.h"

#include "query_status.h"

#include "case_fold.h"
#include "db_connection.h"
#include "db_recordset.h"

#include <cstdlib>

namespace {

const std::array<StatsSortChoice, kStatsSortChoiceCount> kChoices = {{
    {"产品-地域-状态",
     "ProductName,QueryProv,QueryCity,QueryStatus",
     {StatsKey::Product, StatsKey::Region, StatsKey::Status}},
    {"产品-状态-地域",
     "ProductName,QueryStatus,QueryProv,QueryCity",
     {StatsKey::Product, StatsKey::Status, StatsKey::Region}},
    {"地域-产品-状态",
     "QueryProv,QueryCity,ProductName,QueryStatus",
     {StatsKey::Region, StatsKey::Product, StatsKey::Status}},
    {"地域-状态-产品",
     "QueryProv,QueryCity,QueryStatus,ProductName",
     {StatsKey::Region, StatsKey::Status, StatsKey::Product}},
    {"状态-地域-产品",
     "QueryStatus,QueryProv,QueryCity,ProductName",
     {StatsKey::Status, StatsKey::Region, StatsKey::Product}},
    {"状态-产品-地域",
     "QueryStatus,ProductName,QueryProv,QueryCity",
     {StatsKey::Status, StatsKey::Product, StatsKey::Region}},
}};

const StatsSortChoice& Choice(int choice)
{
    return kChoices[choice >= 0 && choice < kStatsSortChoiceCount ? static_cast<std::size_t>(choice) : 0];
}

bool SameText(const std::string& a, const std::string& b)
{
    return a == b || CompareFolded(a, b) == 0;
}

} // namespace

const std::array<StatsSortChoice, kStatsSortChoiceCount>& StatsSortChoices()
{
    return kChoices;
}

std::string StatsOrderClause(int choice)
{
    return std::string(" order by ") + Choice(choice).orderColumns + " ";
}

StatsColumn StatsKeyColumn(StatsKey key)
{
    switch (key) {
    case StatsKey::Product:
        return {"产品", 150};
    case StatsKey::Region:
        return {"地域", 150};
    case StatsKey::Status:
        break;
    }
    return {"状态", 120};
}

std::array<StatsColumn, 4> StatsColumns(int choice)
{
    const StatsSortChoice& chosen = Choice(choice);
    return {StatsKeyColumn(chosen.keys[0]), StatsKeyColumn(chosen.keys[1]), StatsKeyColumn(chosen.keys[2]),
            kStatsCountColumn};
}

std::string StatsFilter::Condition() const
{
    // The statistics list names wrong codes "错误查询"; the shared status condition knows
    // them as "码值错误". Any other text, "码值错误" included, sets no condition here.
    std::string status;
    if (resultText == "错误查询")
        status = "码值错误";
    else if (resultText == "重复查询" || resultText == "正确查询")
        status = resultText;
    const QueryFilter shared{fromDate, toDate, province == "<不限>" ? std::string() : province, city, product, status};
    return shared.WhereClause();
}

std::array<std::string, 4> StatsLine::Cells(int choice) const
{
    std::array<std::string, 4> cells;
    const StatsSortChoice& chosen = Choice(choice);
    for (std::size_t column = 0; column < 3; ++column) {
        switch (chosen.keys[column]) {
        case StatsKey::Product:
            cells[column] = product;
            break;
        case StatsKey::Region:
            cells[column] = region;
            break;
        case StatsKey::Status:
            cells[column] = status;
            break;
        }
    }
    cells[3] = std::to_string(count) + "次";
    return cells;
}

std::vector<StatsLine> GroupStatsRows(const std::vector<StatsRow>& rows)
{
    std::vector<StatsLine> lines;
    const StatsRow* previous = nullptr;
    std::string previousStatus;
    long long counter = 0;
    const auto emit = [&] {
        if (counter > 0)
            lines.push_back({previous->product, previous->province + "." + previous->city, previousStatus, counter});
    };
    for (const StatsRow& row : rows) {
        std::string status = QueryStatusText(row.status);
        if (previous && SameText(row.province, previous->province) && SameText(row.city, previous->city) &&
            SameText(status, previousStatus) && SameText(row.product, previous->product)) {
            counter += row.count;
            continue;
        }
        emit();
        // The run keeps the texts of its first row.
        previous = &row;
        previousStatus = std::move(status);
        counter = row.count;
    }
    emit();
    return lines;
}

std::string StatsStatement(const StatsFilter& filter, int choice)
{
    const std::string columns = Choice(choice).orderColumns;
    // Grouped in the order the list is sorted by, so one sort serves both.
    return "select ProductName,QueryProv,QueryCity,QueryStatus,count(*) as Queries from QueryLogTable " +
           filter.Condition() + " group by " + columns + StatsOrderClause(choice);
}

ReadOutcome ReadStatsLines(CDbConnection& connection, const StatsFilter& filter, int choice,
                           std::vector<StatsLine>& lines, std::string& errorText)
{
    lines.clear();
    CDbRecordset groups;
    groups.SetConnection(&connection);
    const int opened = groups.Open(StatsStatement(filter, choice), 1, 3, 3);
    if (opened < 0) {
        errorText = connection.GetErrorsText();
        return ReadOutcome::Failed;
    }
    if (opened == 0)
        return ReadOutcome::Empty;
    std::vector<StatsRow> rows;
    std::string count;
    for (; !groups.IsEOF(); groups.MoveNext()) {
        StatsRow& row = rows.emplace_back();
        groups.GetFieldValue("ProductName", row.product);
        groups.GetFieldValue("QueryProv", row.province);
        groups.GetFieldValue("QueryCity", row.city);
        groups.GetFieldValue("QueryStatus", row.status);
        groups.GetFieldValue("Queries", count);
        row.count = std::strtoll(count.c_str(), nullptr, 10);
    }
    lines = GroupStatsRows(rows);
    return ReadOutcome::Rows;
}
