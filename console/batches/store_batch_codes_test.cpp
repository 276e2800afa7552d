#include "code_generator.h"
#include "store_batch_codes.h"

#include "clock.h"
#include "db_engine_test.h"
#include "db_provider.h"
#include "db_recordset.h"
#include "execute_sql.h"
#include "sql_text.h"

#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

constexpr std::int64_t kStart = 1765000000; // 2025-12-06

class StoreBatchCodesTest : public DbEngineTest {
protected:
    void AddBatch(const std::string& name, int quantity, int number)
    {
        ExecuteSql("insert into ProductGroupTable (ProductName,ProductRemark,ProductCount,ProductStatus,ProductCode) "
                   "values ('" +
                   SqlQuote(name) + "',' '," + std::to_string(quantity) + ",'未启用'," + std::to_string(number) + ")");
        ASSERT_TRUE(m_messages.Messages().empty()) << m_messages.Messages()[0].text;
    }

    int CodeRows(const std::string& name)
    {
        return std::stoi(
            Value("select count(*) as N from ProductTable where ProductName='" + SqlQuote(name) + "'", "N"));
    }
    std::string Batch(const std::string& name, const std::string& column)
    {
        return Value("select " + column + " from ProductGroupTable where ProductName='" + SqlQuote(name) + "'", column);
    }

    // The exit status of `run` in a child process over a connection of its own, as a second
    // console process would have: kKilled where the run is cut short by the hook that calls
    // _exit(kKilled), 3 where it returns, 2 where the child cannot connect, -1 where it does
    // not exit (the failure is recorded).
    static constexpr int kKilled = 7;
    template <typename Run>
    int ExitOfRunInAProcess(Run run)
    {
        const pid_t child = fork();
        if (child < 0) {
            ADD_FAILURE() << "fork failed";
            return -1;
        }
        if (child == 0) {
            CDbConnection own;
            if (!own.Open(ConnectionString(), -1))
                _exit(2);
            run(own);
            _exit(3);
        }
        int status = 0;
        if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
            ADD_FAILURE() << "the child did not exit";
            return -1;
        }
        return WEXITSTATUS(status);
    }

    // A trigger that refuses one ProductID, for a statement that fails half way. Run as a
    // script: it is DDL with literals of its own, not a statement of the console.
    void RefuseProductId(const std::string& productId)
    {
        const std::string script =
            Engine() == SqlDialect::SQLite
                ? "create trigger refuse_code before insert on ProductTable when new.ProductID='" + productId +
                      "' begin select raise(abort, 'code refused'); end;"
                : "create function refuse_code() returns trigger language plpgsql as $$ begin if new.ProductID = '" +
                      productId +
                      "' then raise exception 'code refused'; end if; return new; end $$;"
                      "create trigger refuse_code before insert on ProductTable for each row execute function "
                      "refuse_code();";
        ASSERT_TRUE(m_connection.Provider()->ExecuteScript(script)) << m_connection.GetErrorsText();
    }
    void AllowAll()
    {
        ASSERT_TRUE(m_connection.Provider()->ExecuteScript(
            Engine() == SqlDialect::SQLite ? "drop trigger refuse_code" : "drop trigger refuse_code on ProductTable"))
            << m_connection.GetErrorsText();
    }
};

struct Report {
    BatchEnd end;
    std::string productId;
    int rowsWritten; // code rows in the table when the report came
};

} // namespace

