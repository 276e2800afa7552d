#include "text_util.h"

std::string ToLowerAscii(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

bool EqualsNoCaseAscii(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view TrimBlanksView(std::string_view text)
{
    std::size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

std::string TrimBlanks(std::string_view text)
{
    return std::string(TrimBlanksView(text));
}

std::string FieldShownText(const FieldValue& value)
{
    // The reader has always shown a NULL, and a text that reads "NULL", as nothing.
    const std::string text = FieldValueToText(value);
    return text == "NULL" ? std::string() : TrimBlanks(text);
}

namespace {

bool ReadFixed(std::string_view text, std::size_t& pos, std::size_t digits, int& value)
{
    if (pos + digits > text.size())
        return false;
    value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const char c = text[pos + i];
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    pos += digits;
    return true;
}

} // namespace

bool ParseDateTimeText(std::string_view text, FieldValue::DateTime& out)
{
    std::size_t pos = 0;
    FieldValue::DateTime d;
    if (!ReadFixed(text, pos, 4, d.year) || pos >= text.size() || text[pos++] != '-' ||
        !ReadFixed(text, pos, 2, d.month) || pos >= text.size() || text[pos++] != '-' ||
        !ReadFixed(text, pos, 2, d.day))
        return false;
    if (pos < text.size()) {
        if (text[pos] != ' ' && text[pos] != 'T')
            return false;
        ++pos;
        if (!ReadFixed(text, pos, 2, d.hour) || pos >= text.size() || text[pos++] != ':' ||
            !ReadFixed(text, pos, 2, d.minute))
            return false;
        if (pos < text.size() && text[pos] == ':') {
            ++pos;
            if (!ReadFixed(text, pos, 2, d.second))
                return false;
        }
        if (pos < text.size() && text[pos] == '.') {
            ++pos;
            while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9')
                ++pos;
        }
        if (pos != text.size())
            return false;
    }
    if (d.month < 1 || d.month > 12 || d.day < 1 || d.day > 31 || d.hour > 23 || d.minute > 59 || d.second > 60)
        return false;
    out = d;
    return true;
}
