#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>

class CDbConnection;

// The standard statement of the query pages over QueryLogTable, with a where clause.
std::string QueryLogSelect(const std::string& clause);

// One log row as the lists show it, every field as display text.
struct QueryLogRow {
    std::string index;
    std::string time;
    std::string phone;
    std::string productId;
    std::string productCode;
    std::string realCode;
    std::string status;
    std::string comm;
    std::string province;
    std::string city;
};

// What a read found. A failure is never taken for an empty result.
enum class ReadOutcome { Failed = -1, Empty = 0, Rows = 1 };

using QueryLogRowSink = std::function<void(const QueryLogRow&)>;

// One log row's fields, in QueryLogRow's order, as the same display texts; they are valid
// during the call only (they point into the engine's buffers where its text serves as is).
using QueryLogFields = std::array<std::string_view, 10>;
using QueryLogFieldsSink = std::function<void(const QueryLogFields&)>;

// A fields sink that copies each row into a QueryLogRow for sink.
QueryLogFieldsSink CopiedToRows(QueryLogRowSink sink);

// As ReadQueryLogRows, without copying a field into a string of its own.
ReadOutcome ReadQueryLogFields(CDbConnection& connection, const std::string& statement, const QueryLogFieldsSink& sink,
                               std::string& errorText);

// Runs a select of QueryLogSelect's columns and hands every row to sink as the database
// gives it, in its order; no result is held whole. The sink must not use the connection
// (its statements fail until the read ends). On failure the database's error text is put
// into errorText; the sink may have had rows before it, which then are no result.
ReadOutcome ReadQueryLogRows(CDbConnection& connection, const std::string& statement, const QueryLogRowSink& sink,
                             std::string& errorText);

// Shows the connection's last failure to the operator the way ExecuteSql does: a Chinese
// sentence first, the database's own text after it.
void ShowDatabaseError(const CDbConnection& connection);
