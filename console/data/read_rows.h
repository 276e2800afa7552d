#pragma once

#include "db_cells.h"
#include "db_row.h"

#include <string>

class CDbConnection;

// Runs a statement on connection and hands its rows to reader one at a time as the
// database produces them, so a result of millions of rows is never held whole (a
// CDbRecordset holds every row). The reader must not use the connection: until the read
// ends, its statements fail with an error. Answering false stops the read.
// Answers how many rows the reader got, or -1 when the statement failed, also after some
// rows were handed (they are then no complete result); the connection's errors say why.
long long ReadRows(CDbConnection& connection, const std::string& statement, const DbRowReader& reader);

// The same, each row's cells handed as the engine holds them, nothing copied (see DbCell).
long long ReadCells(CDbConnection& connection, const std::string& statement, const DbCellReader& reader);
