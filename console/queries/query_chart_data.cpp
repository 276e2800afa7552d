#include "query_chart_data.h"

#include "log_scan.h"
#include "query_filter.h"

#include "case_fold.h"
#include "connection_string.h"
#include "db_connection.h"
#include "db_provider.h"
#include "db_recordset.h"
#include "lock_wait.h"
#include "read_rows.h"
#include "text_util.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <map>
#include <string_view>
#include <thread>
#include <unordered_map>

namespace {

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
long long DaysFromCivil(int year, int month, int day)
{
    year -= month <= 2;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const long long yearOfEra = year - era * 400;
    const long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

std::string CivilFromDays(long long days)
{
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long dayOfEra = days - era * 146097;
    const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long mp = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const long long year = yearOfEra + era * 400 + (month <= 2);
    char text[32];
    std::snprintf(text, sizeof text, "%04lld-%02d-%02d", year, month, day);
    return text;
}

const char* const kClassNames[] = {"正确", "重复查询", "查询码值错误", "其他"};

std::string CountsInWords(const ResultCounts& counts)
{
    std::string words = "共" + std::to_string(counts.Total()) + "次：";
    for (std::size_t kind = 0; kind < 4; ++kind) {
        // Queries that are neither correct, repeated nor wrong are rare: named only when there are some.
        if (kind == 3 && counts.byClass[kind] == 0)
            break;
        words += std::string(kind ? "，" : "") + kClassNames[kind] + std::to_string(counts.byClass[kind]);
    }
    return words;
}

} // namespace

std::vector<std::string> DaysOfRange(const CalendarDate& from, const CalendarDate& to)
{
    std::vector<std::string> days;
    const long long first = DaysFromCivil(from.year, from.month, from.day);
    const long long last = DaysFromCivil(to.year, to.month, to.day);
    for (long long day = first; day <= last; ++day)
        days.push_back(CivilFromDays(day));
    return days;
}

std::string QueryChartStatement(const StatsFilter& filter)
{
    // The day as a date, not a text cut per row; the province as plain text, hashed as it is
    // spelt (the case-blind type compares through lower()): BuildChartData merges spellings.
    // The result classes are counted side by side rather than grouped by QueryStatus: a third
    // of the groups and keys to hash, which halves the server's time on a million rows. The
    // schema's statistics on the two keys tell the planner the groups are few, so it counts
    // in parallel (without them it guesses a group per row).
    return "select cast(cast(QueryTime as date) as text) as QueryDay,cast(QueryProv as text) as QueryProv,"
           "count(*) filter (where QueryStatus=1) as Correct,count(*) filter (where QueryStatus>1) as Repeated,"
           "count(*) filter (where QueryStatus<0) as Wrong,count(*) as Queries from QueryLogTable " +
           filter.Condition() + " group by cast(QueryTime as date),2 ";
}

QueryChartData BuildChartData(const StatsFilter& filter, const std::vector<ChartGroup>& groups)
{
    QueryChartData data;
    std::map<std::string, ResultCounts> byDay;
    std::map<std::string, ResultCounts> byProvince;
    std::map<std::string, std::string> provinceNamed; // folded name -> the first name met
    for (const ChartGroup& group : groups) {
        byDay[group.day][group.result] += group.count;
        const std::string& name = provinceNamed.try_emplace(FoldCase(group.province), group.province).first->second;
        byProvince[name][group.result] += group.count;
        data.total[group.result] += group.count;
    }

    const long long span = DaysFromCivil(filter.toDate.year, filter.toDate.month, filter.toDate.day) -
                           DaysFromCivil(filter.fromDate.year, filter.fromDate.month, filter.fromDate.day);
    if (span >= 0 && span < kChartMostDays) {
        for (std::string& day : DaysOfRange(filter.fromDate, filter.toDate)) {
            const auto found = byDay.find(day);
            data.days.push_back({std::move(day), found == byDay.end() ? ResultCounts{} : found->second});
        }
    } else {
        for (const auto& [day, counts] : byDay)
            data.days.push_back({day, counts});
    }

    for (const auto& [province, counts] : byProvince)
        data.provinces.push_back({province, counts});
    // The map gave them by name, so the stable sort leaves ties in name order.
    std::stable_sort(
        data.provinces.begin(), data.provinces.end(),
        [](const ProvinceCounts& a, const ProvinceCounts& b) { return a.counts.Total() > b.counts.Total(); });
    if (data.provinces.size() > kChartProvinces)
        data.provinces.resize(kChartProvinces);
    return data;
}

namespace {

// A text cell as GetFieldValue gives it, without a copy when it needs no change.
const std::string& CellText(const FieldValue& value, std::string& buffer)
{
    if (value.kind == FieldValue::Kind::Text && !value.m_text.empty() && value.m_text.front() != ' ' &&
        value.m_text.back() != ' ' && value.m_text != "NULL")
        return value.m_text;
    buffer = DisplayText(value);
    return buffer;
}

// The day of a time cell: its first ten characters, as substr(QueryTime,1,10) gives them,
// without a copy for the usual "YYYY-MM-DD HH:MM:SS". Cut here rather than by the engine:
// SQLite's substr costs about as much as reading the row.
std::string_view DayOf(const FieldValue& time, std::string& buffer)
{
    if (time.kind != FieldValue::Kind::Text)
        return buffer = DisplayText(time).substr(0, 10);
    const std::string& text = time.m_text;
    std::size_t bytes = 0;
    for (int characters = 0; characters < 10 && bytes < text.size(); ++characters)
        for (++bytes; bytes < text.size() && (static_cast<unsigned char>(text[bytes]) & 0xc0) == 0x80;)
            ++bytes;
    const std::string_view day(text.data(), bytes);
    if (!day.empty() && day.front() != ' ' && day.back() != ' ' && day != "NULL")
        return day;
    buffer = day == "NULL" ? std::string() : TrimBlanks(day);
    return buffer;
}

QueryResultClass ClassOf(const FieldValue& status)
{
    if (status.kind != FieldValue::Kind::Int)
        return ClassifyQueryStatus(DisplayText(status));
    if (status.m_int == 1)
        return QueryResultClass::Correct;
    if (status.m_int > 1)
        return QueryResultClass::Repeated;
    return status.m_int < 0 ? QueryResultClass::Wrong : QueryResultClass::Other;
}

// SQLite: the rows counted per day, province and result as they are read. The rows of a
// day mostly come together and the provinces are few, so a row costs a lookup of its
// province and a count by number.
class RowCounter {
public:
    void Count(const FieldValue* cells)
    {
        const std::string_view dayText = DayOf(cells[0], m_dayBuffer);
        if (m_days.empty() || dayText != m_days[m_day]) {
            const auto [at, added] = m_dayNumber.try_emplace(std::string(dayText), m_days.size());
            if (added) {
                m_days.emplace_back(dayText);
                m_counts.emplace_back();
            }
            m_day = at->second;
        }
        const std::string& provinceText = CellText(cells[1], m_buffer);
        auto province = m_provinceNumber.find(provinceText);
        if (province == m_provinceNumber.end()) {
            province = m_provinceNumber.emplace(provinceText, m_provinces.size()).first;
            m_provinces.push_back(provinceText);
        }
        std::vector<ResultCounts>& ofDay = m_counts[m_day];
        if (province->second >= ofDay.size())
            ofDay.resize(m_provinces.size());
        ++ofDay[province->second][ClassOf(cells[2])];
    }

