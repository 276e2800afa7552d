#include "query_records.h"

#include "db_connection.h"
#include "db_error_text.h"
#include "db_provider.h"
#include "db_recordset.h"
#include "execute_sql.h"
#include "log_row_bounds.h"
#include "message_sink.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

constexpr std::int64_t kWindow = kQueryRecordsWindow;

bool ReadNumber(CDbRecordset& rows, const std::string& column, std::int64_t& value)
{
    std::string text;
    if (!rows.GetFieldValue(column, text) || text.empty())
        return false;
    value = std::strtoll(text.c_str(), nullptr, 10);
    return true;
}

bool RunShown(CDbConnection& connection, const std::string& statement)
{
    std::string errorText;
    if (RunSql(connection, statement, errorText))
        return true;
    ShowDatabaseError(connection);
    return false;
}

std::string Bounds(std::int64_t from, std::int64_t upTo)
{
    return " and QueryIndex>" + std::to_string(from) + " and QueryIndex<=" + std::to_string(upTo) + " ";
}

// How many rows the log holds, how many of them are listed, and the connection's data
// version (it changes when another connection commits), all from one snapshot.
struct LogCount {
    std::int64_t total = 0;
    std::int64_t listed = 0;
    std::int64_t version = 0;
    bool AllListed() const { return total == listed; }
};

bool CountLog(CDbConnection& connection, const QueryListing& listing, LogCount& count)
{
    CDbRecordset rows;
    rows.SetConnection(&connection);
    return rows.Open("select count(*) as Listed,(select count(*) from QueryLogTable) as Total,"
                     "(select data_version from pragma_data_version) as Version from QueryLogTable " +
                         listing.clause + Bounds(listing.from, listing.upTo),
                     1, 3, 3) == 1 &&
           ReadNumber(rows, "Listed", count.listed) && ReadNumber(rows, "Total", count.total) &&
           ReadNumber(rows, "Version", count.version);
}

bool ReadSingle(CDbConnection& connection, const std::string& statement, std::int64_t& value)
{
    CDbRecordset rows;
    rows.SetConnection(&connection);
    return rows.Open(statement, 1, 3, 3) == 1 && ReadNumber(rows, "Value", value);
}

enum class WholeLog { Cleared, NotAllListed, Failed };

// Empties the log in one transaction when every row of it is listed (SQLite only). A
// failure leaves the text the operator is to see in failure.
WholeLog ClearWholeLog(CDbConnection& connection, const QueryListing& listing, std::int64_t listedRows,
                       std::string& failure)
{
    const auto failed = [&connection, &failure] {
        failure = OperatorErrorText(connection);
        return WholeLog::Failed;
    };
    std::int64_t total = 0;
    if (!ReadSingle(connection, "select count(*) as Value from QueryLogTable", total))
        return failed();
    if (listedRows >= 0 && total > listedRows)
        return WholeLog::NotAllListed;
    // Counted before the write lock is taken, so that the host keeps writing meanwhile.
    LogCount counted;
    if (!CountLog(connection, listing, counted))
        return failed();
    if (!counted.AllListed())
        return WholeLog::NotAllListed;
    if (counted.total == 0)
        return WholeLog::Cleared;
    if (!connection.BeginTrans())
        return failed();
    // Another connection may have committed since the count (a row logged, one deleted):
    // then it is counted again, now that nobody else can write until the commit.
    std::int64_t version = 0;
    bool ok = ReadSingle(connection, "select data_version as Value from pragma_data_version", version);
    if (ok && version != counted.version)
        ok = CountLog(connection, listing, counted);
    if (ok && !counted.AllListed()) {
        connection.RollbackTrans();
        return WholeLog::NotAllListed;
    }
    // Overwriting every freed page with zeros (the secure delete some builds of the engine
    // turn on) would write the whole table again and hold the lock for seconds; the fast
    // mode still clears what stays in the pages kept, and leaves the freed pages as they
    // are until they are used again.
    std::int64_t secureDelete = 0;
    ok = ok && ReadSingle(connection, "select secure_delete as Value from pragma_secure_delete", secureDelete);
    const bool lowered = ok && secureDelete == 1 && connection.Provider()->ExecuteScript("PRAGMA secure_delete=FAST");
    std::string errorText;
    const bool cleared = ok && RunSql(connection, "delete from QueryLogTable", errorText) && connection.CommitTrans();
    if (!cleared) {
        failed();
        connection.RollbackTrans();
    }
    if (lowered)
        connection.Provider()->ExecuteScript("PRAGMA secure_delete=ON");
    return cleared ? WholeLog::Cleared : WholeLog::Failed;
}

// The same on a connection and thread of its own while the calling thread serves its window
// (betweenWindows): the engine frees a large log's pages in about a second, longer on a busy
// machine. Without a window to serve, or when no connection can be made, on the given one.
WholeLog ClearWholeLogBeside(CDbConnection& connection, const QueryListing& listing, std::int64_t listedRows,
                             const std::function<void()>& betweenWindows, std::string& failure)
{
    if (!betweenWindows)
        return ClearWholeLog(connection, listing, listedRows, failure);
    const std::string connectionString = connection.ConnectionString();
    std::atomic<bool> done{false};
    bool opened = false;
    WholeLog outcome = WholeLog::Failed;
    // The connection is made, used and closed (with its last checkpoint) on the thread.
    std::thread worker([&] {
        CDbConnection own;
        opened = own.Open(connectionString, -1);
        if (opened)
            outcome = ClearWholeLog(own, listing, listedRows, failure);
        done = true;
    });
    while (!done) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        betweenWindows();
    }
    worker.join();
    return opened ? outcome : ClearWholeLog(connection, listing, listedRows, failure);
}

} // namespace

