#pragma once

#include "case_fold.h"

#include <sqlite3.h>

#include <fstream>
#include <string>

// What a benchmark over an existing database file asks before it starts, and the machine's
// load to print beside its figures.

// The first column of the first row of a statement on the file, "" when there is none.
inline std::string First(const std::string& path, const std::string& statement)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    // The log's texts compare through the console's case folding.
    RegisterFoldCollation(db);
    sqlite3_stmt* step = nullptr;
    std::string value;
    if (sqlite3_prepare_v2(db, statement.c_str(), -1, &step, nullptr) == SQLITE_OK &&
        sqlite3_step(step) == SQLITE_ROW && sqlite3_column_text(step, 0) != nullptr)
        value = reinterpret_cast<const char*>(sqlite3_column_text(step, 0));
    sqlite3_finalize(step);
    sqlite3_close(db);
    return value;
}

// The machine's load over the last minute, as /proc gives it.
inline std::string LoadAverage()
{
    std::ifstream file("/proc/loadavg");
    std::string oneMinute;
    file >> oneMinute;
    return oneMinute.empty() ? "unknown" : oneMinute;
}
