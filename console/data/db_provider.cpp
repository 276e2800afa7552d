#include "db_provider.h"

#include "clock.h"
#include "connection_string.h"
#include "postgres_provider.h"
#include "sqlite_provider.h"
#include "text_util.h"

DbProvider::DbProvider(SqlDialect dialect, const char* sourceName)
    : m_dialect(dialect), m_sourceName(sourceName), m_translator(dialect)
{}

void DbProvider::AddError(std::string description, std::string sqlState, int native)
{
    m_errors.push_back(DbError{std::move(description), std::move(sqlState), native, m_sourceName});
}

bool DbProvider::ReadyToRun()
{
    ClearErrors();
    if (!IsOpen()) {
        AddError("The connection is not open.", "08003", 0);
        return false;
    }
    return RefuseWhileReading();
}

bool DbProvider::RefuseWhileReading()
{
    if (!m_reading)
        return true;
    AddError("The connection is still reading the rows of another statement; nothing was run.", "HY010", 0);
    return false;
}

bool DbProvider::RefuseNul(const std::string& statement)
{
    if (statement.find('\0') == std::string::npos)
        return true;
    AddError("The statement holds a NUL character (\\0), which a text value cannot hold; nothing was run.", "22021", 0);
    return false;
}

const Clock& DbProvider::TheClock() const
{
    return m_clock ? *m_clock : TheSystemClock();
}

std::unique_ptr<DbProvider> DbProvider::Create(const ConnectionString& settings)
{
    switch (ProviderOf(settings)) {
    case ProviderKind::SQLite:
        return std::make_unique<SqliteProvider>();
    case ProviderKind::PostgreSQL:
        return std::make_unique<PostgresProvider>();
    case ProviderKind::Unknown:
        break;
    }
    return nullptr;
}