    void AppendGroups(std::vector<ChartGroup>& groups) const
    {
        for (std::size_t day = 0; day < m_counts.size(); ++day)
            for (std::size_t province = 0; province < m_counts[day].size(); ++province)
                for (std::size_t kind = 0; kind < 4; ++kind)
                    if (const long long count = m_counts[day][province].byClass[kind]; count > 0)
                        groups.push_back(
                            {m_days[day], m_provinces[province], static_cast<QueryResultClass>(kind), count});
    }

private:
    std::vector<std::string> m_days;
    std::unordered_map<std::string, std::size_t> m_dayNumber;
    std::vector<std::string> m_provinces;
    std::unordered_map<std::string, std::size_t> m_provinceNumber;
    std::vector<std::vector<ResultCounts>> m_counts; // by day number, then province number
    std::size_t m_day = 0;
    std::string m_dayBuffer;
    std::string m_buffer;
};

// The unary plus leaves the time as stored, but the column no longer declares DATETIME, so
// the data layer hands its text over without parsing it into a date; a cast would cost the
// engine a conversion per row.
const char* const kCountedColumns = "select +QueryTime as QueryTime,QueryProv,QueryStatus from QueryLogTable";

// The filter's condition for the days before the middle of its range and for the rest,
// false for a range of one day. Each half has one lower and one upper bound on QueryTime:
// the engine seeks both in the index, where a third bound would be tested row by row.
bool SplitRange(const StatsFilter& filter, std::string& earlier, std::string& later)
{
    const long long first = DaysFromCivil(filter.fromDate.year, filter.fromDate.month, filter.fromDate.day);
    const long long last = DaysFromCivil(filter.toDate.year, filter.toDate.month, filter.toDate.day);
    const std::string whole = filter.Condition();
    const std::string range = QueryFilter{filter.fromDate, filter.toDate, "", "", "", ""}.TimeRangeClause();
    if (last <= first || whole.compare(0, range.size(), range) != 0)
        return false;
    const std::string rest = whole.substr(range.size());
    const std::string middle = "#" + CivilFromDays(first + (last - first + 1) / 2) + " 0:0:0#";
    const std::size_t upper = range.find(" and QueryTime<");
    // A query at the middle's midnight falls in the later half, as it falls in the range.
    earlier = range.substr(0, upper) + " and QueryTime<" + middle + " " + rest;
    later = " where QueryTime>=" + middle + range.substr(upper) + rest;
    return true;
}

// The later half of a range counted on a connection of its own on another thread: with
// WAL, readers do not wait for each other, so on two cores the two halves take about half
// the time of the whole. Its connection never waits for a lock (the wait's hook repaints
// the window, which only the window's thread may do): should the read fail, Failed() says
// so and the caller counts that half itself.
class HelperCount {
public:
    // False when no second connection can be had (one core, a database in memory).
    bool Start(const CDbConnection& connection, const std::string& condition)
    {
        if (std::thread::hardware_concurrency() < 2 ||
            ConnectionString(connection.ConnectionString()).Get("Data Source") == ":memory:" ||
            !m_connection.Open(connection.ConnectionString() + ";Lock Timeout=0;", -1))
            return false;
        m_thread = std::thread([this, condition] {
            m_failed =
                ReadRows(m_connection, std::string(kCountedColumns) + " " + condition + " ", [this](const DbRow& row) {
                    m_counter.Count(&row.Field(0));
                    return true;
                }) < 0;
            m_finished.set_value();
        });
        return true;
    }

