#pragma once

#include <memory>
#include <string>

class DbProvider;

// The console's one connection to the database. The provider is chosen by the connection
// string: "Provider=SQLite;Data Source=...;" or "Provider=PostgreSQL;Host=..;...".
// No operation lets an exception out; outcomes are return values.
class CDbConnection final {
public:
    CDbConnection();
    ~CDbConnection();
    CDbConnection(const CDbConnection&) = delete;
    CDbConnection& operator=(const CDbConnection&) = delete;

    bool Open(const std::string& connectionString, int options);
    bool CloseIfOpen();
    std::string GetErrorsText() const;

    // Groups many statements into one unit of work: all or nothing.
    bool BeginTrans();
    bool CommitTrans();
    bool RollbackTrans();

    const std::string& ConnectionString() const { return m_connectionString; }
    bool IsOpen() const;

    // For the recordset and ExecuteSql: the open provider, or nullptr.
    DbProvider* Provider() const;
    void ClearErrors();

private:
    std::string m_connectionString;
    std::unique_ptr<DbProvider> m_provider;
};

// The process-wide connection the pages share; set by the main window (and by tests).
CDbConnection* TheConnection();
void SetTheConnection(CDbConnection* connection);
