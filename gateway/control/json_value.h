#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A small JSON reader for the tests that check the control's description files;
// enough for objects, arrays, strings with escapes, numbers, booleans and null.
class JsonValue final {
public:
    enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };

    // False with a message on malformed input.
    static bool Parse(std::string_view text, JsonValue* out, std::string* error);

    Kind GetKind() const { return m_kind; }
    bool Bool() const { return m_bool; }
    double Number() const { return m_number; }
    const std::string& String() const { return m_string; }
    const std::vector<JsonValue>& Array() const { return m_array; }
    // A member of an object; a null value when missing.
    const JsonValue& operator[](const std::string& key) const;
    bool Has(const std::string& key) const { return m_object.count(key) != 0; }

private:
    friend class JsonParser;
    Kind m_kind = Kind::kNull;
    bool m_bool = false;
    double m_number = 0;
    std::string m_string;
    std::vector<JsonValue> m_array;
    std::map<std::string, JsonValue> m_object;
};
