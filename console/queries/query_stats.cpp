#include "query_stats.h"

#include "query_status.h"

#include "log_scan.h"

#include "case_fold.h"
#include "db_cells.h"
#include "db_connection.h"
#include "db_provider.h"
#include "db_recordset.h"
#include "read_rows.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

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

// A key cell as SQLite orders it: NULL first, then numbers by value, then text (by the
// column's collation).
struct SortCell {
    int rank = 0; // 0 NULL, 1 number, 2 text
    double number = 0;
    std::string text;
};

SortCell ToSortCell(const DbCell& value)
{
    SortCell cell;
    switch (value.kind) {
    case DbCell::Kind::Null:
        break;
    case DbCell::Kind::Int:
        cell.rank = 1;
        cell.number = static_cast<double>(value.integer);
        break;
    case DbCell::Kind::Real:
        cell.rank = 1;
        cell.number = value.real;
        break;
    case DbCell::Kind::Text:
    case DbCell::Kind::Other:
        cell.rank = 2;
        cell.text = std::string(value.text);
        break;
    }
    return cell;
}

// The four key columns in the order of the select, and a group of rows with identical keys.
enum KeyColumn { kProduct = 0, kProvince = 1, kCity = 2, kStatus = 3 };
struct CountedGroup {
    std::array<SortCell, 4> keys;
    StatsRow shown;
};

int CompareCells(const SortCell& a, const SortCell& b, bool folded)
{
    if (a.rank != b.rank)
        return a.rank < b.rank ? -1 : 1;
    if (a.rank == 1)
        return a.number < b.number ? -1 : (a.number > b.number ? 1 : 0);
    if (a.rank == 2)
        return folded ? CompareFolded(a.text, b.text) : a.text.compare(b.text);
    return 0;
}

// The key columns of a choice's order clause, first to last.
std::vector<KeyColumn> OrderOf(int choice)
{
    std::vector<KeyColumn> order;
    std::string columns = Choice(choice).orderColumns;
    std::size_t at = 0;
    while (at <= columns.size()) {
        const std::size_t comma = std::min(columns.find(',', at), columns.size());
        const std::string name = columns.substr(at, comma - at);
        order.push_back(name == "ProductName" ? kProduct
                        : name == "QueryProv" ? kProvince
                        : name == "QueryCity" ? kCity
                                              : kStatus);
        at = comma + 1;
    }
    return order;
}

// Appends a cell's identity to a group key: its kind and its stored text or number.
void AppendIdentity(std::string& key, const DbCell& cell)
{
    key += static_cast<char>('A' + static_cast<int>(cell.kind));
    if (cell.kind == DbCell::Kind::Int) {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, cell.integer).ptr;
        key.append(digits, end);
    } else if (cell.kind == DbCell::Kind::Real) {
        char bits[sizeof cell.real];
        std::memcpy(bits, &cell.real, sizeof bits);
        key.append(bits, sizeof bits);
    } else {
        key += cell.text;
    }
    key += '\x1f';
}

// SQLite: the rows counted per identical key as they are read, then the groups put in the
// order the engine's order by gives the rows (text columns compare letter case aside), so
// grouping them gives the lines of the walk over every row. The cells are taken as the
// engine holds them: a row costs building its key and one lookup, no copy of its texts;
// the sort keys and shown texts are made once per group.
ReadOutcome CountRowsHere(CDbConnection& connection, const StatsFilter& filter, int choice,
                          std::vector<StatsLine>& lines, std::string& errorText)
{
    std::vector<CountedGroup> groups;
    std::unordered_map<std::string, std::size_t> found;
    std::string key;
    RepaintWhileReading repaint;
    const long long read = ReadCells(
        connection, "select ProductName,QueryProv,QueryCity,QueryStatus from QueryLogTable " + filter.Condition() + " ",
        [&](const DbCells& cells) {
            repaint.Row();
            key.clear();
            for (std::size_t column = 0; column < 4; ++column)
                AppendIdentity(key, cells[column]);
            if (const auto at = found.find(key); at != found.end()) {
                ++groups[at->second].shown.count;
                return true;
            }
            found.emplace(key, groups.size());
            CountedGroup& group = groups.emplace_back();
            for (std::size_t column = 0; column < 4; ++column)
                group.keys[column] = ToSortCell(cells[column]);
            group.shown = {DisplayText(cells[kProduct]), DisplayText(cells[kProvince]), DisplayText(cells[kCity]),
                           DisplayText(cells[kStatus]), 1};
            return true;
        });
    if (read < 0) {
        errorText = connection.GetErrorsText();
        return ReadOutcome::Failed;
    }
    if (read == 0)
        return ReadOutcome::Empty;

    const std::vector<KeyColumn> order = OrderOf(choice);
    std::sort(groups.begin(), groups.end(), [&order](const CountedGroup& a, const CountedGroup& b) {
        for (const KeyColumn column : order) {
            // The text columns compare letter case aside, QueryStatus as it is stored.
            const int compared = CompareCells(a.keys[column], b.keys[column], column != kStatus);
            if (compared != 0)
                return compared < 0;
        }
        return false;
    });
    std::vector<StatsRow> rows;
    rows.reserve(groups.size());
    for (CountedGroup& group : groups)
        rows.push_back(std::move(group.shown));
    lines = GroupStatsRows(rows);
    return ReadOutcome::Rows;
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
    // The rows are counted first per exact spelling, hashed as plain text: grouping a million
    // rows by the case-blind text type compares every pair through lower(). The few thousand
    // counts are then merged letter case aside (by position: a name would mean the inner
    // plain text) and sorted in the list's order.
    return "select cast(ProductName as citext) as ProductName,cast(QueryProv as citext) as QueryProv,"
           "cast(QueryCity as citext) as QueryCity,QueryStatus,sum(Counted) as Queries from (select "
           "cast(ProductName as text) as ProductName,cast(QueryProv as text) as QueryProv,cast(QueryCity as text) as "
           "QueryCity,QueryStatus,count(*) as Counted from QueryLogTable " +
           filter.Condition() + " group by 1,2,3,4) as Spelt group by 1,2,3,4 " + StatsOrderClause(choice);
}

ReadOutcome ReadStatsLines(CDbConnection& connection, const StatsFilter& filter, int choice,
                           std::vector<StatsLine>& lines, std::string& errorText)
{
    lines.clear();
    if (connection.Provider() && connection.Provider()->Dialect() == SqlDialect::SQLite)
        return CountRowsHere(connection, filter, choice, lines, errorText);
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
