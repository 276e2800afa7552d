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
// province, and the provinces are few: an open-addressed table keyed by the text's bytes held
// in two words (a province takes six or nine), found with a multiplication and a compare of
// words rather than calls that hash and compare byte by byte.
class TextNumbers {
public:
    // The text's number, a new one when it was not met before.
    std::size_t NumberOf(std::string_view text)
    {
        const Key key = KeyOf(text);
        for (std::size_t slot = Hash(key) & (m_slots.size() - 1);; slot = (slot + 1) & (m_slots.size() - 1)) {
            Slot& at = m_slots[slot];
            if (at.number == 0) {
                m_texts.emplace_back(text);
                at = {key, m_texts.size()};
                if (m_texts.size() * 2 > m_slots.size())
                    Grow();
                return m_texts.size() - 1;
            }
            if (at.key == key && (key.size <= kWordBytes || m_texts[at.number - 1] == text))
                return at.number - 1;
        }
    }

    std::size_t Size() const { return m_texts.size(); }
    const std::string& Text(std::size_t number) const { return m_texts[number]; }

private:
    static constexpr std::size_t kWordBytes = 16;

    // The text's size and bytes; a text of up to kWordBytes is told apart by these alone.
    struct Key {
        std::uint64_t low = 0;
        std::uint64_t high = 0;
        std::size_t size = 0;

        bool operator==(const Key&) const = default;
    };

    struct Slot {
        Key key;
        std::size_t number = 0; // one more than the text's number; 0 for a free slot
    };

    static Key KeyOf(std::string_view text)
    {
        Key key;
        key.size = text.size();
        const char* const bytes = text.data();
        if (key.size >= 8) {
            // The first eight bytes and the last eight of the first sixteen, overlapping
            // when fewer: with the size, that is every byte of a short text.
            std::memcpy(&key.low, bytes, 8);
            std::memcpy(&key.high, bytes + std::min(key.size, kWordBytes) - 8, 8);
        } else if (key.size >= 4) {
            std::uint32_t first = 0;
            std::uint32_t last = 0;
            std::memcpy(&first, bytes, 4);
            std::memcpy(&last, bytes + key.size - 4, 4);
            key.low = first | static_cast<std::uint64_t>(last) << 32;
        } else {
            for (std::size_t at = 0; at < key.size; ++at)
                key.low |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[at])) << (8 * at);
        }
        return key;
    }

    static std::uint64_t Hash(const Key& key)
    {
        const std::uint64_t hash =
            (key.low * 0x9e3779b97f4a7c15ull) ^ (key.high * 0xc2b2ae3d27d4eb4full) ^ (key.size * 0x165667b19e3779f9ull);
        return hash ^ (hash >> 32);
    }

    void Grow()
    {
        std::vector<Slot> slots(m_slots.size() * 2);
        for (const Slot& old : m_slots) {
            if (old.number == 0)
                continue;
            std::size_t slot = Hash(old.key) & (slots.size() - 1);
            while (slots[slot].number != 0)
                slot = (slot + 1) & (slots.size() - 1);
            slots[slot] = old;
        }
        m_slots = std::move(slots);
    }

    std::vector<std::string> m_texts;
    std::vector<Slot> m_slots = std::vector<Slot>(64);
};

// SQLite: the rows counted per day, province and result as they are read. The provinces are
// few, so a row costs a lookup of its province and a count by number; the engine's cells are
// looked at where they lie.
class RowCounter {
public:
    // The day of the rows counted next, when all of them fall on it.
    void SetDay(std::string_view day)
    {
        m_day = m_days.NumberOf(day);
        if (m_day == m_counts.size())
            m_counts.emplace_back();
    }

