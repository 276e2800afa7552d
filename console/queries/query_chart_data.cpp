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
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <map>
#include <string_view>
#include <thread>
#include <vector>

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

long long DayNumber(const CalendarDate& date)
{
    return DaysFromCivil(date.year, date.month, date.day);
}

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
std::string_view CellText(const DbCell& cell, std::string& buffer)
{
    if (cell.kind == DbCell::Kind::Text && !cell.text.empty() && cell.text.front() != ' ' && cell.text.back() != ' ' &&
        cell.text != "NULL")
        return cell.text;
    buffer = DisplayText(cell);
    return buffer;
}

// The day of a time cell: its first ten characters, as substr(QueryTime,1,10) gives them,
// without a copy for the usual "YYYY-MM-DD HH:MM:SS". Cut here rather than by the engine:
// SQLite's substr costs about as much as reading the row.
std::string_view DayOf(const DbCell& time, std::string& buffer)
{
    if (time.kind != DbCell::Kind::Text)
        return buffer = DisplayText(time).substr(0, 10);
    const std::string_view text = time.text;
    std::size_t bytes = 0;
    for (int characters = 0; characters < 10 && bytes < text.size(); ++characters)
        for (++bytes; bytes < text.size() && (static_cast<unsigned char>(text[bytes]) & 0xc0) == 0x80;)
            ++bytes;
    const std::string_view day = text.substr(0, bytes);
    if (!day.empty() && day.front() != ' ' && day.back() != ' ' && day != "NULL")
        return day;
    buffer = day == "NULL" ? std::string() : TrimBlanks(day);
    return buffer;
}

QueryResultClass ClassOf(const DbCell& status)
{
    if (status.kind != DbCell::Kind::Int)
        return ClassifyQueryStatus(DisplayText(status));
    if (status.integer == 1)
        return QueryResultClass::Correct;
    if (status.integer > 1)
        return QueryResultClass::Repeated;
    return status.integer < 0 ? QueryResultClass::Wrong : QueryResultClass::Other;
}

// Numbers texts in the order they are first met. A row of the log costs a lookup of its
// province, and the provinces are few: an open-addressed table of numbers, hashed over the
// text's bytes, finds one with a multiplication and a compare.
class TextNumbers {
public:
    // The text's number, a new one when it was not met before.
    std::size_t NumberOf(std::string_view text)
    {
        const std::uint64_t hash = Hash(text);
        for (std::size_t slot = hash & (m_slots.size() - 1);; slot = (slot + 1) & (m_slots.size() - 1)) {
            Slot& at = m_slots[slot];
            if (at.number == 0) {
                m_texts.emplace_back(text);
                at = {hash, m_texts.size()};
                if (m_texts.size() * 2 > m_slots.size())
                    Grow();
                return m_texts.size() - 1;
            }
            if (at.hash == hash && m_texts[at.number - 1] == text)
                return at.number - 1;
        }
    }

    std::size_t Size() const { return m_texts.size(); }
    const std::string& Text(std::size_t number) const { return m_texts[number]; }

private:
    struct Slot {
        std::uint64_t hash = 0;
        std::size_t number = 0; // one more than the text's number; 0 for a free slot
    };

    static std::uint64_t Hash(std::string_view text)
    {
        std::uint64_t hash = 0xcbf29ce484222325ull; // FNV-1a
        for (const char c : text)
            hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ull;
        return hash ^ (hash >> 29);
    }

    void Grow()
    {
        std::vector<Slot> slots(m_slots.size() * 2);
        for (const Slot& old : m_slots) {
            if (old.number == 0)
                continue;
            std::size_t slot = old.hash & (slots.size() - 1);
            while (slots[slot].number != 0)
                slot = (slot + 1) & (slots.size() - 1);
            slots[slot] = old;
        }
        m_slots = std::move(slots);
    }

    std::vector<std::string> m_texts;
    std::vector<Slot> m_slots = std::vector<Slot>(64);
};

