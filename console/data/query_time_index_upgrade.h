#pragma once

#include <string>

struct sqlite3;

// Files of earlier versions index QueryLogTable by QueryTime alone; now the index also
// holds QueryProv and QueryStatus, so the charts count a range of the log from the index
// without reading the rows (about half the time on a million rows). The table keeps the
// same number of indexes, so writing the log costs about what it did. This replaces the old
// index in one transaction, only when the file still has it.
//
// Answers true when the file needed nothing or was brought up to date; false with the
// reason when it could not be done now (another program holds the write lock, a read-only
// file). The file then keeps working as it is, only the charts read more slowly.
bool UpgradeQueryTimeIndex(sqlite3* db, std::string& error);
