#pragma once

#include "db_cells.h"
#include "db_error.h"
#include "db_row.h"
#include "field_value.h"
#include "jet_translator.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

class Clock;
class ConnectionString;
class DbResult;

// The only door to a database engine. One provider object is one connection. Statements
// are in the console's own dialect (#...# dates, now(), [names]); the provider translates
// them. Nothing here throws: failures are
// answered as false and described in Errors().
class DbProvider {
public:
    virtual ~DbProvider() = default;

    SqlDialect Dialect() const { return m_dialect; }
    virtual bool Open(const ConnectionString& settings) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    // Runs one statement. When it produces a result table and result is not null, *result
    // receives all its rows (a statement without a result table leaves *result null).
    // Clears the error collection first.
    virtual bool Execute(const std::string& statement, std::unique_ptr<DbResult>* result) = 0;

    // Runs one statement and hands its rows to reader one at a time as the engine produces
    // them: however long the result, no more than a row of it is held here. Until it
    // returns the connection takes no other statement (it fails with an error), so the
    // reader must not use it. True when the statement ran to its end or the reader stopped
    // it; false on a failure, also one after some rows were handed (they are then no
    // complete result). Clears the error collection first.
    virtual bool ReadRows(const std::string& statement, const DbRowReader& reader) = 0;
    // The same, each row's cells handed as the engine holds them (see DbCell): nothing
    // copied, for a reader that takes a few numbers and texts from each of many rows.
    virtual bool ReadCells(const std::string& statement, const DbCellReader& reader) = 0;
    // True while ReadRows or ReadCells hands rows to its reader.
    bool IsReading() const { return m_reading; }

    // Runs a script of several statements in the engine's own dialect, untranslated.
    virtual bool ExecuteScript(const std::string& script) = 0;

    virtual bool Begin() = 0;
    virtual bool Commit() = 0;
    virtual bool Rollback() = 0;
    virtual bool InTransaction() const = 0;

    // Writes changes of one row of a result back, only when the row still holds the values
    // read (optimistic locking). True when exactly that row was changed.
    virtual bool UpdateRow(const DbResult& result, std::size_t row,
                           const std::vector<std::pair<std::size_t, FieldValue>>& changes) = 0;

    const std::vector<DbError>& Errors() const { return m_errors; }
    void ClearErrors()
    {
        if (!m_errors.empty())
            m_errors.clear();
    }
    void AddError(std::string description, std::string sqlState, int native);

    // The clock now() reads; the system clock unless a test sets one.
    void SetClock(const Clock* clock) { m_clock = clock; }
    const Clock& TheClock() const;

    // The provider named by the connection string's Provider key, or nullptr.
    static std::unique_ptr<DbProvider> Create(const ConnectionString& settings);

protected:
    // sourceName is what errors name as their source.
    DbProvider(SqlDialect dialect, const char* sourceName);

    // Starts a call that needs the connection: clears the errors, and answers false with
    // the error "The connection is not open." when it is not, or with RefuseWhileReading's.
    bool ReadyToRun();
    // False, with an error, while rows are being handed to a reader: a statement run then
    // would cut into the running one.
    bool RefuseWhileReading();
    // Marks the connection busy for as long as a reader has the rows.
    class ReadingScope final {
    public:
        explicit ReadingScope(DbProvider& provider) : m_provider(provider) { m_provider.m_reading = true; }
        ~ReadingScope() { m_provider.m_reading = false; }
        ReadingScope(const ReadingScope&) = delete;
        ReadingScope& operator=(const ReadingScope&) = delete;

    private:
        DbProvider& m_provider;
    };
    // False, with an error, when the statement holds a NUL character: one engine would cut
    // the text there and report success, so neither takes it.
    bool RefuseNul(const std::string& statement);
    JetTranslator& Translator() { return m_translator; }

private:
    const SqlDialect m_dialect;
    const char* const m_sourceName;
    JetTranslator m_translator;
    std::vector<DbError> m_errors;
    const Clock* m_clock = nullptr;
    bool m_reading = false;
};
