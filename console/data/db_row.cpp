#include "db_row.h"

#include "text_util.h"

#include <charconv>

namespace {

// "YYYY-MM-DD HH:MM:SS" as FieldValueToText writes it, without its formatter: a long log
// has a time in every row. False for a date that text would show otherwise.
bool WriteDateTime(const FieldValue::DateTime& d, std::string& text)
{
    const int parts[] = {d.month, d.day, d.hour, d.minute, d.second};
    if (d.year < 0 || d.year > 9999)
        return false;
    for (int part : parts)
        if (part < 0 || part > 99)
            return false;
    char out[19];
    out[0] = static_cast<char>('0' + d.year / 1000);
    out[1] = static_cast<char>('0' + d.year / 100 % 10);
    out[2] = static_cast<char>('0' + d.year / 10 % 10);
    out[3] = static_cast<char>('0' + d.year % 10);
    static const char kSeparators[] = "-- ::";
    for (int k = 0; k < 5; ++k) {
        out[4 + 3 * k] = kSeparators[k];
        out[5 + 3 * k] = static_cast<char>('0' + parts[k] / 10);
        out[6 + 3 * k] = static_cast<char>('0' + parts[k] % 10);
    }
    text.assign(out, sizeof out);
    return true;
}

} // namespace

void DbRow::Text(std::size_t column, std::string& text) const
{
    const FieldValue& value = Field(column);
    switch (value.kind) {
    case FieldValue::Kind::Null:
        text.clear();
        return;
    case FieldValue::Kind::Int: {
        // Most cells of a long read are numbers and short texts: no string is made for them.
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, value.m_int).ptr;
        text.assign(digits, end);
        return;
    }
    case FieldValue::Kind::DateTime:
        if (WriteDateTime(value.m_dateTime, text))
            return;
        break;
    case FieldValue::Kind::Text:
        if (value.m_text == "NULL")
            text.clear();
        else
            text.assign(TrimBlanksView(value.m_text));
        return;
    default:
        break;
    }
    text = FieldShownText(value);
}

std::string DbRow::Text(std::size_t column) const
{
    std::string text;
    Text(column, text);
    return text;
}
