#pragma once

#include "db_provider.h"

// PostgreSQL through libpq (work in progress).
class PostgresProvider final : public DbProvider {
public:
    SqlDialect Dialect() const override { return SqlDialect::PostgreSQL; }
    bool Open(const ConnectionString&) override { AddError("PostgreSQL is not available yet.", "08001", 0); return false; }
    void Close() override {}
    bool IsOpen() const override { return false; }
    bool Execute(const std::string&, std::unique_ptr<DbResult>*) override { return false; }
    bool ExecuteScript(const std::string&) override { return false; }
    bool Begin() override { return false; }
    bool Commit() override { return false; }
    bool Rollback() override { return false; }
    bool InTransaction() const override { return false; }
    bool UpdateRow(const DbResult&, std::size_t, const std::vector<std::pair<std::size_t, FieldValue>>&) override { return false; }

protected:
    const char* SourceName() const override { return "PostgreSQL"; }
};
