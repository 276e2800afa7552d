#pragma once

#include "db_error.h"

#include <memory>
#include <string>
#include <vector>

class Clock;
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
    // The entries GetErrorsText() writes out: the layer's own, then the engine's.
    std::vector<DbError> Errors() const;

    // Groups many statements into one unit of work: all or nothing. On PostgreSQL the
    // statements of a transaction whose rows nobody reads are sent ahead, so a failure
    // may be reported by a later statement or by CommitTrans, which then answers false
    // with the cause in GetErrorsText(). RollbackTrans with no transaction left (after a
    // failed commit) answers true and keeps the errors.
    bool BeginTrans();
    bool CommitTrans();
    bool RollbackTrans();

    const std::string& ConnectionString() const { return m_connectionString; }
    bool IsOpen() const;

    // For the recordset and ExecuteSql: the open provider, or nullptr.
    DbProvider* Provider() const;
    // Before a statement: clears the errors and answers the open provider, or nullptr with
    // the error "The connection is not open.".
    DbProvider* StartStatement();
    void ClearErrors();
    // Adds an error of the layer itself (not of the engine) to the collection.
    void AddError(const std::string& description);

    // The clock that now() in statements reads; nullptr for the system clock.
    void SetClock(const Clock* clock);

private:
    // False, with the error "The connection is not open.", when it is not.
    bool CheckOpen();
    // True, with an error, while the provider hands rows to a reader: closing it then would
    // pull the running statement away under the reader.
    bool RefuseWhileReading();

    std::string m_connectionString;
    std::unique_ptr<DbProvider> m_provider;
    std::vector<DbError> m_ownErrors;
    const Clock* m_clock = nullptr;
};

// The process-wide connection the pages share; set by the main window (and by tests).
CDbConnection* TheConnection();
void SetTheConnection(CDbConnection* connection);
// True while a long run of a page has the shared connection and lets the window work
// meanwhile: a reader is being handed a statement's rows (another statement would be
// refused), a transaction is open (another statement would join it), or a statement waits
// for a lock and the window is served from the wait (another statement would cut into
// it). Work a timer or a signal starts waits then, and tries again later.
bool ConnectionBusy();
