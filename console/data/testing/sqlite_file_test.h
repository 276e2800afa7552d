#pragma once

#include <gtest/gtest.h>

#include <string>

class CDbConnection;
struct sqlite3;

// A test on a database file of its own in a new temporary folder (removed again), with a
// plain sqlite3 handle to write it as an earlier version or another program would.
class SqliteFileTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string ConnectionString(const std::string& extra = {}) const;

    // Runs sql on the file through a plain handle; prepare, when given, readies the handle
    // first (a collation of an earlier version, say). Failures are test failures.
    void WritePlain(const std::string& sql, bool (*prepare)(sqlite3*) = nullptr);

    // The named column of the first row sql yields on the connection; "<none>" without one.
    static std::string Scalar(CDbConnection& connection, const std::string& sql, const char* column);

    std::string m_folder, m_path;
};
