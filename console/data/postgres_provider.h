#pragma once

#include "db_provider.h"
#include "db_result.h"

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

struct pg_conn;
struct pg_result;

// PostgreSQL through libpq:
// "Provider=PostgreSQL;Host=..;Port=..;Database=..;User ID=..;Password=..;".
// Statements are prepared once per shape and run with their literals as parameters.
// Inside a transaction, inserts, updates and deletes whose rows nobody reads are sent in
// pipeline mode and their outcome collected every few hundred statements and at commit;
// the first error is reported then, and the transaction fails as a whole. Consecutive
// inserts of one shape ("insert into T (..) values (..)") travel as one multi-row insert.
class PostgresProvider final : public DbProvider {
public:
    PostgresProvider() : DbProvider(SqlDialect::PostgreSQL, "PostgreSQL") {}
    ~PostgresProvider() override;

    bool Open(const ConnectionString& settings) override;
    void Close() override;
    bool IsOpen() const override { return m_conn != nullptr; }
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

    // Statements sent in one pipeline segment before their results are read.
    static constexpr int kPipelineBatch = 512;
    // Rows of one multi-row insert.
    static constexpr int kRowsPerInsert = 256;

private:
    struct Prepared {
        std::string name;
        int parameters = 0;
    };
    struct Pending {
        bool prepare;
        std::string key; // for a prepare: its cache key, dropped again if it failed
    };
    // How an insert of one shape is written for many rows: head + tuple per row.
    struct InsertShape {
        bool multiRow = false;
        std::string head;     // "insert into T (a,b) values "
        std::string tuple;    // "($1,$2)"
        std::string fullName; // prepared statement for kRowsPerInsert rows, once made
    };
    struct TableInfo {
        std::string name;
        std::map<int, std::string> columns; // attribute number -> quoted name
    };

    // How long one look at the socket lasts while a statement waits, in milliseconds.
    static constexpr int kWaitSliceMs = 10;

    void AwaitResult();
    pg_result* Collect();
    bool Run(const std::string& statement, std::unique_ptr<DbResult>* result);
    // Runs a read and hands each row's result to row until it answers false; handed tells
    // whether any row was handed. StreamAgain runs it once more on a new connection when
    // the first try found the connection gone before a row came (ReadRows' outcome).
    bool Stream(const std::string& statement, const std::function<bool(const pg_result*)>& row, bool& handed);
    bool StreamAgain(const std::string& statement, const std::function<bool(const pg_result*)>& row);
    void KeyAndTypes();
    static void Describe(const pg_result* r, std::vector<DbResult::Column>& names, std::vector<unsigned int>& types,
                         std::vector<char>& declared);
    bool EnsureConnected();
    bool Reconnect();
    static void OnNotice(void* self, const pg_result* notice);
    void AddResultError(const pg_result* result);
    void AddConnectionError(const char* sqlState);
    bool Simple(const char* sql);
    bool FlushPipeline(bool reportErrors);
    bool EnterPipeline();
    const InsertShape& ShapeOf(const std::string& key);
    bool QueueRow();
    bool SendRows(bool mayFlush);
    std::string MultiRowText(const InsertShape& shape, int rows) const;
    void BuildParameters();
    const Prepared* PrepareNow(const std::string& key);
    bool ReadResult(pg_result* result, std::unique_ptr<DbResult>* out);
    const TableInfo* Table(unsigned int oid);

    pg_conn* m_conn = nullptr;
    std::unordered_map<std::string, Prepared> m_prepared;
    int m_nextName = 0;
    bool m_inTransaction = false;
    bool m_pipelining = false;
    bool m_lastWasRead = false;
    bool m_serverEnding = false;
    std::deque<Pending> m_pending;
    std::map<unsigned int, TableInfo> m_tables;
    std::unordered_map<std::string, InsertShape> m_shapes;

    // Rows of the insert being gathered: its key, types and values (each ends with NUL).
    std::string m_rowsKey;
    std::vector<unsigned int> m_rowsTypes;
    std::string m_rowsValues;
    std::vector<std::size_t> m_rowsOffsets;
    std::vector<const char*> m_rowsPointers;
    int m_rows = 0;

    // Scratch space reused by every statement.
    std::string m_key;
    std::vector<unsigned int> m_types;
    std::string m_valueBuffer;
    std::vector<const char*> m_values;
};
