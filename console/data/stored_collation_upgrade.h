#pragma once

#include <string>

struct sqlite3;

// Database files of earlier versions name the data layer's own collation in their tables,
// which no other SQLite program has: a gateway host of another author, or the sqlite3
// shell, could not write an indexed text column ("no such collation sequence"). This
// rewrites such tables to SQLite's NOCASE in one transaction and rebuilds every index
// whose keys NOCASE orders otherwise. db must have the collation registered.
//
// Answers true when the file needed nothing or was brought up to date; false with the
// reason when it could not be done now (another program holds the write lock, a
// read-only file). The file then keeps working for this data layer as it is.
bool UpgradeStoredCollation(sqlite3* db, std::string& error);
