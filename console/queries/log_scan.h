#pragma once

#include "query_log.h"

#include "db_cells.h"
#include "field_value.h"

#include <chrono>
#include <functional>
#include <string>

class CDbConnection;

// Hands a row's typed cells, in the order of the select's columns, to a counter; they are
// valid during the call only.
using LogScanSink = std::function<void(const FieldValue* cells)>;

// Reads the rows a condition selects from QueryLogTable, with the columns of select
// ("select A,B from QueryLogTable"), one at a time as the engine produces them, for
// counting them in place of a group by: on SQLite a group by over a million rows sorts them
// all by the folding collation, which takes several times as long as reading them. While
// the rows come, the lock-wait hook runs every few dozen milliseconds, so the window
// repaints as it does while a statement waits for a lock (nothing else runs: the
// connection is busy until the read ends).
ReadOutcome ScanQueryLog(CDbConnection& connection, const std::string& select, const std::string& condition,
                         const LogScanSink& sink, std::string& errorText);

// Calls the lock-wait hook, which repaints the window, when a read on the window's thread
// has kept it waiting for long: Row() once for every row read.
class RepaintWhileReading {
public:
    void Row()
    {
        if (++m_sinceLook == kRowsPerLook)
            Look();
    }

private:
    using Clock = std::chrono::steady_clock;
    // Rows between two looks at the clock, and the longest the window goes unpainted.
    static constexpr long long kRowsPerLook = 4096;
    static constexpr std::chrono::milliseconds kLongestQuiet{50};

    void Look();

    Clock::time_point m_lastPaint = Clock::now();
    long long m_sinceLook = 0;
};

// A cell as GetFieldValue gives it: display text without surrounding blanks, NULL as "".
std::string DisplayText(const FieldValue& value);
std::string DisplayText(const DbCell& cell);
