#include "database_setup.h"

#include "connection_target.h"
#include "demo_data.h"
#include "one_line.h"

#include "db_connection.h"
#include "db_recordset.h"
#include "execute_sql.h"
#include "schema.h"
#include "text_util.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void RemoveSqliteFiles(const std::string& path)
{
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        ::unlink((path + suffix).c_str());
}

// Counts the user tables of a server database.
int CountTables(CDbConnection& connection, std::string& error)
{
    CDbRecordset recordset;
    recordset.SetConnection(&connection);
    const int opened = recordset.Open("select count(*) as TableCount from information_schema.tables "
                                      "where table_schema not in ('pg_catalog','information_schema')",
                                      1, 3, 3);
    std::string count;
    if (opened != 1 || !recordset.GetFieldValue("TableCount", count)) {
        error = "cannot list the tables: " + OneLine(connection.GetErrorsText());
        return -1;
    }
    return std::atoi(count.c_str());
}

} // namespace

DatabaseSetup::DatabaseSetup(const ConnectionTarget& target, const Clock& clock) : m_target(target), m_clock(clock) {}

bool DatabaseSetup::Run(std::string& error)
{
    bool newFile = false;
    if (m_target.IsSqlite()) {
        const std::string& path = m_target.SqlitePath();
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0) {
            if (S_ISDIR(info.st_mode)) {
                error = path + " is a directory";
                return false;
            }
            if (info.st_size > 0 && !m_force) {
                error = path + " already exists and is not empty; use --force to replace its tables";
                return false;
            }
            newFile = info.st_size == 0;
        } else if (errno == ENOENT) {
            newFile = true;
        } else {
            error = "cannot use " + path + ": " + std::strerror(errno);
            return false;
        }
    }

    // A new file is built under another name and renamed into place when complete, so an
    // interrupted run (killed during the demo data) leaves no half-filled database that a
    // second run would refuse.
    const std::string building = newFile ? m_target.SqlitePath() + ".building-" + std::to_string(::getpid()) : "";
    const std::string connectionString =
        newFile ? "Provider=SQLite;Data Source=" + building + ";Create=true;" : m_target.ConnectionString();
    if (newFile)
        RemoveSqliteFiles(building);
    bool ok = false;
    {
        CDbConnection connection;
        if (!connection.Open(connectionString, -1)) {
            const std::string reason = OneLine(connection.GetErrorsText());
            error = "cannot open " + m_target.Description() + (reason.empty() ? "" : ": " + reason);
        } else {
            ok = RunOn(connection, error);
        }
        connection.CloseIfOpen();
    }
    if (ok && newFile && ::rename(building.c_str(), m_target.SqlitePath().c_str()) != 0) {
        error = "cannot create " + m_target.SqlitePath() + ": " + std::strerror(errno);
        ok = false;
    }
    if (newFile)
        RemoveSqliteFiles(building);
    return ok;
}

bool DatabaseSetup::RunOn(CDbConnection& connection, std::string& error)
{
    if (!m_target.IsSqlite()) {
        const int tables = CountTables(connection, error);
        if (tables < 0)
            return false;
        if (tables > 0 && !m_force) {
            error = m_target.Description() + " already has tables; use --force to replace them";
            return false;
        }
        CDbRecordset ctype;
        ctype.SetConnection(&connection);
        std::string name;
        if (ctype.Open("select datctype as CharacterType from pg_database where datname=current_database()", 1, 3, 3) ==
                1 &&
            ctype.GetFieldValue("CharacterType", name) && ToLowerAscii(name).find("utf") == std::string::npos)
            m_note = "the database's character type is " + name +
                     ", so only ASCII letters compare without regard to case there (SQLite folds every letter); "
                     "create it with LC_CTYPE 'C.UTF-8' for the same behaviour";
    }

    // Tables, cities and demo data are one transaction: a run that fails or is killed half
    // way leaves the database as it was, so the same command can simply be repeated.
    if (!connection.BeginTrans()) {
        error = "cannot start a transaction: " + OneLine(connection.GetErrorsText());
        return false;
    }
    if (!Fill(connection, error)) {
        connection.RollbackTrans();
        return false;
    }
    if (!connection.CommitTrans()) {
        error = "cannot commit the new tables: " + OneLine(connection.GetErrorsText());
        connection.RollbackTrans();
        return false;
    }
    return true;
}

bool DatabaseSetup::Fill(CDbConnection& connection, std::string& error)
{
    std::string schemaError;
    if (!CreateSchema(connection, schemaError, m_force)) {
        error = "cannot create the tables: " + OneLine(schemaError);
        return false;
    }
    {
        // The cities are built into the data library; a build without them is of no use.
        CDbRecordset cities;
        cities.SetConnection(&connection);
        if (cities.Open("select CityName from AddressTable", 1, 3, 3) != 1) {
            error = "this build carries no AddressTable data";
            return false;
        }
    }
    if (m_demo) {
        DemoData demo(connection, m_clock);
        demo.SetQueryCount(m_queryCount);
        if (!demo.Fill(error))
            return false;
    }
    return true;
}
