#include "sqlite_exec.h"

#include <sqlite3.h>

bool SqliteExec(sqlite3* db, const std::string& sql, std::string& error)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    error = message ? message : sqlite3_errmsg(db);
    sqlite3_free(message);
    return false;
}
