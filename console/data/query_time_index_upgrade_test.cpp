#include "db_connection.h"
#include "db_recordset.h"
#include "schema.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <stdlib.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

const char* const kNewIndex =
    "CREATE INDEX QueryLogTable_QueryTime ON QueryLogTable (QueryTime, QueryProv, QueryStatus)";

// The tables as earlier versions made them: the log's time index on QueryTime alone.
std::string EarlierSchema()
{
    std::string script = SchemaScript(SqlDialect::SQLite);
    const std::size_t at = script.find(kNewIndex);
    if (at != std::string::npos)
        script.replace(at, std::string(kNewIndex).size(),
                       "CREATE INDEX QueryLogTable_QueryTime ON QueryLogTable (QueryTime)");
    return script;
}

const char* const kRows = "insert into QueryLogTable (QueryTime,QueryStatus,QueryProv,ProductName) values "
                          "('2026-01-05 10:00:00',1,'江苏','甲'),('2026-01-05 11:00:00',-1,'浙江','甲'),('2026-01-06 "
                          "09:00:00',3,'江苏','乙');";

class QueryTimeIndexUpgradeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char folder[] = "/tmp/time-index-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        m_folder = folder;
        m_path = m_folder + "/Varnholt.db";
    }
    void TearDown() override { fs::remove_all(m_folder); }

    // Runs sql on the file with a plain sqlite3 handle, as an earlier version or another program would.
    void Write(const std::string& sql)
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(m_path.c_str(), &db), SQLITE_OK);
        char* message = nullptr;
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message), SQLITE_OK) << (message ? message : "");
        sqlite3_free(message);
        sqlite3_close(db);
    }

    std::string Text(CDbConnection& connection, const std::string& sql)
    {
        CDbRecordset rs;
        rs.SetConnection(&connection);
        std::string value = "<none>";
        if (rs.Open(sql, 1, 3, 3) == 1)
            rs.GetFieldValue("V", value);
        return value;
    }

    // The rows' cells of one column joined by '|', read with a plain sqlite3 handle.
    std::string Plain(const std::string& sql, int column = 0)
    {
        sqlite3* db = nullptr;
        std::string out;
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_open(m_path.c_str(), &db) == SQLITE_OK &&
            sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK)
            while (sqlite3_step(statement) == SQLITE_ROW) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
                out += (out.empty() ? "" : "|") + std::string(text ? text : "");
            }
        sqlite3_finalize(statement);
        sqlite3_close(db);
        return out;
    }

    std::string ConnectionString(const std::string& extra = {}) const
    {
        return "Provider=SQLite;Data Source=" + m_path + ";" + extra;
    }

    std::string m_folder, m_path;
};

const char* const kIndexSql = "select sql as V from sqlite_schema where name='QueryLogTable_QueryTime'";
const char* const kLog = "select group_concat(QueryTime||' '||QueryStatus||' '||QueryProv,'|') as V from QueryLogTable";

} // namespace

// A file of an earlier version gets the index a new file has, keeps its rows, and the
// charts' read of a range is then answered from the index alone.
TEST_F(QueryTimeIndexUpgradeTest, EarlierFileGetsTheNewIndexOnOpen)
{
    Write(EarlierSchema() + kRows);
    CDbConnection console;
    ASSERT_TRUE(console.Open(ConnectionString(), -1)) << console.GetErrorsText();
    EXPECT_EQ(Text(console, kIndexSql), kNewIndex);
    EXPECT_EQ(Text(console, kLog), "2026-01-05 10:00:00 1 江苏|2026-01-05 11:00:00 -1 浙江|2026-01-06 09:00:00 3 江苏");
    EXPECT_EQ(Text(console, "select count(*) as V from QueryLogTable where QueryTime>'2026-01-05 10:30:00'"), "2");
    console.CloseIfOpen();
    EXPECT_NE(Plain("explain query plan select QueryTime,QueryProv,QueryStatus from QueryLogTable "
                    "where QueryTime>'2026-01-01' and QueryTime<'2026-02-01'",
                    3)
                  .find("COVERING INDEX QueryLogTable_QueryTime"),
              std::string::npos);
    EXPECT_EQ(Plain("pragma integrity_check"), "ok");

    // A new file has the same index, so the next open has nothing to do.
    CDbConnection maker;
    const std::string fresh = m_folder + "/New.db";
    ASSERT_TRUE(maker.Open("Provider=SQLite;Data Source=" + fresh + ";Create=1;", -1));
    std::string error;
    ASSERT_TRUE(CreateSchema(maker, error)) << error;
    EXPECT_EQ(Text(maker, kIndexSql), kNewIndex);
}

// While another program holds the write lock the old index stays and the file works as it
// is; the next open replaces it. A file whose owner dropped the index is left alone.
TEST_F(QueryTimeIndexUpgradeTest, WaitsForTheWriteLockAndLeavesADroppedIndexAlone)
{
    Write(EarlierSchema() + kRows);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(m_path.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "pragma journal_mode=wal; begin immediate", nullptr, nullptr, nullptr), SQLITE_OK);
    {
        CDbConnection console;
        ASSERT_TRUE(console.Open(ConnectionString("Lock Timeout=50;"), -1)) << console.GetErrorsText();
        EXPECT_EQ(Text(console, kIndexSql), "CREATE INDEX QueryLogTable_QueryTime ON QueryLogTable (QueryTime)");
        EXPECT_EQ(Text(console, "select count(*) as V from QueryLogTable where QueryProv='江苏'"), "2");
    }
    sqlite3_exec(other, "commit", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    {
        CDbConnection console;
        ASSERT_TRUE(console.Open(ConnectionString(), -1)) << console.GetErrorsText();
        EXPECT_EQ(Text(console, kIndexSql), kNewIndex);
    }

    Write("drop index QueryLogTable_QueryTime");
    CDbConnection console;
    ASSERT_TRUE(console.Open(ConnectionString(), -1)) << console.GetErrorsText();
    EXPECT_EQ(Text(console, kIndexSql), "<none>");
    EXPECT_EQ(Text(console, "select count(*) as V from QueryLogTable"), "3");
}
