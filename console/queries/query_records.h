#pragma once

#include "query_log.h"

#include <cstdint>
#include <functional>
#include <string>

class CDbConnection;

// The part of the log a records list shows: the where clause of its last query and the
// highest QueryIndex it could have read. Rows logged later carry higher numbers, so
// clearing by both deletes what the operator saw and nothing logged since.
struct QueryListing {
    std::string clause;
    // A part of the clause an index can answer (the time range): the row numbers to read
    // are looked up by it first, so a day's rows are read without walking the whole log.
    std::string range;
    std::int64_t from = 0; // below the lowest row number there was
    std::int64_t upTo = 0;
};

// Row numbers per read: the window is served between reads, when no statement runs, so a
// read of this many rows at most is all it waits for.
inline constexpr std::int64_t kQueryRecordsWindow = 8192;
// Row numbers of the first delete. Later windows are sized by the time the last one took,
// so that each holds the write lock (and keeps the window from repainting) for about
// kQueryClearWindowMs, however fast the disk and however sparse the filter's rows.
inline constexpr std::int64_t kQueryClearWindow = 4096;
inline constexpr int kQueryClearWindowMs = 50;
// Another SQLite writer waiting for the lock (the gateway host) tries again every 100 ms
// once it has waited a while; the moment between two windows is far shorter than that, so
// back-to-back windows could keep it out for its whole busy timeout. After about this long
// of windows the lock is left free for a pause a writer's retry cannot miss.
inline constexpr int kQueryClearHoldMs = 1000;
inline constexpr int kQueryClearPauseMs = 110;

// Reads the rows of listing.clause in rising QueryIndex, a window of index values at a
// time; sink gets each row as the database gives it (it must not use the connection),
// betweenWindows runs after each window, when no statement runs (to serve a window).
// Sets listing's bounds. After a failure the rows the sink got are no result.
ReadOutcome ReadQueryRecords(CDbConnection& connection, QueryListing& listing, const QueryLogRowSink& sink,
                             const std::function<void()>& betweenWindows, std::string& errorText);
// The same, each row's fields handed as views (ReadQueryLogFields).
ReadOutcome ReadQueryRecordFields(CDbConnection& connection, QueryListing& listing, const QueryLogFieldsSink& sink,
                                  const std::function<void()>& betweenWindows, std::string& errorText);

// The parts of ReadQueryRecords, for readers that share the windows out: the listing's
// bounds (Rows when it has any), how many windows they span, and the select of one window
// (0 the oldest), its rows in rising QueryIndex.
ReadOutcome FindQueryRecordsRange(CDbConnection& connection, QueryListing& listing, std::string& errorText);
std::int64_t QueryRecordsWindowCount(const QueryListing& listing);
std::string QueryRecordsWindowSelect(const QueryListing& listing, std::int64_t window);

// Deletes one log row by the number of its index cell; true when the database did. A
// failure is shown to the operator.
bool DeleteQueryRecord(CDbConnection& connection, const std::string& indexText);

// Deletes the listed rows: those of the listing's clause up to its QueryIndex bound.
// listedRows is how many rows the list shows (negative: not known); a log of more rows than
// that cannot be all listed.
//
// On SQLite, when every row of the log is a listed row, the table is emptied by one delete
// without a condition, which frees its pages instead of deleting row by row. That is proved
// inside the write transaction of the delete (the log's count equals the count of its
// listed rows), so a row logged since, or one outside the filter, keeps the log from being
// emptied; the transaction holds the write lock for about the time the engine needs to free
// the pages. Given betweenWindows, that runs on a connection and thread of their own and
// betweenWindows is called every few milliseconds meanwhile.
//
// Otherwise, and on PostgreSQL, a window of row numbers per statement (each its own
// transaction), so the database's write lock is held briefly each time and betweenWindows
// can keep a window painting. No transaction spans the windows: nothing else may join one.
//
// clearedUpTo tells how far the deletes went: every listed row numbered up to it is gone,
// also when a later window failed. A failure is shown to the operator and answered false.
bool ClearQueryRecords(CDbConnection& connection, const QueryListing& listing, std::int64_t listedRows,
                       const std::function<void()>& betweenWindows, std::int64_t& clearedUpTo);
