#include "sqlite_provider.h"

#include "connection_string.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <stdlib.h>

#include <chrono>
#include <climits>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

// Long enough for any checkpoint here; a bound on a hang, not a measured time.
constexpr std::chrono::seconds kPatience{60};

// A provider on a fresh file in a temporary folder, and a plain SQLite connection to
// look at the file from outside.
class SqliteCheckpointTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char folder[] = "/tmp/sqlite-checkpoint-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        m_folder = folder;
        m_path = m_folder + "/test.db";
    }

    void TearDown() override
    {
        m_provider.Close();
        if (m_reader)
            sqlite3_close(m_reader);
        fs::remove_all(m_folder);
    }

    bool Open(bool create = false)
    {
        return m_provider.Open(ConnectionString("Data Source=" + m_path + (create ? ";Create=1;" : ";")));
    }

    // Rows of 4000 bytes: about a page each, so rows ~ pages written to the log.
    bool Insert(int rows)
    {
        return m_provider.ExecuteScript("insert into t (v) select randomblob(4000) from "
                                        "(with recursive c(x) as (select 1 union all select x+1 from c where x<" +
                                        std::to_string(rows) + ") select x from c)");
    }

    bool CreateTableWithRows(int rows)
    {
        return Open(true) && m_provider.ExecuteScript("create table t (id integer primary key, v blob)") &&
               m_provider.Begin() && Insert(rows) && m_provider.Commit();
    }

    std::uintmax_t SizeOf(const std::string& path) const
    {
        std::error_code error;
        const auto size = fs::file_size(path, error);
        return error ? 0 : size;
    }
    std::uintmax_t DatabaseSize() const { return SizeOf(m_path); }
    bool LogExists() const { return fs::exists(m_path + "-wal"); }

    sqlite3* Reader()
    {
        if (!m_reader)
            sqlite3_open_v2(m_path.c_str(), &m_reader, SQLITE_OPEN_READWRITE, nullptr);
        return m_reader;
    }

    // One text answer of the outside connection, or "<error>".
    std::string Ask(const std::string& sql)
    {
        sqlite3_stmt* stmt = nullptr;
        std::string answer = "<error>";
        if (sqlite3_prepare_v2(Reader(), sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW) {
            const auto* text = sqlite3_column_text(stmt, 0);
            answer = text ? reinterpret_cast<const char*>(text) : "";
        }
        sqlite3_finalize(stmt);
        return answer;
    }

    void CloseReader()
    {
        sqlite3_close(m_reader);
        m_reader = nullptr;
    }

    std::string m_folder;
    std::string m_path;
    SqliteProvider m_provider;
    sqlite3* m_reader = nullptr;
};

TEST_F(SqliteCheckpointTest, BigCommitIsCopiedIntoTheDatabaseByTheWorker)
{
    ASSERT_TRUE(Open(true));
    ASSERT_TRUE(m_provider.Checkpointer().Running());
    ASSERT_TRUE(m_provider.ExecuteScript("create table t (id integer primary key, v blob)"));
    const auto before = DatabaseSize();
    ASSERT_TRUE(m_provider.Begin());
    ASSERT_TRUE(Insert(3000));
    ASSERT_TRUE(m_provider.Commit());

    ASSERT_TRUE(m_provider.Checkpointer().WaitForRuns(1, kPatience));
    const auto stats = m_provider.Checkpointer().CurrentStats();
    EXPECT_EQ(stats.lastResult, SQLITE_OK);
    EXPECT_GE(stats.lastLogFrames, SqliteProvider::kCheckpointPages);
    EXPECT_EQ(stats.lastCheckpointed, stats.lastLogFrames) << "the whole log is in the database";
    EXPECT_GE(DatabaseSize(), before + 3000u * 4000u);
    EXPECT_EQ(Ask("select count(*) from t"), "3000");
}

