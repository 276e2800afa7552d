#pragma once

#include <string>

// What `varnholt-db init` was pointed at: a connection string ("Provider=...;...") or a
// plain path, which means an SQLite file.
class ConnectionTarget final {
public:
    // False with a reason when the argument names nothing usable.
    bool Parse(const std::string& argument, std::string& error);

    const std::string& ConnectionString() const { return m_connectionString; }
    // The SQLite file; empty for a server database.
    bool IsSqlite() const { return !m_sqlitePath.empty(); }
    const std::string& SqlitePath() const { return m_sqlitePath; }
    // For messages: the file, or the server database by name (never the password).
    const std::string& Description() const { return m_description; }

private:
    std::string m_connectionString;
    std::string m_sqlitePath;
    std::string m_description;
};
