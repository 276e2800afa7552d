#include "engine_text.h"

#include <climits>

namespace engine_text {

void AppendBounded(std::string& buffer, std::string_view chunk, std::size_t limit)
{
    if (chunk.size() >= limit) {
        buffer.assign(chunk.substr(chunk.size() - limit));
        return;
    }
    buffer.append(chunk);
    if (buffer.size() > limit)
        buffer.erase(0, buffer.size() - limit);
}

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

} // namespace

std::string TrimBlanks(std::string_view text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return std::string(text.substr(begin, end - begin));
}

int ParseDecimal(std::string_view text)
{
    std::size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    long long value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        value = value * 10 + (text[pos] - '0');
        if (value > INT_MAX)
            return negative ? INT_MIN : INT_MAX;
    }
    return static_cast<int>(negative ? -value : value);
}

bool HasErrorAnswer(std::string_view text)
{
    if (Contains(text, "\r\nERROR\r\n"))
        return true;
    for (const std::string_view prefix : {"+CMS ERROR:", "+CME ERROR:"}) {
        const std::size_t at = text.find(prefix);
        if (at != std::string_view::npos && text.find('\r', at) != std::string_view::npos)
            return true;
    }
    return false;
}

} // namespace engine_text
