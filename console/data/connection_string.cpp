#include "connection_string.h"

#include "text_util.h"

ConnectionString::ConnectionString(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto equals = text.find('=', i);
        const auto semicolon = text.find(';', i);
        if (equals == std::string::npos || (semicolon != std::string::npos && semicolon < equals)) {
            if (semicolon == std::string::npos)
                break;
            i = semicolon + 1;
            continue;
        }
        std::string key = ToLowerAscii(TrimBlanks(text.substr(i, equals - i)));
        std::size_t j = equals + 1;
        while (j < text.size() && (text[j] == ' ' || text[j] == '\t'))
            ++j;
        std::string value;
        if (j < text.size() && (text[j] == '"' || text[j] == '\'')) {
            const char quote = text[j];
            const auto close = text.find(quote, j + 1);
            value = text.substr(j + 1, close == std::string::npos ? std::string::npos : close - j - 1);
            const auto next = close == std::string::npos ? std::string::npos : text.find(';', close);
            i = next == std::string::npos ? text.size() : next + 1;
        } else {
            const auto next = text.find(';', j);
            value = TrimBlanks(text.substr(j, next == std::string::npos ? std::string::npos : next - j));
            i = next == std::string::npos ? text.size() : next + 1;
        }
        if (!key.empty())
            m_pairs.emplace_back(std::move(key), std::move(value));
    }
}

bool ConnectionString::Has(const std::string& key) const
{
    const std::string lower = ToLowerAscii(key);
    for (const auto& [k, v] : m_pairs)
        if (k == lower)
            return true;
    return false;
}

std::string ConnectionString::Get(const std::string& key, const std::string& fallback) const
{
    const std::string lower = ToLowerAscii(key);
    // The last one wins, as with repeated keys elsewhere.
    for (auto it = m_pairs.rbegin(); it != m_pairs.rend(); ++it)
        if (it->first == lower)
            return it->second;
    return fallback;
}

bool ConnectionString::GetFlag(const std::string& key) const
{
    const std::string value = ToLowerAscii(Get(key));
    return value == "1" || value == "true" || value == "yes" || value == "on";
}

ProviderKind ProviderOf(const ConnectionString& settings)
{
    const std::string name = ToLowerAscii(settings.Get("Provider"));
    if (name == "sqlite" || name == "sqlite3")
        return ProviderKind::SQLite;
    if (name == "postgresql" || name == "postgres")
        return ProviderKind::PostgreSQL;
    return ProviderKind::Unknown;
}
