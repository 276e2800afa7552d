#pragma once

#include <string>
#include <string_view>

namespace gsmsim {

// Builds one JSON object on one line, keys in the order added.
class JsonLine final {
public:
    JsonLine& Add(std::string_view key, std::string_view value);
    JsonLine& Add(std::string_view key, const char* value) { return Add(key, std::string_view(value)); }
    JsonLine& Add(std::string_view key, long long value);
    JsonLine& Add(std::string_view key, int value) { return Add(key, static_cast<long long>(value)); }
    JsonLine& AddBool(std::string_view key, bool value);
    std::string Text() const { return "{" + m_body + "}"; }

    // A JSON string literal; bytes that are not valid UTF-8 are left to the reader.
    static std::string Quote(std::string_view text);

private:
    void Key(std::string_view key);
    std::string m_body;
};

} // namespace gsmsim