// Watched from inside the run: while codes are composed the batch shows nothing of them
// (a small batch is one stretch); the rows and the batch row's StartNumber, EndNumber and
// CreateCodeTime come together at the end. The clock moves in the hook, so each code must
// take its time after the hook.
TEST_P(StoreBatchCodesTest, WritesEveryCodeInOrder)
{
    struct Case {
        int quantity;
        int number;
    };
    for (const Case c : {Case{1, 3}, Case{2, 7}, Case{5, 0}}) {
        const std::string name = "批次 " + std::to_string(c.quantity);
        SCOPED_TRACE(name);
        AddBatch(name, c.quantity, c.number);
        FixedClock clock(kStart);
        std::vector<int> serials;
        std::vector<Report> reports;
        const bool stored = StoreBatchCodes(
            m_connection, clock, name, c.number, c.quantity,
            [&](int serial) {
                serials.push_back(serial);
                EXPECT_EQ(CodeRows(name), 0);
                EXPECT_EQ(Batch(name, "StartNumber"), "");
                EXPECT_EQ(Batch(name, "EndNumber"), "");
                EXPECT_EQ(Batch(name, "CreateCodeTime"), "");
                clock.Set(kStart + 10 * serial);
            },
            [&](BatchEnd end, const std::string& productId) {
                reports.push_back({end, productId, CodeRows(name)});
            });
        ASSERT_TRUE(stored);
        EXPECT_TRUE(m_messages.Messages().empty());

        std::vector<int> expectedSerials;
        for (int i = 0; i < c.quantity; ++i)
            expectedSerials.push_back(i);
        EXPECT_EQ(serials, expectedSerials);

        char first[16], last[16];
        std::snprintf(first, sizeof first, "%02d000000", c.number);
        std::snprintf(last, sizeof last, "%02d%06d", c.number, c.quantity - 1);
        ASSERT_EQ(reports.size(), c.quantity == 1 ? 1u : 2u);
        EXPECT_EQ(reports[0].end, BatchEnd::First);
        EXPECT_EQ(reports[0].productId, first);
        EXPECT_EQ(reports[0].rowsWritten, c.quantity);
        if (c.quantity > 1) {
            EXPECT_EQ(reports[1].end, BatchEnd::Last);
            EXPECT_EQ(reports[1].productId, last);
            EXPECT_EQ(reports[1].rowsWritten, c.quantity);
        }
        EXPECT_EQ(Batch(name, "StartNumber"), first);
        EXPECT_EQ(Batch(name, "EndNumber"), c.quantity == 1 ? "" : last);
        EXPECT_EQ(Batch(name, "CreateCodeTime").size(), 19u);

        CDbRecordset codes;
        codes.SetConnection(&m_connection);
        ASSERT_EQ(codes.Open("select ProductID,ProductCode,QueryCount,UseStatus from ProductTable where ProductName='" +
                                 name + "' order by ProductID",
                             1, 3, 3),
                  1);
        for (int i = 0; i < c.quantity; ++i, codes.MoveNext()) {
            ASSERT_FALSE(codes.IsEOF());
            const CodeGenerator::Code expected = CodeGenerator::Compose(c.number, i, kStart + 10 * i);
            std::string id, code, count, use;
            codes.GetFieldValue("ProductID", id);
            codes.GetFieldValue("ProductCode", code);
            codes.GetFieldValue("QueryCount", count);
            codes.GetFieldValue("UseStatus", use);
            EXPECT_EQ(id, expected.productId);
            EXPECT_EQ(code, expected.productCode);
            EXPECT_EQ(count, "0");
            EXPECT_EQ(use, "0"); // never enabled
        }
        EXPECT_TRUE(codes.IsEOF());
    }
}

TEST_P(StoreBatchCodesTest, NoQuantityStillMarksTheBatchGenerated)
{
    AddBatch("空批次", 0, 4);
    FixedClock clock(kStart);
    int hooks = 0;
    int reports = 0;
    EXPECT_TRUE(StoreBatchCodes(
        m_connection, clock, "空批次", 4, 0, [&](int) { ++hooks; }, [&](BatchEnd, const std::string&) { ++reports; }));
    EXPECT_EQ(hooks, 0);
    EXPECT_EQ(reports, 0);
    EXPECT_EQ(CodeRows("空批次"), 0);
    EXPECT_EQ(Batch("空批次", "StartNumber"), "");
    EXPECT_NE(Batch("空批次", "CreateCodeTime"), "");
}

