#pragma once

#include "db_provider.h"
#include "db_result.h"
#include "wal_checkpointer.h"

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

// SQLite through its C API: "Provider=SQLite;Data Source=/path/Varnholt.db;". The file
// must exist unless "Create=true" is given. WAL mode and a busy timeout let the console
// and the gateway host work on the same file. Checkpoints of this connection's log run on
// a worker of its own (see Open), never on the thread that commits.
class SqliteProvider final : public DbProvider {
public:
    SqliteProvider() : DbProvider(SqlDialect::SQLite, "SQLite") {}
    ~SqliteProvider() override;

    bool Open(const ConnectionString& settings) override;
    void Close() override;
    bool IsOpen() const override { return m_db != nullptr; }
    bool Execute(const std::string& statement, std::unique_ptr<DbResult>* result) override;
    bool ReadRows(const std::string& statement, const DbRowReader& reader) override;
    bool ReadCells(const std::string& statement, const DbCellReader& reader) override;
    bool ExecuteScript(const std::string& script) override;
    bool Begin() override;
    bool Commit() override;
    bool Rollback() override;
    bool InTransaction() const override;
    bool UpdateRow(const DbResult& result, std::size_t row,
                   const std::vector<std::pair<std::size_t, FieldValue>>& changes) override;

    // A database file made with "Create=true": owner and group read and write.
    static constexpr int kDatabaseFileMode = 0660;
    // How long a statement waits for another connection's lock before it fails as busy;
    // "Lock Timeout=<ms>;" in the connection string sets it.
    int LockWaitMs() const { return m_lockWaitMs; }
    // Log size, in pages, past which a commit asks the worker for a checkpoint; SQLite's
    // own automatic threshold.
    static constexpr int kCheckpointPages = 1000;

    // For tests: the threshold (read at every commit), and what the worker has done.
    void SetCheckpointPages(int pages) { m_checkpointPages = pages; }
    const WalCheckpointer& Checkpointer() const { return m_checkpointer; }

    // How a column's declared type makes its values read.
    enum class DeclaredAs { Plain, DateTime, Bool };

private:
    // Clears the errors and prepares the statement with its literals bound; nullptr, with
    // the error, when it cannot run.
    sqlite3_stmt* Start(const std::string& statement);
    // Runs a statement and hands each row's statement to row, the columns described in names
    // and declared, until row answers false; ReadRows' outcome.
    bool StepRows(const std::string& statement, std::vector<DbResult::Column>& names, std::vector<DeclaredAs>& declared,
                  const std::function<bool(sqlite3_stmt*)>& row);
    static void Describe(sqlite3_stmt* stmt, std::vector<DbResult::Column>& names, std::vector<DeclaredAs>& declared);
    bool CreatePrivateFile(const std::string& path);
    sqlite3_stmt* Prepared(const std::string& sql);
    void AddEngineError(int code);
    // Resets a cached statement after its last step; false, with the error, unless rc says done.
    bool Finish(sqlite3_stmt* stmt, int rc);
    bool Simple(const char* sql);
    void FinalizeAll();
    std::string JournalMode(const char* pragma);
    void StartCheckpointer();
    static int OnWalCommit(void* self, sqlite3* db, const char* schema, int pages);
    static int OnBusy(void* self, int attempts);

    sqlite3* m_db = nullptr;
    // Prepared statements by the skeleton text, so statements of one shape are prepared once.
    std::unordered_map<std::string, sqlite3_stmt*> m_cache;
    int m_checkpointPages = kCheckpointPages;
    int m_lockWaitMs = 0;
    std::int64_t m_busySinceNs = 0;
    WalCheckpointer m_checkpointer;
};