// SQLite: the rows counted per day, province and result as they are read. The rows of a
// day mostly come together and the provinces are few, so a row costs a lookup of its
// province and a count by number; the engine's cells are looked at where they lie.
class RowCounter {
public:
    void Count(const DbCells& cells)
    {
        if (!SameDay(cells[0])) {
            m_day = m_days.NumberOf(DayOf(cells[0], m_dayBuffer));
            if (m_day == m_counts.size())
                m_counts.emplace_back();
            m_plainDay = IsPlainDay(m_days.Text(m_day));
        }
        const std::size_t province = m_provinces.NumberOf(CellText(cells[1], m_buffer));
        std::vector<ResultCounts>& ofDay = m_counts[m_day];
        if (province >= ofDay.size())
            ofDay.resize(m_provinces.Size());
        ++ofDay[province][ClassOf(cells[2])];
    }

    void AppendGroups(std::vector<ChartGroup>& groups) const
    {
        for (std::size_t day = 0; day < m_counts.size(); ++day)
            for (std::size_t province = 0; province < m_counts[day].size(); ++province)
                for (std::size_t kind = 0; kind < 4; ++kind)
                    if (const long long count = m_counts[day][province].byClass[kind]; count > 0)
                        groups.push_back(
                            {m_days.Text(day), m_provinces.Text(province), static_cast<QueryResultClass>(kind), count});
    }

private:
    static constexpr std::size_t kDayBytes = 10; // "YYYY-MM-DD"

    // Ten characters of ASCII that DayOf gives as they are: a time that begins with them has
    // this day, whatever follows.
    static bool IsPlainDay(std::string_view day)
    {
        return day.size() == kDayBytes && day.front() != ' ' && day.back() != ' ' &&
               std::all_of(day.begin(), day.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    }

    // Whether a time falls on the day of the row before, told without cutting it: the rows
    // come in time order, so mostly it does.
    bool SameDay(const DbCell& time) const
    {
        return m_plainDay && time.kind == DbCell::Kind::Text && time.text.size() >= kDayBytes &&
               std::memcmp(time.text.data(), m_days.Text(m_day).data(), kDayBytes) == 0;
    }

    TextNumbers m_days;
    bool m_plainDay = false; // the day of m_day is a plain day
    TextNumbers m_provinces;
    std::vector<std::vector<ResultCounts>> m_counts; // by day number, then province number
    std::size_t m_day = 0;
    std::string m_dayBuffer;
    std::string m_buffer;
};

// Read as cells, the time comes as the text stored, never parsed into a date.
const char* const kCountedColumns = "select QueryTime,QueryProv,QueryStatus from QueryLogTable";

// The filter's condition cut into at most most pieces of whole days, in time order; together
// they select the rows of the whole, each once. Each piece has one lower and one upper bound
// on QueryTime: the engine seeks both in the index, where a third bound would be tested row
// by row. The whole condition alone for a range of one day.
std::vector<std::string> RangePieces(const StatsFilter& filter, long long most)
{
    const long long first = DaysFromCivil(filter.fromDate.year, filter.fromDate.month, filter.fromDate.day);
    const long long last = DaysFromCivil(filter.toDate.year, filter.toDate.month, filter.toDate.day);
    const std::string whole = filter.Condition();
    const std::string range = QueryFilter{filter.fromDate, filter.toDate, "", "", "", ""}.TimeRangeClause();
    if (last <= first || most < 2 || whole.compare(0, range.size(), range) != 0)
        return {whole};
    const std::string rest = whole.substr(range.size());
    const std::size_t upper = range.find(" and QueryTime<");
    const long long days = last - first + 1;
    const long long count = std::min(days, most);
    std::vector<std::string> pieces;
    std::string lower = range.substr(0, upper);
    for (long long piece = 1; piece < count; ++piece) {
        // A query at the cut's midnight falls in the later piece, as it falls in the range.
        const std::string cut = "#" + CivilFromDays(first + piece * days / count) + " 0:0:0#";
        pieces.push_back(lower + " and QueryTime<" + cut + " " + rest);
        lower = " where QueryTime>=" + cut;
    }
    pieces.push_back(lower + range.substr(upper) + rest);
    return pieces;
}

// Pieces of the range are handed to whichever reader asks next, so the two readers finish
// together however the queries are spread over the days (a log grows, the demo's goods sell
// more in later weeks) and whichever of them the machine serves less. Small enough that the
// last piece keeps one reader alone only briefly, few enough that starting each costs nothing.
constexpr long long kRangePieces = 32;

class PieceQueue {
public:
    explicit PieceQueue(std::vector<std::string> pieces) : m_pieces(std::move(pieces)) {}

