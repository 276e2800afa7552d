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
    std::int64_t upTo = 0;
};

// Reads the rows of listing.clause in rising QueryIndex, a window of index values at a
// time so that a log of millions of rows never sits in memory twice; sink gets each row,
// betweenWindows runs after each window (to keep a window painting). Sets listing.upTo.
ReadOutcome ReadQueryRecords(CDbConnection& connection, QueryListing& listing, const QueryLogRowSink& sink,
                             const std::function<void()>& betweenWindows, std::string& errorText);

// Deletes one log row by the number of its index cell; true when the database did. A
// failure is shown to the operator.
bool DeleteQueryRecord(CDbConnection& connection, const std::string& indexText);

// Deletes the listed rows: those of the listing's clause up to its QueryIndex bound. A
// failure is shown to the operator and answered false.
bool ClearQueryRecords(CDbConnection& connection, const QueryListing& listing);
