#include "batch_commands.h"

#include "db_engine_test.h"
#include "db_provider.h"
#include "db_recordset.h"
#include "execute_sql.h"
#include "sql_text.h"

#include <functional>
#include <string>
#include <vector>

namespace {

const char* const kBusy = "数据库正忙";
const char* const kReadOnly = "数据库为只读";

class BatchCommandsTest : public DbEngineTest {
protected:
    void AddBatch(const std::string& name, int number, const std::string& created = std::string())
    {
        ASSERT_TRUE(ExecuteSql("insert into ProductGroupTable (ProductName,ProductRemark,ProductCount,ProductStatus,"
                               "ProductCode) values ('" +
                               SqlQuote(name) + "','旧备注',5,'未启用'," + std::to_string(number) + ")"));
        if (!created.empty()) {
            ASSERT_TRUE(ExecuteSql("update ProductGroupTable set CreateCodeTime=#" + created +
                                   "#,StartNumber='01000000' where ProductName='" + SqlQuote(name) + "'"));
        }
    }
    void AddCode(const std::string& name, const std::string& productId)
    {
        ASSERT_TRUE(ExecuteSql("insert into ProductTable (ProductID,ProductCode,QueryCount,ProductName) values ('" +
                               productId + "','12345678',0,'" + SqlQuote(name) + "')"));
    }
    // The table's whole state as one text, to tell that a refused command changed nothing.
    std::string Snapshot()
    {
        std::string text;
        for (const char* statement :
             {"select ProductName,ProductRemark,UseCodeTime,ProductStatus,ProductCode from ProductGroupTable "
              "order by ProductName",
              "select ProductName,ProductID,UseStatus from ProductTable order by ProductID"}) {
            CDbRecordset rows;
            rows.SetConnection(&m_connection);
            if (rows.Open(statement, 1, 3, 3) != 1)
                continue;
            for (; !rows.IsEOF(); rows.MoveNext())
                for (const char* column : {"ProductName", "ProductRemark", "UseCodeTime", "ProductStatus",
                                           "ProductCode", "ProductID", "UseStatus"}) {
                    std::string value;
                    if (rows.GetFieldValue(column, value))
                        text += value + "|";
                }
            text += "\n";
        }
        return text;
    }
    void Reconnect(const std::string& extra)
    {
        m_connection.CloseIfOpen();
        ASSERT_TRUE(m_connection.Open(ConnectionString() + extra, -1)) << m_connection.GetErrorsText();
    }
};

struct Command {
    const char* name;
    std::function<bool(CDbConnection&)> run;
};

const std::vector<Command>& Commands()
{
    static const std::vector<Command> commands = {
        {"insert",
         [](CDbConnection& c) {
             int number = -1;
             return InsertBatch(c, "新批次", "备注", 10, {}, number);
         }},
        {"enable", [](CDbConnection& c) { return EnableBatchCodes(c, "甲"); }},
        {"disable", [](CDbConnection& c) { return DisableBatchCodes(c, "甲"); }},
        {"delete", [](CDbConnection& c) { return DeleteBatchRows(c, "甲"); }},
        {"remark", [](CDbConnection& c) { return UpdateBatchRemark(c, "甲", "新备注"); }},
    };
    return commands;
}

} // namespace

TEST_P(BatchCommandsTest, LoadsTheNineCellsOfEveryBatch)
{
    AddBatch("甲", 3, "2026-01-02 03:04:05");
    AddBatch("乙", 4);
    std::vector<BatchCells> rows;
    ASSERT_TRUE(LoadBatchRows(m_connection, rows));
    ASSERT_EQ(rows.size(), 2u);
    for (const BatchCells& row : rows) {
        SCOPED_TRACE(row[0]);
        const bool first = row[0] == "甲";
        EXPECT_EQ(row, (BatchCells{first ? "甲" : "乙", "旧备注", first ? "2026-01-02 03:04:05" : "", "",
                                   first ? "01000000" : "", "", "5", "未启用", first ? "3" : "4"}));
    }
}

// The number a new batch gets is free in the list and in the database: a batch another
// console made after the list was read holds its number as well.
TEST_P(BatchCommandsTest, NewBatchNumberIsFreeInListAndDatabase)
{
    AddBatch("别的控制台的批次", 1);
    int number = -1;
    ASSERT_TRUE(InsertBatch(m_connection, "新批次", "", 7, {"2"}, number));
    EXPECT_EQ(number, 3);
    EXPECT_EQ(Value("select ProductCode from ProductGroupTable where ProductName='新批次'", "ProductCode"), "3");
    EXPECT_EQ(Value("select ProductRemark from ProductGroupTable where ProductName='新批次'", "ProductRemark"), "");
    EXPECT_EQ(Value("select ProductStatus from ProductGroupTable where ProductName='新批次'", "ProductStatus"),
              "未启用");
    EXPECT_TRUE(m_messages.Messages().empty());
    EXPECT_EQ(FindBatchName(m_connection, "新批次"), 1);
    EXPECT_EQ(FindBatchName(m_connection, "没有的批次"), 0);
}