    // The next piece nobody has taken, or nullptr.
    const std::string* Next()
    {
        const std::size_t piece = m_next.fetch_add(1);
        return piece < m_pieces.size() ? &m_pieces[piece] : nullptr;
    }

private:
    const std::vector<std::string> m_pieces;
    std::atomic<std::size_t> m_next{0};
};

// Pieces of a range counted on a connection of its own on another thread: with WAL, readers
// do not wait for each other, so on two cores two readers take about half the time of one.
// Its connection never waits for a lock (the wait's hook repaints the window, which only the
// window's thread may do): should a read fail, the helper stops, Failed() says so and Taken()
// gives the pieces it took, for the caller to count itself.
class HelperCount {
public:
    // False when no second connection can be had (one core, a database in memory).
    bool Start(const CDbConnection& connection, PieceQueue& pieces)
    {
        if (std::thread::hardware_concurrency() < 2 ||
            ConnectionString(connection.ConnectionString()).Get("Data Source") == ":memory:" ||
            !m_connection.Open(connection.ConnectionString() + ";Lock Timeout=0;", -1))
            return false;
        m_thread = std::thread([this, &pieces] {
            while (const std::string* piece = pieces.Next()) {
                m_taken.push_back(piece);
                if (ReadCells(m_connection, std::string(kCountedColumns) + *piece, [this](const DbCells& row) {
                        m_counter.Count(row);
                        return true;
                    }) < 0) {
                    m_failed = true;
                    break;
                }
            }
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
    const std::vector<const std::string*>& Taken() const { return m_taken; }
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
    std::vector<const std::string*> m_taken;
    bool m_failed = false;
    std::promise<void> m_finished;
    std::future<void> m_done = m_finished.get_future();
    std::thread m_thread;
};

// False, with the database's error, when a read fails.
bool CountRowsHere(CDbConnection& connection, const StatsFilter& filter, ChartReaders readers,
                   std::vector<ChartGroup>& groups, std::string& errorText)
{
    RowCounter counter;
    RepaintWhileReading repaint;
    const auto count = [&](const std::string& condition) {
        if (ReadCells(connection, kCountedColumns + condition, [&](const DbCells& cells) {
                counter.Count(cells);
                repaint.Row();
                return true;
            }) >= 0)
            return true;
        errorText = connection.GetErrorsText();
        return false;
    };
    PieceQueue pieces(RangePieces(filter, readers == ChartReaders::Two ? kRangePieces : 1));
    HelperCount helper;
    const bool shared = readers == ChartReaders::Two && helper.Start(connection, pieces);
    bool ok = true;
    for (const std::string* piece = pieces.Next(); ok && piece; piece = pieces.Next())
        ok = count(*piece);
    if (shared) {
        helper.Finish();
        // What the helper counted of a piece it could not finish is no count: its pieces are
        // counted here instead.
        if (helper.Failed())
            for (std::size_t taken = 0; ok && taken < helper.Taken().size(); ++taken)
                ok = count(*helper.Taken()[taken]);
    }
    if (!ok)
        return false;
    counter.AppendGroups(groups);
    if (shared && !helper.Failed())
        helper.Counter().AppendGroups(groups);
    return true;
}

} // namespace

ReadOutcome ReadQueryChartData(CDbConnection& connection, const StatsFilter& filter, QueryChartData& data,
                               std::string& errorText, ChartReaders readers)
{
    std::vector<ChartGroup> groups;
    ReadOutcome outcome = ReadOutcome::Empty;
    if (connection.Provider() && connection.Provider()->Dialect() == SqlDialect::SQLite) {
        if (!CountRowsHere(connection, filter, readers, groups, errorText))
            outcome = ReadOutcome::Failed;
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
