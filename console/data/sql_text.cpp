#include "sql_text.h"

std::string SqlQuote(const std::string& value)
{
    std::string quoted;
    quoted.reserve(value.size() + 2);
    for (char c : value) {
        quoted += c;
        if (c == '\'')
            quoted += '\'';
    }
    return quoted;
}

std::string BlankIfEmpty(const std::string& text)
{
    return text.empty() ? std::string(" ") : text;
}

std::string IntText(int value)
{
    return std::to_string(value);
}