TEST_P(StoreBatchCodesTest, NameWithQuotesIsStoredAsTyped)
{
    const std::string name = "O'Brien's 'best'";
    AddBatch(name, 3, 9);
    FixedClock clock(kStart);
    ASSERT_TRUE(StoreBatchCodes(m_connection, clock, name, 9, 3, nullptr, nullptr));
    EXPECT_TRUE(m_messages.Messages().empty());
    EXPECT_EQ(CodeRows(name), 3);
    EXPECT_EQ(Batch(name, "EndNumber"), "09000002");
}

// A statement that fails half way: nothing of the run stays, the operator hears of it
// once, the run stops there, and the batch can be generated again.
TEST_P(StoreBatchCodesTest, FailingStatementRollsBackAndReportsOnce)
{
    AddBatch("坏批次", 10, 7);
    AddBatch("旁边的批次", 2, 8);
    FixedClock clock(kStart);
    ASSERT_TRUE(StoreBatchCodes(m_connection, clock, "旁边的批次", 8, 2, nullptr, nullptr));
    RefuseProductId("07000003");

    std::vector<int> serials;
    EXPECT_FALSE(StoreBatchCodes(
        m_connection, clock, "坏批次", 7, 10, [&](int serial) { serials.push_back(serial); }, nullptr));
    // The codes are composed before they are stored: the failure shows after the stretch.
    EXPECT_EQ(serials.size(), 10u);
    for (std::size_t i = 0; i < serials.size(); ++i)
        EXPECT_EQ(serials[i], static_cast<int>(i));
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    // A Chinese sentence first (which one depends on how the engine classes a trigger's
    // refusal), the engine's errors after it.
    EXPECT_GT(m_messages.Messages()[0].text.find("\r\n\r\nDescription: "), 0u) << m_messages.Messages()[0].text;
    EXPECT_NE(m_messages.Messages()[0].text.find("\r\n\r\nDescription: "), std::string::npos);
    EXPECT_NE(m_messages.Messages()[0].text.find("code refused"), std::string::npos) << m_messages.Messages()[0].text;
    EXPECT_EQ(m_messages.Messages()[0].caption, ApplicationName());

    EXPECT_EQ(CodeRows("坏批次"), 0);
    EXPECT_EQ(Batch("坏批次", "StartNumber"), "");
    EXPECT_EQ(Batch("坏批次", "CreateCodeTime"), "");
    EXPECT_EQ(CodeRows("旁边的批次"), 2); // committed work of an earlier run stays

    // The connection is usable again and a second run completes.
    m_messages.Clear();
    AllowAll();
    ASSERT_TRUE(StoreBatchCodes(m_connection, clock, "坏批次", 7, 10, nullptr, nullptr));
    EXPECT_TRUE(m_messages.Messages().empty());
    EXPECT_EQ(CodeRows("坏批次"), 10);
    EXPECT_EQ(Batch("坏批次", "EndNumber"), "07000009");
}

// A refusal that only comes at commit (a deferred check on a server database): the engine's
// reason reaches the operator once and no row stays.
TEST_P(StoreBatchCodesTest, RefusedCommitLeavesNoRowsAndSaysWhy)
{
    if (Engine() != SqlDialect::PostgreSQL)
        GTEST_SKIP() << "SQLite has no checks deferred to commit without foreign keys";
    AddBatch("迟到的拒绝", 3, 6);
    ASSERT_TRUE(m_connection.Provider()->ExecuteScript(
        "create function refuse_at_commit() returns trigger language plpgsql as $$ begin "
        "raise exception 'refused at commit'; end $$;"
        "create constraint trigger refuse_at_commit after insert on ProductTable deferrable initially deferred "
        "for each row execute function refuse_at_commit();"))
        << m_connection.GetErrorsText();
    FixedClock clock(kStart);
    EXPECT_FALSE(StoreBatchCodes(m_connection, clock, "迟到的拒绝", 6, 3, nullptr, nullptr));
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_NE(m_messages.Messages()[0].text.find("refused at commit"), std::string::npos)
        << m_messages.Messages()[0].text;
    EXPECT_EQ(CodeRows("迟到的拒绝"), 0);
    EXPECT_EQ(Batch("迟到的拒绝", "CreateCodeTime"), "");
}

