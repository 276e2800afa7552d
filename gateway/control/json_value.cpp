#include "json_value.h"

#include <cstdlib>

class JsonParser final {
public:
    explicit JsonParser(std::string_view text) : m_text(text) {}

    bool Document(JsonValue* out, std::string* error)
    {
        const bool ok = Value(out, 0) && (Skip(), m_pos == m_text.size());
        if (!ok && error)
            *error = "malformed JSON near offset " + std::to_string(m_pos);
        return ok;
    }

private:
    void Skip()
    {
        while (m_pos < m_text.size() &&
               (m_text[m_pos] == ' ' || m_text[m_pos] == '\n' || m_text[m_pos] == '\r' || m_text[m_pos] == '\t')) {
            ++m_pos;
        }
    }
    bool Literal(std::string_view word)
    {
        if (m_text.substr(m_pos, word.size()) != word)
            return false;
        m_pos += word.size();
        return true;
    }
    static void AppendUtf8(unsigned cp, std::string* out)
    {
        if (cp < 0x80) {
            out->push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    bool Hex4(unsigned* value)
    {
        if (m_pos + 4 > m_text.size())
            return false;
        const std::string digits(m_text.substr(m_pos, 4));
        char* end = nullptr;
        *value = static_cast<unsigned>(std::strtoul(digits.c_str(), &end, 16));
        m_pos += 4;
        return end == digits.c_str() + 4;
    }
    bool StringBody(std::string* out)
    {
        ++m_pos; // opening quote
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos++];
            if (c == '"')
                return true;
            if (static_cast<unsigned char>(c) < 0x20)
                return false;
            if (c != '\\') {
                out->push_back(c);
                continue;
            }
            if (m_pos >= m_text.size())
                return false;
            const char e = m_text[m_pos++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out->push_back(e);
                break;
            case 'b':
                out->push_back('\b');
                break;
            case 'f':
                out->push_back('\f');
                break;
            case 'n':
                out->push_back('\n');
                break;
            case 'r':
                out->push_back('\r');
                break;
            case 't':
                out->push_back('\t');
                break;
            case 'u': {
                unsigned cp = 0;
                if (!Hex4(&cp))
                    return false;
                if (cp >= 0xD800 && cp <= 0xDBFF) {
                    unsigned low = 0;
                    if (!Literal("\\u") || !Hex4(&low) || low < 0xDC00 || low > 0xDFFF)
                        return false;
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                }
                AppendUtf8(cp, out);
                break;
            }
            default:
                return false;
            }
        }
        return false;
    }
    bool Value(JsonValue* out, int depth)
    {
        if (depth > 64)
            return false;
        Skip();
        if (m_pos >= m_text.size())
            return false;
        const char c = m_text[m_pos];
        if (c == '{') {
            out->m_kind = JsonValue::Kind::kObject;
            ++m_pos;
            Skip();
            if (m_pos < m_text.size() && m_text[m_pos] == '}')
                return ++m_pos, true;
            while (true) {
                Skip();
                std::string key;
                if (m_pos >= m_text.size() || m_text[m_pos] != '"' || !StringBody(&key))
                    return false;
                Skip();
                if (!Literal(":"))
                    return false;
                if (!Value(&out->m_object[key], depth + 1))
                    return false;
                Skip();
                if (Literal("}"))
                    return true;
                if (!Literal(","))
                    return false;
            }
        }
        if (c == '[') {
            out->m_kind = JsonValue::Kind::kArray;
            ++m_pos;
            Skip();
            if (m_pos < m_text.size() && m_text[m_pos] == ']')
                return ++m_pos, true;
            while (true) {
                out->m_array.emplace_back();
                if (!Value(&out->m_array.back(), depth + 1))
                    return false;
                Skip();
                if (Literal("]"))
                    return true;
                if (!Literal(","))
                    return false;
            }
        }
        if (c == '"') {
            out->m_kind = JsonValue::Kind::kString;
            return StringBody(&out->m_string);
        }
        if (Literal("true")) {
            out->m_kind = JsonValue::Kind::kBool;
            out->m_bool = true;
            return true;
        }
        if (Literal("false")) {
            out->m_kind = JsonValue::Kind::kBool;
            return true;
        }
        if (Literal("null"))
            return true;
        const std::string rest(m_text.substr(m_pos, 40));
        char* end = nullptr;
        out->m_number = std::strtod(rest.c_str(), &end);
        if (end == rest.c_str())
            return false;
        out->m_kind = JsonValue::Kind::kNumber;
        m_pos += static_cast<std::size_t>(end - rest.c_str());
        return true;
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

bool JsonValue::Parse(std::string_view text, JsonValue* out, std::string* error)
{
    *out = JsonValue();
    return JsonParser(text).Document(out, error);
}

const JsonValue& JsonValue::operator[](const std::string& key) const
{
    static const JsonValue kNull;
    const auto it = m_object.find(key);
    return it == m_object.end() ? kNull : it->second;
}
