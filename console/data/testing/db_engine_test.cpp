#include "db_engine_test.h"

#include "db_recordset.h"
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

std::string DbEngineTest::Value(CDbConnection& connection, const std::string& statement, const std::string& column)
{
    CDbRecordset rows;
    rows.SetConnection(&connection);
    if (rows.Open(statement, 1, 3, 3) != 1)
        return "<none>";
    std::string value;
    rows.GetFieldValue(column, value);
    return value;
}

std::string DbEngineTest::Value(const std::string& statement, const std::string& column)
{
    return Value(m_connection, statement, column);
}

std::vector<std::string> DbEngineTest::Column(CDbConnection& connection, const std::string& statement,
                                              const std::string& column)
{
    std::vector<std::string> values;
    CDbRecordset rows;
    rows.SetConnection(&connection);
    if (rows.Open(statement, 1, 3, 3) != 1)
        return values;
    for (; !rows.IsEOF(); rows.MoveNext()) {
        std::string value = "<unread>";
        rows.GetFieldValue(column, value);
        values.push_back(value);
    }
    return values;
}

std::vector<std::string> DbEngineTest::Column(const std::string& statement, const std::string& column)
{
    return Column(m_connection, statement, column);
}

std::string DbEngineName(const ::testing::TestParamInfo<SqlDialect>& info)
{
    return info.param == SqlDialect::PostgreSQL ? "PostgreSQL" : "SQLite";
}

void PrintTo(SqlDialect engine, std::ostream* out)
{
    *out << (engine == SqlDialect::PostgreSQL ? "PostgreSQL" : "SQLite");
}
