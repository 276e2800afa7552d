#include "log_row_bounds.h"

#include "db_connection.h"
#include "db_provider.h"
#include "db_recordset.h"

#include <cstdlib>

namespace {

// Above this share of the log's row numbers, walking the log from its ends is cheaper.
constexpr double kWideRange = 0.3;

// The first row's number columns of a statement; false when it has no row or a column is
// NULL (no such row), Failed on an error.
ReadOutcome Numbers(CDbConnection& connection, const std::string& statement, std::int64_t& a, std::int64_t* b,
                    std::string& errorText)
{
    CDbRecordset read;
    read.SetConnection(&connection);
    const int opened = read.Open(statement, 1, 3, 3);
    if (opened < 0) {
        errorText = connection.GetErrorsText();
        return ReadOutcome::Failed;
    }
    if (opened == 0)
        return ReadOutcome::Empty;
    std::string text;
    if (!read.GetFieldValue("A", text) || text.empty())
        return ReadOutcome::Empty;
    a = std::strtoll(text.c_str(), nullptr, 10);
    if (b != nullptr) {
        if (!read.GetFieldValue("B", text) || text.empty())
            return ReadOutcome::Empty;
        *b = std::strtoll(text.c_str(), nullptr, 10);
    }
    return ReadOutcome::Rows;
}

} // namespace

ReadOutcome TimeRangeRowBounds(CDbConnection& connection, const std::string& range, std::int64_t& first,
                               std::int64_t& last, std::string& errorText)
{
    // The row numbers of the range's earliest and latest query: the index finds each at once.
    std::int64_t earliest = 0;
    std::int64_t latest = 0;
    ReadOutcome found =
        Numbers(connection, "select QueryIndex as A from QueryLogTable " + range + " order by QueryTime limit 1",
                earliest, nullptr, errorText);
    if (found != ReadOutcome::Rows)
        return found;
    found =
        Numbers(connection, "select QueryIndex as A from QueryLogTable " + range + " order by QueryTime desc limit 1",
                latest, nullptr, errorText);
    if (found != ReadOutcome::Rows)
        return found;
    // The log's own first and last numbers, each from the key at once (together in one
    // aggregate, SQLite would read the whole log for them).
    std::int64_t lowest = 0;
    std::int64_t highest = 0;
    found = Numbers(connection,
                    "select (select min(QueryIndex) from QueryLogTable) as A,"
                    "(select max(QueryIndex) from QueryLogTable) as B",
                    lowest, &highest, errorText);
    if (found != ReadOutcome::Rows)
        return found;

    const double spread = static_cast<double>(std::llabs(latest - earliest) + 1);
    const double span = static_cast<double>(highest - lowest + 1);
    if (spread < kWideRange * span) {
        return Numbers(connection, "select min(QueryIndex) as A,max(QueryIndex) as B from QueryLogTable " + range,
                       first, &last, errorText);
    }
    // SQLite, without statistics, would walk the time index for these and sort.
    const DbProvider* provider = connection.Provider();
    const std::string table =
        provider && provider->Dialect() == SqlDialect::SQLite ? "QueryLogTable not indexed " : "QueryLogTable ";
    found = Numbers(connection, "select QueryIndex as A from " + table + range + " order by QueryIndex limit 1", first,
                    nullptr, errorText);
    if (found != ReadOutcome::Rows)
        return found;
    return Numbers(connection, "select QueryIndex as A from " + table + range + " order by QueryIndex desc limit 1",
                   last, nullptr, errorText);
}