ReadOutcome FindQueryRecordsRange(CDbConnection& connection, QueryListing& listing, std::string& errorText)
{
    listing.from = listing.upTo = 0;
    std::int64_t first = 0;
    std::int64_t last = 0;
    const ReadOutcome bounded = TimeRangeRowBounds(connection, listing.range, first, last, errorText);
    if (bounded != ReadOutcome::Rows)
        return bounded;
    listing.from = first - 1;
    listing.upTo = last;
    return ReadOutcome::Rows;
}

std::int64_t QueryRecordsWindowCount(const QueryListing& listing)
{
    return listing.upTo > listing.from ? (listing.upTo - listing.from + kWindow - 1) / kWindow : 0;
}

std::string QueryRecordsWindowSelect(const QueryListing& listing, std::int64_t window)
{
    const std::int64_t from = listing.from + window * kWindow;
    const std::int64_t to = std::min(listing.upTo, from + kWindow);
    return QueryLogSelect(listing.clause + Bounds(from, to) + "order by QueryIndex");
}

ReadOutcome ReadQueryRecordFields(CDbConnection& connection, QueryListing& listing, const QueryLogFieldsSink& sink,
                                  const std::function<void()>& betweenWindows, std::string& errorText)
{
    const ReadOutcome range = FindQueryRecordsRange(connection, listing, errorText);
    if (range != ReadOutcome::Rows)
        return range;
    bool any = false;
    for (std::int64_t window = 0; window < QueryRecordsWindowCount(listing); ++window) {
        const ReadOutcome outcome =
            ReadQueryLogFields(connection, QueryRecordsWindowSelect(listing, window), sink, errorText);
        if (outcome == ReadOutcome::Failed)
            return outcome;
        any = any || outcome == ReadOutcome::Rows;
        if (betweenWindows)
            betweenWindows();
    }
    return any ? ReadOutcome::Rows : ReadOutcome::Empty;
}

ReadOutcome ReadQueryRecords(CDbConnection& connection, QueryListing& listing, const QueryLogRowSink& sink,
                             const std::function<void()>& betweenWindows, std::string& errorText)
{
    return ReadQueryRecordFields(connection, listing, CopiedToRows(sink), betweenWindows, errorText);
}

bool DeleteQueryRecord(CDbConnection& connection, const std::string& indexText)
{
    return RunShown(connection,
                    "delete from QueryLogTable where QueryIndex=" + std::to_string(std::atoi(indexText.c_str())));
}

bool ClearQueryRecords(CDbConnection& connection, const QueryListing& listing, std::int64_t listedRows,
                       const std::function<void()>& betweenWindows, std::int64_t& clearedUpTo)
{
    using Clock = std::chrono::steady_clock;
    clearedUpTo = listing.from;
    const DbProvider* provider = connection.Provider();
    const bool sqlite = provider && provider->Dialect() == SqlDialect::SQLite;
    if (sqlite && listing.upTo > listing.from) {
        std::string failure;
        switch (ClearWholeLogBeside(connection, listing, listedRows, betweenWindows, failure)) {
        case WholeLog::Cleared:
            clearedUpTo = listing.upTo;
            return true;
        case WholeLog::Failed:
            CurrentMessageSink().Show(failure, ApplicationName(), MessageIcon::None);
            return false;
        case WholeLog::NotAllListed:
            break;
        }
    }
    // Without statistics SQLite walks the time index for a delete (a select ordered by
    // QueryIndex walks the key): every window would then step through the whole time
    // range. The window's key range is what bounds the work.
    const char* const table = sqlite ? "delete from QueryLogTable not indexed " : "delete from QueryLogTable ";
    std::int64_t window = kQueryClearWindow;
    Clock::time_point sincePause = Clock::now();
    for (std::int64_t from = listing.from; from < listing.upTo;) {
        const std::int64_t to = from + std::min(listing.upTo - from, window);
        const Clock::time_point start = Clock::now();
        if (!RunShown(connection, table + listing.clause + Bounds(from, to)))
            return false;
        clearedUpTo = from = to;
        // Aim the next window at the time goal, growing or shrinking at most fourfold so
        // that one odd window (a checkpoint, a busy disk) does not swing it far.
        const double tookMs = std::max(0.1, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        window = std::clamp(static_cast<std::int64_t>(static_cast<double>(window) * kQueryClearWindowMs / tookMs),
                            std::max<std::int64_t>(64, window / 4), window * 4);
        if (betweenWindows)
            betweenWindows();
        if (sqlite && from < listing.upTo &&
            Clock::now() - sincePause >= std::chrono::milliseconds(kQueryClearHoldMs)) {
            const Clock::time_point pause = Clock::now();
            while (Clock::now() - pause < std::chrono::milliseconds(kQueryClearPauseMs)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                if (betweenWindows)
                    betweenWindows();
            }
            sincePause = Clock::now();
        }
    }
    return true;
}
