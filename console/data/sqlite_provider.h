#pragma once

#include "db_provider.h"

#include <string>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

// SQLite through its C API: "Provider=SQLite;Data Source=/path/Varnholt.db;". The file
// must exist unless "Create=true" is given. WAL mode and a busy timeout let the console
// and the gateway host work on the same file.
class SqliteProvider final : public DbProvider {
public:
    SqliteProvider() : DbProvider(SqlDialect::SQLite, "SQLite") {}
    ~SqliteProvider() override;

    bool Open(const ConnectionString& settings) override;
    void Close() override;
    bool IsOpen() const override { return m_db != nullptr; }
    bool Execute(const std::string& statement, std::unique_ptr<DbResult>* result) override;
    bool ExecuteScript(const std::string& script) override;
    bool Begin() override;
    bool Commit() override;
    bool Rollback() override;
    bool InTransaction() const override;
    bool UpdateRow(const DbResult& result, std::size_t row,
                   const std::vector<std::pair<std::size_t, FieldValue>>& changes) override;

    static constexpr int kBusyTimeoutMs = 10000;

private:
    sqlite3_stmt* Prepared(const std::string& sql);
    void AddEngineError(int code);
    // Resets a cached statement after its last step; false, with the error, unless rc says done.
    bool Finish(sqlite3_stmt* stmt, int rc);
    bool Simple(const char* sql);
    void FinalizeAll();

    sqlite3* m_db = nullptr;
    // Prepared statements by the skeleton text, so statements of one shape are prepared once.
    std::unordered_map<std::string, sqlite3_stmt*> m_cache;
};
