#pragma once

#include "db_error.h"

#include <string>
#include <vector>

class CDbConnection;

// What kind of trouble a failed statement ran into, as an operator needs to know it.
enum class DbTrouble {
    Busy = 0,         // another program holds a lock past the wait limit
    ReadOnly = 1,     // the file or the server refuses writes
    Disconnected = 2, // no connection, or the server went away
    DiskFull = 3,
    Conflict = 4, // the data clashes with rows the table holds
    Other = 5,
};

// The kind of the first error that tells one; Other when none does.
DbTrouble ClassifyDbErrors(const std::vector<DbError>& errors);

// The Chinese sentence an operator reads first, e.g. "数据库正忙……".
const char* DbTroubleSentence(DbTrouble trouble);

// The whole text of a failure box: the sentence, a blank line, then the engine's errors
// in the GetErrorsText() form. Just the sentence when the connection has no error text.
std::string OperatorErrorText(const CDbConnection& connection);
