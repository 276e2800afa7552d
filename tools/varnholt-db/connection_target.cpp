#include "connection_target.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace {

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// key=value pairs separated by ';', keys compared without case.
std::map<std::string, std::string> Pairs(const std::string& text)
{
    std::map<std::string, std::string> pairs;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(';', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string item = text.substr(start, end - start);
        const auto equals = item.find('=');
        if (equals != std::string::npos)
            pairs[Lower(Trim(item.substr(0, equals)))] = Trim(item.substr(equals + 1));
        start = end + 1;
    }
    return pairs;
}

} // namespace

bool ConnectionTarget::Parse(const std::string& argument, std::string& error)
{
    if (Trim(argument).empty()) {
        error = "no database given";
        return false;
    }
    if (Lower(argument).rfind("provider=", 0) != 0) {
        // A path: the connection string cannot carry one that holds its separator.
        if (argument.find(';') != std::string::npos) {
            error = "an SQLite path must not contain ';': " + argument;
            return false;
        }
        m_sqlite = true;
        m_sqlitePath = argument;
        m_description = argument;
        m_connectionString = "Provider=SQLite;Data Source=" + argument + ";Create=true;";
        return true;
    }

    const auto pairs = Pairs(argument);
    const auto provider = Lower(pairs.count("provider") ? pairs.at("provider") : std::string());
    m_connectionString = argument;
    if (provider == "sqlite") {
        const auto source = pairs.find("data source");
        if (source == pairs.end() || source->second.empty()) {
            error = "the SQLite connection string names no Data Source";
            return false;
        }
        m_sqlite = true;
        m_sqlitePath = source->second;
        m_description = source->second;
        // The tool makes new files; the console's own string need not allow that.
        if (!pairs.count("create")) {
            if (m_connectionString.back() != ';')
                m_connectionString += ';';
            m_connectionString += "Create=true;";
        }
        return true;
    }
    if (provider == "postgresql") {
        const auto database = pairs.find("database");
        const auto host = pairs.find("host");
        m_description = "PostgreSQL database '" +
                        (database != pairs.end() ? database->second : std::string("(default)")) + "'";
        if (host != pairs.end() && !host->second.empty())
            m_description += " on " + host->second;
        return true;
    }
    error = "unknown provider in connection string (use SQLite or PostgreSQL)";
    return false;
}
