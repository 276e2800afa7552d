#include "connection_target.h"

#include "connection_string.h"
#include "text_util.h"

bool ConnectionTarget::Parse(const std::string& argument, std::string& error)
{
    if (TrimBlanks(argument).empty()) {
        error = "no database given";
        return false;
    }
    if (ToLowerAscii(argument).rfind("provider=", 0) != 0) {
        // A path: the connection string cannot carry one that holds its separator.
        if (argument.find(';') != std::string::npos) {
            error = "an SQLite path must not contain ';': " + argument;
            return false;
        }
        m_sqlitePath = argument;
        m_description = argument;
        m_connectionString = "Provider=SQLite;Data Source=" + argument + ";Create=true;";
        return true;
    }

    // Read as the data layer reads it, so the tool and the console agree on its values.
    const ::ConnectionString pairs(argument);
    const ProviderKind provider = ProviderOf(pairs);
    m_connectionString = argument;
    if (provider == ProviderKind::SQLite) {
        const std::string source = pairs.Get("Data Source");
        if (source.empty()) {
            error = "the SQLite connection string names no Data Source";
            return false;
        }
        m_sqlitePath = source;
        m_description = source;
        // The tool makes new files; the console's own string need not allow that.
        if (!pairs.Has("Create")) {
            if (m_connectionString.back() != ';')
                m_connectionString += ';';
            m_connectionString += "Create=true;";
        }
        return true;
    }
    if (provider == ProviderKind::PostgreSQL) {
        const std::string host = pairs.Get("Host");
        m_description = "PostgreSQL database '" + pairs.Get("Database", "(default)") + "'";
        if (!host.empty())
            m_description += " on " + host;
        return true;
    }
    error = "unknown provider in connection string (use SQLite or PostgreSQL)";
    return false;
}
