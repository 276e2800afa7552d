#include "db_error_text.h"

#include "db_engine_test.h"
#include "execute_sql.h"

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

KELVANE_DB_ENGINE_TEST_SUITE(DbErrorTextTest);
