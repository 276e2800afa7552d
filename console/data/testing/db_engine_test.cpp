#include "db_engine_test.h"

#include "schema.h"

void DbEngineTest::SetUp()
{
    std::string error;
    bool unavailable = false;
    const bool created = m_database.Create(Engine(), error, unavailable);
    if (!created && unavailable) {
        GTEST_SKIP() << error;
    }
    ASSERT_TRUE(created) << error;
    ASSERT_TRUE(m_connection.Open(ConnectionString(), -1)) << m_connection.GetErrorsText();
    if (WithSchema()) {
        ASSERT_TRUE(CreateSchema(m_connection, error)) << error;
    }
    SetTheConnection(&m_connection);
}

void DbEngineTest::TearDown()
{
    SetTheConnection(nullptr);
    m_connection.CloseIfOpen();
}

bool DbEngineTest::OpenSecond(CDbConnection& other) const
{
    return other.Open(ConnectionString(), -1);
}

std::string DbEngineName(const ::testing::TestParamInfo<SqlDialect>& info)
{
    return info.param == SqlDialect::PostgreSQL ? "PostgreSQL" : "SQLite";
}

void PrintTo(SqlDialect engine, std::ostream* out)
{
    *out << (engine == SqlDialect::PostgreSQL ? "PostgreSQL" : "SQLite");
}