TEST_P(BatchCommandsTest, CommandsChangeWhatTheySay)
{
    AddBatch("甲", 1, "2026-01-02 03:04:05");
    AddBatch("乙", 2, "2026-01-02 03:04:05");
    AddCode("甲", "01000000");
    AddCode("乙", "02000000");

    ASSERT_TRUE(EnableBatchCodes(m_connection, "甲"));
    EXPECT_EQ(Value("select UseStatus from ProductTable where ProductID='01000000'", "UseStatus"), "1");
    EXPECT_EQ(Value("select ProductStatus from ProductGroupTable where ProductName='甲'", "ProductStatus"), "启用");
    EXPECT_EQ(Value("select UseCodeTime from ProductGroupTable where ProductName='甲'", "UseCodeTime").size(), 19u);
    EXPECT_EQ(Value("select UseStatus from ProductTable where ProductID='02000000'", "UseStatus"), "0");

    ASSERT_TRUE(DisableBatchCodes(m_connection, "甲"));
    EXPECT_EQ(Value("select UseStatus from ProductTable where ProductID='01000000'", "UseStatus"), "0");
    EXPECT_EQ(Value("select ProductStatus from ProductGroupTable where ProductName='甲'", "ProductStatus"), "停用");

    ASSERT_TRUE(UpdateBatchRemark(m_connection, "甲", ""));
    EXPECT_EQ(Value("select ProductRemark from ProductGroupTable where ProductName='甲'", "ProductRemark"), "");

    ASSERT_TRUE(DeleteBatchRows(m_connection, "甲"));
    EXPECT_EQ(Value("select count(*) as N from ProductGroupTable", "N"), "1");
    EXPECT_EQ(Value("select count(*) as N from ProductTable", "N"), "1");
    EXPECT_TRUE(m_messages.Messages().empty());
}

// Code rows whose batch row is gone (deleted by another console): enabling them would
// answer consumers for a batch nobody can see; the commands refuse and say why.
TEST_P(BatchCommandsTest, CommandsRefuseABatchTheDatabaseNoLongerHolds)
{
    AddCode("甲", "01000000");
    const std::string before = Snapshot();
    for (const Command& command : Commands()) {
        if (std::string(command.name) == "insert" || std::string(command.name) == "delete")
            continue;
        SCOPED_TRACE(command.name);
        m_messages.Clear();
        EXPECT_FALSE(command.run(m_connection));
        ASSERT_EQ(m_messages.Messages().size(), 1u);
        EXPECT_EQ(m_messages.Messages()[0].text.rfind("数据库中已没有这个产品批次", 0), 0u);
        EXPECT_EQ(Snapshot(), before);
    }
}

// Another program holds the write lock past the wait limit, or the database takes no
// writes: every command answers false, changes nothing and leads with a Chinese sentence.
TEST_P(BatchCommandsTest, RefusedWritesChangeNothingAndSaySoInChinese)
{
    AddBatch("甲", 1, "2026-01-02 03:04:05");
    AddCode("甲", "01000000");
    const std::string before = Snapshot();

    struct Obstacle {
        const char* name;
        const char* sentence;
        std::function<void(CDbConnection& holder)> start;
    };
    const Obstacle obstacles[] = {
        {"another program holds the lock", kBusy,
         [this](CDbConnection& holder) {
             ASSERT_TRUE(OpenSecond(holder));
             ASSERT_TRUE(holder.BeginTrans()) << holder.GetErrorsText();
             if (Engine() == SqlDialect::PostgreSQL) {
                 ASSERT_TRUE(
                     holder.Provider()->ExecuteScript("lock table ProductGroupTable, ProductTable in exclusive mode"))
                     << holder.GetErrorsText();
             }
         }},
        {"read-only database", kReadOnly,
         [this](CDbConnection&) {
             ASSERT_TRUE(m_connection.Provider()->ExecuteScript(
                 Engine() == SqlDialect::SQLite ? "PRAGMA query_only=1" : "set default_transaction_read_only=on"))
                 << m_connection.GetErrorsText();
         }},
    };
    for (const Obstacle& obstacle : obstacles) {
        SCOPED_TRACE(obstacle.name);
        Reconnect("Lock Timeout=200;");
        CDbConnection holder;
        obstacle.start(holder);
        for (const Command& command : Commands()) {
            SCOPED_TRACE(command.name);
            m_messages.Clear();
            EXPECT_FALSE(command.run(m_connection));
            ASSERT_EQ(m_messages.Messages().size(), 1u);
            const std::string& text = m_messages.Messages()[0].text;
            EXPECT_EQ(text.rfind(obstacle.sentence, 0), 0u) << text;
            EXPECT_NE(text.find("\r\n\r\nDescription: "), std::string::npos) << text;
        }
        holder.CloseIfOpen();
        Reconnect("");
        EXPECT_EQ(Snapshot(), before);
    }
}

KELVANE_DB_ENGINE_TEST_SUITE(BatchCommandsTest);
