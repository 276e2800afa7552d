#pragma once

#include "db_connection.h"
#include "jet_translator.h"
#include "recording_message_sink.h"
#include "test_database.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Runs a test body once per engine. Before the body, TheConnection() is m_connection,
// open on a fresh database with the schema (unless WithSchema() says otherwise), and what
// the layer shows the operator is recorded in m_messages. The PostgreSQL run is skipped
// only when the server is not installed.
//
//   class MyTest : public DbEngineTest {};
//   TEST_P(MyTest, Works) { ExecuteSql("insert ..."); ... }
//   KELVANE_DB_ENGINE_TEST_SUITE(MyTest);
class DbEngineTest : public ::testing::TestWithParam<SqlDialect> {
protected:
    void SetUp() override;
    void TearDown() override;
    virtual bool WithSchema() const { return true; }

    SqlDialect Engine() const { return GetParam(); }
    const std::string& ConnectionString() const { return m_database.ConnectionString(); }
    // Opens another connection on the same database: a second user.
    bool OpenSecond(CDbConnection& other) const;

    // One column of the first row as the layer reads it, or "<none>" when there is no row.
    std::string Value(CDbConnection& connection, const std::string& statement, const std::string& column);
    std::string Value(const std::string& statement, const std::string& column);
    // One column of every row, in order ("<unread>" where a field cannot be read).
    std::vector<std::string> Column(CDbConnection& connection, const std::string& statement, const std::string& column);
    std::vector<std::string> Column(const std::string& statement, const std::string& column);

    TestDatabase m_database;
    CDbConnection m_connection;
    RecordingMessageSink m_messages;
};

std::string DbEngineName(const ::testing::TestParamInfo<SqlDialect>& info);

#define KELVANE_DB_ENGINE_TEST_SUITE(Suite)                                                                            \
    INSTANTIATE_TEST_SUITE_P(Engines, Suite, ::testing::Values(SqlDialect::SQLite, SqlDialect::PostgreSQL),            \
                             DbEngineName)

// Names the engine in test output.
void PrintTo(SqlDialect engine, std::ostream* out);
