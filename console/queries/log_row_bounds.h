#pragma once

#include "query_log.h"

#include <cstdint>
#include <string>

class CDbConnection;

// The lowest and highest QueryIndex of the log's rows in a time range, which bound the
// windows of row numbers a listing is read in. range is a where clause on QueryTime alone
// (QueryFilter::TimeRangeClause). Empty when no row lies in the range; Failed with the
// database's error text.
//
// The cheaper of two exact ways is taken. Walking the range's entries in the time index
// costs a look at every entry, about twice what reading the rows themselves does: for a
// range over most of the log, the log is walked in row order from either end instead, up
// to the first row of the range, which costs the rows outside it. Which one is taken goes
// by how many row numbers lie between the range's earliest and latest query (two seeks in
// the index): only the cost depends on it, not the answer, so a log whose times are not in
// row order is still bounded right.
ReadOutcome TimeRangeRowBounds(CDbConnection& connection, const std::string& range, std::int64_t& first,
                               std::int64_t& last, std::string& errorText);