// The console killed half way through a run: another user sees no code rows and no
// StartNumber afterwards.
TEST_P(StoreBatchCodesTest, RunCutShortLeavesNoRows)
{
    AddBatch("断电批次", 500, 5);
    ASSERT_EQ(ExitOfRunInAProcess([](CDbConnection& own) {
                  FixedClock clock(kStart);
                  StoreBatchCodes(
                      own, clock, "断电批次", 5, 500,
                      [](int serial) {
                          if (serial == 300)
                              _exit(kKilled);
                      },
                      nullptr);
              }),
              kKilled);

    CDbConnection other;
    ASSERT_TRUE(OpenSecond(other));
    EXPECT_EQ(Value(other, "select count(*) as N from ProductTable", "N"), "0");
    EXPECT_EQ(Value(other, "select StartNumber from ProductGroupTable", "StartNumber"), "");
    EXPECT_EQ(Value(other, "select CreateCodeTime from ProductGroupTable", "CreateCodeTime"), "");

    FixedClock clock(kStart);
    ASSERT_TRUE(StoreBatchCodes(m_connection, clock, "断电批次", 5, 500, nullptr, nullptr));
    EXPECT_EQ(Value(other, "select count(*) as N from ProductTable", "N"), "500");
}

// Stretches of a larger batch: another writer gets in between them (before, the run held
// the write lock from its first code to its last), the pause hook hears how far the run
// is, and the batch row still changes only at the end.
TEST_P(StoreBatchCodesTest, AnotherWriterGetsInBetweenStretches)
{
    constexpr int kCodes = 9000;
    AddBatch("大批次", kCodes, 3);
    CDbConnection host;
    ASSERT_TRUE(host.Open(ConnectionString() + "Lock Timeout=50;", -1));
    FixedClock clock(kStart);
    std::vector<int> stored;
    int hostWrites = 0;
    ASSERT_TRUE(
        StoreBatchCodes(m_connection, clock, "大批次", 3, kCodes, nullptr, nullptr, [&](int codes, int pauseMs) {
            stored.push_back(codes);
            EXPECT_EQ(pauseMs, Engine() == SqlDialect::SQLite ? 120 : 0);
            std::string error;
            hostWrites += RunSql(host, "insert into SendSmsTable (PhoneNumber,NewFlag) values ('1',1)", error);
            EXPECT_EQ(Value(host, "select count(*) as N from ProductTable", "N"), std::to_string(codes));
            EXPECT_EQ(Value(host, "select CreateCodeTime from ProductGroupTable", "CreateCodeTime"), "");
        }));
    ASSERT_FALSE(stored.empty());
    EXPECT_EQ(hostWrites, static_cast<int>(stored.size()));
    for (std::size_t i = 1; i < stored.size(); ++i)
        EXPECT_GT(stored[i], stored[i - 1]);
    EXPECT_LT(stored.back(), kCodes);
    EXPECT_EQ(CodeRows("大批次"), kCodes);
    EXPECT_EQ(Batch("大批次", "EndNumber"), "03008999");
    EXPECT_TRUE(m_messages.Messages().empty());
}