    // Waits for the count, repainting the window meanwhile as a long read does.
    void Finish()
    {
        while (m_done.wait_for(std::chrono::milliseconds(kLongestQuietMs)) == std::future_status::timeout)
            CallLockWaitHook();
        m_thread.join();
        m_connection.CloseIfOpen();
    }

    bool Failed() const { return m_failed; }
    const RowCounter& Counter() const { return m_counter; }

    ~HelperCount()
    {
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    static constexpr int kLongestQuietMs = 50;
    CDbConnection m_connection;
    RowCounter m_counter;
    bool m_failed = false;
    std::promise<void> m_finished;
    std::future<void> m_done = m_finished.get_future();
    std::thread m_thread;
};

ReadOutcome CountRowsHere(CDbConnection& connection, const StatsFilter& filter, ChartReaders readers,
                          std::vector<ChartGroup>& groups, std::string& errorText)
{
    RowCounter counter;
    const auto count = [&counter](const FieldValue* cells) { counter.Count(cells); };
    std::string earlier;
    std::string later;
    HelperCount helper;
    const bool split =
        readers == ChartReaders::Two && SplitRange(filter, earlier, later) && helper.Start(connection, later);
    ReadOutcome outcome =
        ScanQueryLog(connection, kCountedColumns, split ? earlier : filter.Condition(), count, errorText);
    if (split) {
        helper.Finish();
        if (outcome != ReadOutcome::Failed && helper.Failed())
            outcome = ScanQueryLog(connection, kCountedColumns, later, count, errorText);
    }
    if (outcome == ReadOutcome::Failed)
        return outcome;
    counter.AppendGroups(groups);
    if (split && !helper.Failed())
        helper.Counter().AppendGroups(groups);
    return outcome;
}

} // namespace

ReadOutcome ReadQueryChartData(CDbConnection& connection, const StatsFilter& filter, QueryChartData& data,
                               std::string& errorText, ChartReaders readers)
{
    std::vector<ChartGroup> groups;
    ReadOutcome outcome = ReadOutcome::Empty;
    if (connection.Provider() && connection.Provider()->Dialect() == SqlDialect::SQLite) {
        outcome = CountRowsHere(connection, filter, readers, groups, errorText);
    } else {
        CDbRecordset rows;
        rows.SetConnection(&connection);
        const int opened = rows.Open(QueryChartStatement(filter), 1, 3, 3);
        if (opened < 0) {
            errorText = connection.GetErrorsText();
            outcome = ReadOutcome::Failed;
        }
        const auto number = [&rows](const char* column) {
            std::string text;
            rows.GetFieldValue(column, text);
            return std::strtoll(text.c_str(), nullptr, 10);
        };
        for (; opened == 1 && !rows.IsEOF(); rows.MoveNext()) {
            ChartGroup group;
            rows.GetFieldValue("QueryDay", group.day);
            rows.GetFieldValue("QueryProv", group.province);
            long long other = number("Queries");
            for (const auto& [column, result] :
                 {std::pair{"Correct", QueryResultClass::Correct}, std::pair{"Repeated", QueryResultClass::Repeated},
                  std::pair{"Wrong", QueryResultClass::Wrong}}) {
                group.result = result;
                group.count = number(column);
                other -= group.count;
                if (group.count > 0)
                    groups.push_back(group);
            }
            // NULL and 0 (and nothing else) are counted by no filter.
            group.result = QueryResultClass::Other;
            group.count = other;
            if (other > 0)
                groups.push_back(std::move(group));
        }
        if (opened == 1)
            outcome = ReadOutcome::Rows;
    }
    if (outcome == ReadOutcome::Failed) {
        data = QueryChartData{};
        return outcome;
    }
    data = BuildChartData(filter, groups);
    return groups.empty() ? ReadOutcome::Empty : ReadOutcome::Rows;
}

std::string DescribeChart(const QueryChartData& data)
{
    if (data.total.Total() == 0)
        return "查询图表：无符合条件的记录。";
    std::string words = "查询图表，" + CountsInWords(data.total) + "。每日查询（无查询的日期不列）：";
    bool first = true;
    for (const DayCounts& day : data.days) {
        if (day.counts.Total() == 0)
            continue;
        words += (first ? "" : "；") + day.day + " " + CountsInWords(day.counts);
        first = false;
    }
    words += "。查询最多的省份：";
    first = true;
    for (const ProvinceCounts& province : data.provinces) {
        words += (first ? "" : "；") + (province.province.empty() ? std::string("未知地域") : province.province) + " " +
                 CountsInWords(province.counts);
        first = false;
    }
    return words + "。";
}
