#include "query_records.h"

#include "db_connection.h"
#include "db_provider.h"
#include "db_recordset.h"
#include "execute_sql.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

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

} // namespace

ReadOutcome ReadQueryRecords(CDbConnection& connection, QueryListing& listing, const QueryLogRowSink& sink,
                             const std::function<void()>& betweenWindows, std::string& errorText)
{
    listing.from = listing.upTo = 0;
    std::int64_t first = 0;
    std::int64_t last = 0;
    {
        CDbRecordset range;
        range.SetConnection(&connection);
        const int opened = range.Open(
            "select min(QueryIndex) as FirstIndex,max(QueryIndex) as LastIndex from QueryLogTable " + listing.range, 1,
            3, 3);
        if (opened < 0) {
            errorText = connection.GetErrorsText();
            return ReadOutcome::Failed;
        }
        if (opened == 0 || !ReadNumber(range, "FirstIndex", first) || !ReadNumber(range, "LastIndex", last))
            return ReadOutcome::Empty;
    }
    listing.from = first - 1;
    listing.upTo = last;

    bool any = false;
    for (std::int64_t from = listing.from; from < last; from += kWindow) {
        const std::int64_t to = std::min(last, from + kWindow);
        const std::string window = listing.clause + " and QueryIndex>" + std::to_string(from) +
                                   " and QueryIndex<=" + std::to_string(to) + " order by QueryIndex";
        const ReadOutcome outcome = ReadQueryLogRows(connection, QueryLogSelect(window), sink, errorText);
        if (outcome == ReadOutcome::Failed)
            return outcome;
        any = any || outcome == ReadOutcome::Rows;
        if (betweenWindows)
            betweenWindows();
    }
    return any ? ReadOutcome::Rows : ReadOutcome::Empty;
}

bool DeleteQueryRecord(CDbConnection& connection, const std::string& indexText)
{
    return RunShown(connection,
                    "delete from QueryLogTable where QueryIndex=" + std::to_string(std::atoi(indexText.c_str())));
}

bool ClearQueryRecords(CDbConnection& connection, const QueryListing& listing,
                       const std::function<void()>& betweenWindows, std::int64_t& clearedUpTo)
{
    using Clock = std::chrono::steady_clock;
    // Without statistics SQLite walks the time index for a delete (a select ordered by
    // QueryIndex walks the key): every window would then step through the whole time
    // range. The window's key range is what bounds the work.
    const DbProvider* provider = connection.Provider();
    const char* const table = provider && provider->Dialect() == SqlDialect::SQLite
                                  ? "delete from QueryLogTable not indexed "
                                  : "delete from QueryLogTable ";
    clearedUpTo = listing.from;
    std::int64_t window = kQueryClearWindow;
    for (std::int64_t from = listing.from; from < listing.upTo;) {
        const std::int64_t to = from + std::min(listing.upTo - from, window);
        const Clock::time_point start = Clock::now();
        if (!RunShown(connection, table + listing.clause + " and QueryIndex>" + std::to_string(from) +
                                      " and QueryIndex<=" + std::to_string(to) + " "))
            return false;
        clearedUpTo = from = to;
        // Aim the next window at the time goal, growing or shrinking at most fourfold so
        // that one odd window (a checkpoint, a busy disk) does not swing it far.
        const double tookMs = std::max(0.1, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        window = std::clamp(static_cast<std::int64_t>(static_cast<double>(window) * kQueryClearWindowMs / tookMs),
                            std::max<std::int64_t>(64, window / 4), window * 4);
        if (betweenWindows)
            betweenWindows();
    }
    return true;
}
