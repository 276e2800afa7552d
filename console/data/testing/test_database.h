#pragma once

#include "jet_translator.h"

#include <string>

// A fresh, empty database of one engine for one test: a SQLite file in a new temporary
// folder (removed again), or a new database on the process's throw-away PostgreSQL
// cluster (gone with the cluster).
class TestDatabase final {
public:
    TestDatabase() = default;
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    // False with the reason in error; unavailable tells that the engine is not installed
    // (the test should be skipped) rather than broken.
    bool Create(SqlDialect engine, std::string& error, bool& unavailable);
    const std::string& ConnectionString() const { return m_connectionString; }

private:
    std::string m_connectionString;
    std::string m_folder;
};