    // The cells are QueryProv and QueryStatus, then QueryTime when the rows' day is not set.
    void Count(const DbCells& cells)
    {
        if (cells.ColumnCount() > kTimeColumn)
            SetDay(DayOf(cells[kTimeColumn], m_dayBuffer));
        const std::size_t province = m_provinces.NumberOf(CellText(cells[0], m_buffer));
        std::vector<ResultCounts>& ofDay = m_counts[m_day];
        if (province >= ofDay.size())
            ofDay.resize(m_provinces.Size());
        ++ofDay[province][ClassOf(cells[1])];
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
    static constexpr std::size_t kTimeColumn = 2;

    TextNumbers m_days;
    TextNumbers m_provinces;
    std::vector<std::vector<ResultCounts>> m_counts; // by day number, then province number
    std::size_t m_day = 0;
    std::string m_dayBuffer;
    std::string m_buffer;
};

// Read as cells, nothing is parsed or copied; the time only where a piece of the range is no
// single day (it comes as the text stored).
const char* const kCountedColumns = "select QueryProv,QueryStatus from QueryLogTable";
const char* const kCountedColumnsAndTime = "select QueryProv,QueryStatus,QueryTime from QueryLogTable";

// A part of the filter's rows, read with a statement of its own.
struct RangePiece {
    std::string condition;
    std::string day; // the day all its rows fall on; empty when they may fall on several
};

// Beyond this many days a range is cut into this many pieces of several days each, whose rows
// then say their day: a statement for every day of a range of decades would cost more than
// reading the rows.
constexpr long long kMostPieces = 400;

// The filter's condition cut into its days, in order; together they select the rows of the
// whole, each once. Between two bare days ('2026-09-14' and '2026-09-15') lie exactly the
// times whose first ten characters are the first day, the day a row is counted on: so a
// piece's rows need not be asked for their time, which costs the engine a column and the
// counter a look at it per row. The first and last piece keep the range's own bounds; each
// has one lower and one upper bound on QueryTime, both sought in the index. Shared by two
// readers, the days keep both busy to the end however the queries are spread over them.
std::vector<RangePiece> RangePieces(const StatsFilter& filter)
{
    const long long first = DaysFromCivil(filter.fromDate.year, filter.fromDate.month, filter.fromDate.day);
    const long long last = DaysFromCivil(filter.toDate.year, filter.toDate.month, filter.toDate.day);
    const std::string whole = filter.Condition();
    const std::string range = QueryFilter{filter.fromDate, filter.toDate, "", "", "", ""}.TimeRangeClause();
    if (last < first || whole.compare(0, range.size(), range) != 0)
        return {{whole, ""}};
    const std::string rest = whole.substr(range.size());
    const std::size_t upper = range.find(" and QueryTime<");
    const long long days = last - first + 1;
    const long long count = std::min(days, kMostPieces);
    std::vector<RangePiece> pieces;
    for (long long piece = 0; piece < count; ++piece) {
        const long long begin = first + piece * days / count;
        const long long end = first + (piece + 1) * days / count; // the day after the piece
        const std::string from =
            piece == 0 ? range.substr(0, upper) : " where QueryTime>='" + CivilFromDays(begin) + "'";
        const std::string to =
            piece + 1 == count ? range.substr(upper) : " and QueryTime<'" + CivilFromDays(end) + "' ";
        pieces.push_back({from + to + rest, end - begin == 1 ? CivilFromDays(begin) : std::string()});
    }
    return pieces;
}

class PieceQueue {
public:
    explicit PieceQueue(std::vector<RangePiece> pieces) : m_pieces(std::move(pieces)) {}

    // The next piece nobody has taken, or nullptr.
    const RangePiece* Next()
    {
        const std::size_t piece = m_next.fetch_add(1);
        return piece < m_pieces.size() ? &m_pieces[piece] : nullptr;
    }

private:
    const std::vector<RangePiece> m_pieces;
    std::atomic<std::size_t> m_next{0};
};

// Counts a piece's rows on a connection, calling perRow() after each; false when the read
// fails.
template <typename PerRow>
bool CountPiece(CDbConnection& connection, const RangePiece& piece, RowCounter& counter, PerRow perRow)
{
    if (!piece.day.empty())
        counter.SetDay(piece.day);
    return ReadCells(connection,
                     std::string(piece.day.empty() ? kCountedColumnsAndTime : kCountedColumns) + piece.condition,
                     [&](const DbCells& cells) {
                         counter.Count(cells);
                         perRow();
                         return true;
                     }) >= 0;
}

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
            while (const RangePiece* piece = pieces.Next()) {
                m_taken.push_back(piece);
                if (!CountPiece(m_connection, *piece, m_counter, [] {})) {
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
    const std::vector<const RangePiece*>& Taken() const { return m_taken; }
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
    std::vector<const RangePiece*> m_taken;
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
    const auto count = [&](const RangePiece& piece) {
        if (CountPiece(connection, piece, counter, [&repaint] { repaint.Row(); }))
            return true;
        errorText = connection.GetErrorsText();
        return false;
    };
    PieceQueue pieces(RangePieces(filter));
    HelperCount helper;
    const bool shared = readers == ChartReaders::Two && helper.Start(connection, pieces);
    bool ok = true;
    for (const RangePiece* piece = pieces.Next(); ok && piece; piece = pieces.Next())
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