// A batch row that is missing (its insert was refused, or another console deleted it,
// before or during the run) gets no codes, and the run does not answer success.
TEST_P(StoreBatchCodesTest, RefusesABatchTheDatabaseDoesNotHold)
{
    FixedClock clock(kStart);
    EXPECT_FALSE(StoreBatchCodes(m_connection, clock, "没有的批次", 4, 50, nullptr, nullptr));
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_EQ(m_messages.Messages()[0].text.rfind("数据库中没有这个产品批次", 0), 0u);
    EXPECT_EQ(CodeRows("没有的批次"), 0);

    m_messages.Clear();
    AddBatch("被删的批次", 9000, 4);
    CDbConnection other;
    ASSERT_TRUE(OpenSecond(other));
    bool deleted = false;
    EXPECT_FALSE(StoreBatchCodes(m_connection, clock, "被删的批次", 4, 9000, nullptr, nullptr, [&](int, int) {
        if (!deleted)
            deleted = ExecuteSql(other, "delete from ProductGroupTable where ProductName='被删的批次'");
    }));
    EXPECT_TRUE(deleted);
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_EQ(m_messages.Messages()[0].text.rfind("数据库中没有这个产品批次", 0), 0u);
    EXPECT_EQ(CodeRows("被删的批次"), 0);

    // And a batch that has its codes already (generated on another computer) gets no more.
    m_messages.Clear();
    AddBatch("已生成", 3, 5);
    ASSERT_TRUE(StoreBatchCodes(m_connection, clock, "已生成", 5, 3, nullptr, nullptr));
    EXPECT_FALSE(StoreBatchCodes(m_connection, clock, "已生成", 5, 3, nullptr, nullptr));
    EXPECT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_EQ(CodeRows("已生成"), 3);
}

// Killed between two stretches: the stored stretch stays without the batch counting as
// generated, and the next run of the batch takes it away before it stores its own.
TEST_P(StoreBatchCodesTest, NextRunRemovesWhatAKilledRunLeft)
{
    AddBatch("半途批次", 9000, 6);
    ASSERT_EQ(ExitOfRunInAProcess([](CDbConnection& own) {
                  FixedClock clock(kStart);
                  StoreBatchCodes(own, clock, "半途批次", 6, 9000, nullptr, nullptr, [](int, int) { _exit(kKilled); });
              }),
              kKilled);
    EXPECT_GT(CodeRows("半途批次"), 0);
    EXPECT_EQ(Batch("半途批次", "CreateCodeTime"), "");

    FixedClock clock(kStart + 100);
    ASSERT_TRUE(StoreBatchCodes(m_connection, clock, "半途批次", 6, 9000, nullptr, nullptr));
    EXPECT_EQ(CodeRows("半途批次"), 9000);
    EXPECT_EQ(Value("select count(*) as N from (select distinct ProductID from ProductTable) D", "N"), "9000");
}

// The console dispatches window messages from the hook, so a second click can start a
// second run inside the first: it is refused and the first one completes.
TEST_P(StoreBatchCodesTest, RunStartedInsideARunIsRefused)
{
    AddBatch("外层", 5, 1);
    AddBatch("内层", 5, 2);
    FixedClock clock(kStart);
    bool inner = true;
    ASSERT_TRUE(StoreBatchCodes(
        m_connection, clock, "外层", 1, 5,
        [&](int serial) {
            if (serial == 2)
                inner = StoreBatchCodes(m_connection, clock, "内层", 2, 5, nullptr, nullptr);
        },
        nullptr));
    EXPECT_FALSE(inner);
    EXPECT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_EQ(CodeRows("外层"), 5);
    EXPECT_EQ(CodeRows("内层"), 0);
    EXPECT_EQ(Batch("内层", "CreateCodeTime"), "");
}

TEST_P(StoreBatchCodesTest, RefusesNumbersThatDoNotMakeEightDigits)
{
    AddBatch("越界", 5, 100);
    FixedClock clock(kStart);
    for (const auto& [number, quantity] : {std::pair{100, 5}, std::pair{-1, 5}, std::pair{1, 1000001}}) {
        m_messages.Clear();
        EXPECT_FALSE(StoreBatchCodes(m_connection, clock, "越界", number, quantity, nullptr, nullptr));
        EXPECT_EQ(m_messages.Messages().size(), 1u);
    }
    EXPECT_EQ(CodeRows("越界"), 0);
    EXPECT_EQ(Batch("越界", "CreateCodeTime"), "");
}

KELVANE_DB_ENGINE_TEST_SUITE(StoreBatchCodesTest);