TEST_F(SqliteCheckpointTest, CommitLeavesTheLogAloneAndCloseCheckpointsBeforeReturning)
{
    // No request ever reaches the worker: whatever reaches the database file before Close
    // was copied by the committing connection itself.
    m_provider.SetCheckpointPages(INT_MAX);
    ASSERT_TRUE(CreateTableWithRows(3000));
    EXPECT_LT(DatabaseSize(), 1000u * 4096u) << "the commit ran a checkpoint itself";
    EXPECT_EQ(Ask("select count(*) from t"), "3000") << "committed rows are readable from the log";
    CloseReader();
    EXPECT_EQ(m_provider.Checkpointer().CurrentStats().runs, 0u);

    m_provider.Close();
    EXPECT_FALSE(m_provider.Checkpointer().Running());
    EXPECT_EQ(m_provider.Checkpointer().CurrentStats().runs, 1u) << "the final checkpoint ran before Close returned";
    EXPECT_FALSE(LogExists()) << "the last connection to close removes the log";
    EXPECT_GE(DatabaseSize(), 3000u * 4000u);
    EXPECT_EQ(Ask("select count(*) from t"), "3000");
}

TEST_F(SqliteCheckpointTest, FileStaysCompleteOverRoundsOfOpenCommitClose)
{
    ASSERT_TRUE(CreateTableWithRows(10));
    int expected = 10;
    // Big and small transactions, and single statements that commit by themselves.
    const struct {
        int rows;
        bool transaction;
        bool rolledBack;
    } rounds[] = {{1500, true, false}, {5, false, false}, {2500, true, true}, {1200, false, false}, {1, true, false}};
    for (const auto& round : rounds) {
        ASSERT_TRUE(Open());
        if (round.transaction) {
            ASSERT_TRUE(m_provider.Begin());
        }
        ASSERT_TRUE(Insert(round.rows));
        if (round.transaction) {
            ASSERT_TRUE(round.rolledBack ? m_provider.Rollback() : m_provider.Commit());
        }
        if (!round.rolledBack)
            expected += round.rows;
        // Another user reads while the worker may be copying.
        EXPECT_EQ(Ask("select count(*) from t"), std::to_string(expected)) << round.rows;
        CloseReader();
        m_provider.Close();
        EXPECT_FALSE(LogExists()) << round.rows;
        EXPECT_EQ(Ask("pragma integrity_check"), "ok") << round.rows;
        EXPECT_EQ(Ask("select count(*) from t"), std::to_string(expected)) << round.rows;
        CloseReader();
    }
}

TEST_F(SqliteCheckpointTest, CheckpointHeldBackByAReaderIsFinishedAfterTheNextCommit)
{
    ASSERT_TRUE(CreateTableWithRows(1));
    // The reader's snapshot predates the big commit, so its frames cannot be copied yet.
    ASSERT_EQ(sqlite3_exec(Reader(), "begin", nullptr, nullptr, nullptr), SQLITE_OK);
    ASSERT_EQ(Ask("select count(*) from t"), "1");
    ASSERT_TRUE(m_provider.Begin());
    ASSERT_TRUE(Insert(2000));
    ASSERT_TRUE(m_provider.Commit());
    ASSERT_TRUE(m_provider.Checkpointer().WaitForRuns(1, kPatience));
    auto stats = m_provider.Checkpointer().CurrentStats();
    EXPECT_LT(stats.lastCheckpointed, stats.lastLogFrames);

    ASSERT_EQ(sqlite3_exec(Reader(), "commit", nullptr, nullptr, nullptr), SQLITE_OK);
    ASSERT_TRUE(Insert(1)); // a single statement commits by itself
    ASSERT_TRUE(m_provider.Checkpointer().WaitForRuns(2, kPatience));
    stats = m_provider.Checkpointer().CurrentStats();
    EXPECT_EQ(stats.lastResult, SQLITE_OK);
    EXPECT_GE(stats.lastLogFrames, 2000);
    EXPECT_EQ(stats.lastCheckpointed, stats.lastLogFrames);
    EXPECT_EQ(Ask("select count(*) from t"), "2002");
}

TEST_F(SqliteCheckpointTest, DatabaseWithoutALogFileRunsNoWorker)
{
    ASSERT_TRUE(m_provider.Open(ConnectionString("Data Source=:memory:;Create=1;")));
    EXPECT_FALSE(m_provider.Checkpointer().Running());
    EXPECT_TRUE(m_provider.ExecuteScript("create table t (id integer primary key, v blob)"));
    EXPECT_TRUE(Insert(10));
    m_provider.Close();
    EXPECT_FALSE(m_provider.Checkpointer().Running());
}

} // namespace
