#pragma once

#include <map>
#include <string>

// The per-user registry of the control: keys holding named string values ("" is the
// default value), kept in a text file shaped like a registry export:
//
//   [Software\Classes\CLSID\{...}\InprocServer32]
//   @="/usr/lib/libbrantlet.so.1"
//   "ThreadingModel"="Apartment"
//
// Key names compare case-insensitively, as registry keys do.
class RegistryFile final {
public:
    // False when the file exists but cannot be read or is not a registry file. A missing
    // file is an empty registry.
    bool Load(const std::string& path);
    // Writes through a temporary file and a rename, creating missing folders.
    bool Save(const std::string& path) const;

    void SetValue(const std::string& key, const std::string& name, const std::string& value);
    // Creates the key with no values (a marker key such as "Control").
    void CreateKey(const std::string& key);
    // Null when the key or value is missing.
    const std::string* Value(const std::string& key, const std::string& name) const;
    bool HasKey(const std::string& key) const;
    bool HasKeysBelow(const std::string& key) const;
    // Removes the key and every key below it.
    void DeleteTree(const std::string& key);
    std::size_t KeyCount() const { return m_keys.size(); }

private:
    struct Less {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    std::map<std::string, std::map<std::string, std::string>, Less> m_keys;
};
