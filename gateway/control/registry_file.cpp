#include "registry_file.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <strings.h>
#include <unistd.h>

namespace {

constexpr char kHeader[] = "Brantlet Registry Version 1";

std::string Quote(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out.push_back('\\');
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out.push_back(c);
    }
    return out + "\"";
}

// Reads a quoted string starting at pos; pos ends after the closing quote.
bool Unquote(const std::string& line, std::size_t* pos, std::string* out)
{
    if (*pos >= line.size() || line[*pos] != '"')
        return false;
    out->clear();
    for (std::size_t i = *pos + 1; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) {
            ++i;
            out->push_back(line[i] == 'n' ? '\n' : line[i]);
        } else if (line[i] == '"') {
            *pos = i + 1;
            return true;
        } else {
            out->push_back(line[i]);
        }
    }
    return false;
}

} // namespace

bool RegistryFile::Less::operator()(const std::string& a, const std::string& b) const
{
    return strcasecmp(a.c_str(), b.c_str()) < 0;
}

bool RegistryFile::Load(const std::string& path)
{
    m_keys.clear();
    std::ifstream in(path);
    if (!in)
        return errno == ENOENT;
    std::string line;
    if (!std::getline(in, line) || line != kHeader)
        return false;
    std::string key;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == ';')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            key = line.substr(1, line.size() - 2);
            m_keys[key];
            continue;
        }
        if (key.empty())
            return false;
        std::string name;
        std::size_t pos = 0;
        if (line[0] == '@') {
            pos = 1;
        } else if (!Unquote(line, &pos, &name)) {
            return false;
        }
        std::string value;
        if (pos >= line.size() || line[pos] != '=')
            return false;
        ++pos;
        if (!Unquote(line, &pos, &value))
            return false;
        m_keys[key][name] = value;
    }
    return true;
}

bool RegistryFile::Save(const std::string& path) const
{
    std::error_code ec;
    const std::filesystem::path target(path);
    if (target.has_parent_path())
        std::filesystem::create_directories(target.parent_path(), ec);
    const std::string temp = path + ".tmp" + std::to_string(getpid());
    {
        std::ofstream out(temp, std::ios::trunc);
        if (!out)
            return false;
        out << kHeader << "\n";
        for (const auto& [key, values] : m_keys) {
            out << "\n[" << key << "]\n";
            for (const auto& [name, value] : values) {
                out << (name.empty() ? "@" : Quote(name)) << "=" << Quote(value) << "\n";
            }
        }
        out.flush();
        if (!out) {
            std::remove(temp.c_str());
            return false;
        }
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

void RegistryFile::SetValue(const std::string& key, const std::string& name, const std::string& value)
{
    m_keys[key][name] = value;
}

void RegistryFile::CreateKey(const std::string& key)
{
    m_keys[key];
}

const std::string* RegistryFile::Value(const std::string& key, const std::string& name) const
{
    const auto k = m_keys.find(key);
    if (k == m_keys.end())
        return nullptr;
    const auto v = k->second.find(name);
    return v == k->second.end() ? nullptr : &v->second;
}

bool RegistryFile::HasKey(const std::string& key) const
{
    return m_keys.count(key) != 0;
}

bool RegistryFile::HasKeysBelow(const std::string& key) const
{
    const std::string prefix = key + "\\";
    for (const auto& entry : m_keys) {
        if (entry.first.size() > prefix.size() &&
            strncasecmp(entry.first.c_str(), prefix.c_str(), prefix.size()) == 0) {
            return true;
        }
    }
    return false;
}

void RegistryFile::DeleteTree(const std::string& key)
{
    const std::string prefix = key + "\\";
    for (auto it = m_keys.begin(); it != m_keys.end();) {
        const bool below =
            it->first.size() > prefix.size() && strncasecmp(it->first.c_str(), prefix.c_str(), prefix.size()) == 0;
        if (strcasecmp(it->first.c_str(), key.c_str()) == 0 || below) {
            it = m_keys.erase(it);
        } else {
            ++it;
        }
    }
}
