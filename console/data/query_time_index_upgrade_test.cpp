#include "db_connection.h"
#include "db_recordset.h"
#include "schema.h"
#include "sqlite_file_test.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

namespace {

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

class QueryTimeIndexUpgradeTest : public SqliteFileTest {
protected:
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
};

const char* const kIndexSql = "select sql as V from sqlite_schema where name='QueryLogTable_QueryTime'";
const char* const kLog = "select group_concat(QueryTime||' '||QueryStatus||' '||QueryProv,'|') as V from QueryLogTable";

} // namespace

// A file of an earlier version gets the index a new file has, keeps its rows, and the
// charts' read of a range is then answered from the index alone.
TEST_F(QueryTimeIndexUpgradeTest, EarlierFileGetsTheNewIndexOnOpen)
{
    WritePlain(EarlierSchema() + kRows);
    CDbConnection console;
    ASSERT_TRUE(console.Open(ConnectionString(), -1)) << console.GetErrorsText();
    EXPECT_EQ(Scalar(console, kIndexSql, "V"), kNewIndex);
    EXPECT_EQ(Scalar(console, kLog, "V"),
              "2026-01-05 10:00:00 1 江苏|2026-01-05 11:00:00 -1 浙江|2026-01-06 09:00:00 3 江苏");
    EXPECT_EQ(Scalar(console, "select count(*) as V from QueryLogTable where QueryTime>'2026-01-05 10:30:00'", "V"),
              "2");
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
    EXPECT_EQ(Scalar(maker, kIndexSql, "V"), kNewIndex);
}

// While another program holds the write lock the old index stays and the file works as it
// is; the next open replaces it. A file whose owner dropped the index is left alone.
TEST_F(QueryTimeIndexUpgradeTest, WaitsForTheWriteLockAndLeavesADroppedIndexAlone)
{
    WritePlain(EarlierSchema() + kRows);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(m_path.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "pragma journal_mode=wal; begin immediate", nullptr, nullptr, nullptr), SQLITE_OK);
    {
        CDbConnection console;
        ASSERT_TRUE(console.Open(ConnectionString("Lock Timeout=50;"), -1)) << console.GetErrorsText();
        EXPECT_EQ(Scalar(console, kIndexSql, "V"), "CREATE INDEX QueryLogTable_QueryTime ON QueryLogTable (QueryTime)");
        EXPECT_EQ(Scalar(console, "select count(*) as V from QueryLogTable where QueryProv='江苏'", "V"), "2");
    }
    sqlite3_exec(other, "commit", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    {
        CDbConnection console;
        ASSERT_TRUE(console.Open(ConnectionString(), -1)) << console.GetErrorsText();
        EXPECT_EQ(Scalar(console, kIndexSql, "V"), kNewIndex);
    }

    WritePlain("drop index QueryLogTable_QueryTime");
    CDbConnection console;
    ASSERT_TRUE(console.Open(ConnectionString(), -1)) << console.GetErrorsText();
    EXPECT_EQ(Scalar(console, kIndexSql, "V"), "<none>");
    EXPECT_EQ(Scalar(console, "select count(*) as V from QueryLogTable", "V"), "3");
}
