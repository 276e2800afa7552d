#pragma once

#include "query_log.h"

#include "field_value.h"

#include <functional>
#include <string>

class CDbConnection;
class DbResult;

// Hands a row's typed cells to a counter: the result and the row within it.
using LogScanSink = std::function<void(const DbResult& rows, std::size_t row)>;

// Reads the rows a condition selects from QueryLogTable, with the columns of select
// ("select A,B from QueryLogTable"), in windows of row numbers, for counting them in
// place of a group by: on SQLite a group by over a million rows sorts them all, which
// takes several times as long as reading them. range is the part of the condition an
// index answers (the time range): the window bounds are looked up by it first.
// betweenWindows runs after each window (to keep a window painting).
ReadOutcome ScanQueryLog(CDbConnection& connection, const std::string& select, const std::string& condition,
                         const std::string& range, const LogScanSink& sink, const std::function<void()>& betweenWindows,
                         std::string& errorText);

// A cell as GetFieldValue gives it: display text without surrounding blanks, NULL as "".
std::string DisplayText(const FieldValue& value);
