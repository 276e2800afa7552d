#include "db_error_text.h"

#include "db_engine_test.h"
#include "execute_sql.h"
#include "lock_wait.h"

#include <thread>

namespace {

class DbErrorTextTest : public DbEngineTest {};

} // namespace

// What the operator reads first when a statement fails; busy and read-only databases are
// tried with the batch commands, which meet them for real.
TEST_P(DbErrorTextTest, FailureBoxLeadsWithAChineseSentence)
{
    EXPECT_FALSE(ExecuteSql("insert into NoSuchTable (a) values (1)"));
    m_connection.CloseIfOpen();
    EXPECT_FALSE(ExecuteSql("insert into SendSmsTable (PhoneNumber) values ('1')"));

    ASSERT_EQ(m_messages.Messages().size(), 2u);
    EXPECT_EQ(m_messages.Messages()[0].text.rfind("数据库操作失败。\r\n\r\nDescription: ", 0), 0u)
        << m_messages.Messages()[0].text;
    EXPECT_EQ(m_messages.Messages()[1].text,
              "数据库连接已断开，请检查数据库后重试。\r\n\r\nDescription: The connection is not open.\r\n\r\n"
              "State: 08003, Native: 0, Source: Connection\r\n");
}

// Another program keeps the row (on SQLite: the file) locked past the wait limit. While the
// statement waits, the lock-wait hook runs (the console paints its window in it); then
// the operator reads that the database is busy, with the engine's own words after it.
TEST_P(DbErrorTextTest, StatementWaitingForALockRunsTheHookThenSaysBusy)
{
    ASSERT_TRUE(ExecuteSql("insert into SendSmsTable (PhoneNumber,SmsContent,SendStatus,NewFlag) values "
                           "('13912345678','a','待发',1)"));
    CDbConnection holder;
    ASSERT_TRUE(OpenSecond(holder));
    ASSERT_TRUE(holder.BeginTrans());
    std::string error;
    ASSERT_TRUE(RunSql(holder, "update SendSmsTable set SendStatus='发送中' where PhoneNumber='13912345678'", error))
        << error;
    // A read sends what the transaction holds back, so the server has locked the row.
    ASSERT_EQ(Value(holder, "select count(*) as N from SendSmsTable", "N"), "1");

    CDbConnection waiting;
    ASSERT_TRUE(waiting.Open(ConnectionString() + "Lock Timeout=300;", -1)) << waiting.GetErrorsText();
    int calls = 0;
    SetLockWaitHook([&] { ++calls; });
    EXPECT_FALSE(ExecuteSql(waiting, "update SendSmsTable set NewFlag=0 where PhoneNumber='13912345678'"));
    EXPECT_GT(calls, 0);
    // A statement waiting on another thread (a page's reader) leaves the window's hook alone.
    const int callsBefore = calls;
    bool otherFailed = false;
    std::thread([&] {
        CDbConnection other;
        std::string otherError;
        otherFailed = other.Open(ConnectionString() + "Lock Timeout=300;", -1) &&
                      !RunSql(other, "update SendSmsTable set NewFlag=0 where PhoneNumber='13912345678'", otherError);
    }).join();
    EXPECT_TRUE(otherFailed) << "it waited for the lock and gave up";
    EXPECT_EQ(calls, callsBefore);
    SetLockWaitHook(nullptr);
    holder.RollbackTrans();

    ASSERT_EQ(m_messages.Messages().size(), 1u);
    const std::string& text = m_messages.Messages()[0].text;
    EXPECT_EQ(text.rfind("数据库正忙（另一个程序正在使用它），请稍后重试。\r\n\r\nDescription: ", 0), 0u) << text;
    EXPECT_NE(text.find(Engine() == SqlDialect::SQLite ? "database is locked" : "lock timeout"), std::string::npos)
        << text;
    // The row is free again and the same connection goes on.
    EXPECT_TRUE(ExecuteSql(waiting, "update SendSmsTable set NewFlag=0 where PhoneNumber='13912345678'"));
}

KELVANE_DB_ENGINE_TEST_SUITE(DbErrorTextTest);
