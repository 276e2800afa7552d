#pragma once

#include <string>
#include <utility>
#include <vector>

// "Key=Value;Key=Value;" as connection strings are written: keys case-insensitive, blanks
// around keys and values ignored, a value may be quoted with " or ' to hold a ';'.
class ConnectionString final {
public:
    explicit ConnectionString(const std::string& text);

    bool Has(const std::string& key) const;
    // The value of the key, or fallback when it is absent.
    std::string Get(const std::string& key, const std::string& fallback = std::string()) const;
    // True for "1", "true", "yes" and "on" in any letter case.
    bool GetFlag(const std::string& key) const;

private:
    std::vector<std::pair<std::string, std::string>> m_pairs; // key in lower case
};

// The engine the Provider key names: "SQLite" or "SQLite3", "PostgreSQL" or "Postgres", in
// any letter case; every program of the installation reads it this way.
enum class ProviderKind { Unknown = 0, SQLite = 1, PostgreSQL = 2 };
ProviderKind ProviderOf(const ConnectionString& settings);
