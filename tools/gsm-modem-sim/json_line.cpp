#include "json_line.h"

#include <cstdio>

namespace gsmsim {

std::string JsonLine::Quote(std::string_view text)
{
    std::string out = "\"";
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (u < 0x20 || u == 0x7F) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", u);
                out += buf;
            } else {
                out.push_back(c);
            }
        }
    }
    return out + "\"";
}

void JsonLine::Key(std::string_view key)
{
    if (!m_body.empty())
        m_body += ",";
    m_body += Quote(key) + ":";
}

JsonLine& JsonLine::Add(std::string_view key, std::string_view value)
{
    Key(key);
    m_body += Quote(value);
    return *this;
}

JsonLine& JsonLine::Add(std::string_view key, long long value)
{
    Key(key);
    m_body += std::to_string(value);
    return *this;
}

JsonLine& JsonLine::AddBool(std::string_view key, bool value)
{
    Key(key);
    m_body += value ? "true" : "false";
    return *this;
}

} // namespace gsmsim
