#include "sqlite_file_test.h"

#include "db_connection.h"
#include "db_recordset.h"

#include <sqlite3.h>

#include <stdlib.h>

#include <filesystem>

void SqliteFileTest::SetUp()
{
    char folder[] = "/tmp/varnholt-file-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    m_folder = folder;
    m_path = m_folder + "/Varnholt.db";
}

void SqliteFileTest::TearDown()
{
    if (!m_folder.empty())
        std::filesystem::remove_all(m_folder);
}

std::string SqliteFileTest::ConnectionString(const std::string& extra) const
{
    return "Provider=SQLite;Data Source=" + m_path + ";" + extra;
}

void SqliteFileTest::WritePlain(const std::string& sql, bool (*prepare)(sqlite3*))
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(m_path.c_str(), &db), SQLITE_OK);
    if (prepare && !prepare(db)) {
        sqlite3_close(db);
        FAIL() << "the plain handle could not be readied";
    }
    char* message = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message), SQLITE_OK) << (message ? message : "");
    sqlite3_free(message);
    sqlite3_close(db);
}

std::string SqliteFileTest::Scalar(CDbConnection& connection, const std::string& sql, const char* column)
{
    CDbRecordset rs;
    rs.SetConnection(&connection);
    std::string value = "<none>";
    if (rs.Open(sql, 1, 3, 3) == 1)
        rs.GetFieldValue(column, value);
    return value;
}
