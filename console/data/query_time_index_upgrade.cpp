#include "query_time_index_upgrade.h"

#include "sqlite_exec.h"

#include <sqlite3.h>

namespace {

// As the schema makes it (a test compares the two).
const char* const kQueryTimeIndexStatement =
    "CREATE INDEX QueryLogTable_QueryTime ON QueryLogTable (QueryTime, QueryProv, QueryStatus)";

// How many columns the log's time index has: 0 when there is no such index (a file
// without the log, or one whose owner dropped it: left alone), -1 on an error.
int IndexColumns(sqlite3* db, std::string& error)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db,
                           "select count(*) from sqlite_schema s, pragma_index_info(s.name) "
                           "where s.type='index' and s.name='QueryLogTable_QueryTime' and s.tbl_name='QueryLogTable'",
                           -1, &statement, nullptr) != SQLITE_OK) {
        error = sqlite3_errmsg(db);
        return -1;
    }
    int columns = -1;
    if (sqlite3_step(statement) == SQLITE_ROW)
        columns = sqlite3_column_int(statement, 0);
    else
        error = sqlite3_errmsg(db);
    sqlite3_finalize(statement);
    return columns;
}

} // namespace

bool UpgradeQueryTimeIndex(sqlite3* db, std::string& error)
{
    const int columns = IndexColumns(db, error);
    if (columns < 0)
        return false;
    if (columns != 1)
        return true;
    if (!SqliteExec(db, "begin immediate", error))
        return false;
    // Another program may have done it while this one waited for the lock.
    const int now = IndexColumns(db, error);
    bool ok = now >= 0;
    if (ok && now == 1)
        ok = SqliteExec(db, "drop index QueryLogTable_QueryTime", error) &&
             SqliteExec(db, kQueryTimeIndexStatement, error);
    if (ok && SqliteExec(db, "commit", error))
        return true;
    std::string ignored;
    SqliteExec(db, "rollback", ignored);
    return false;
}
