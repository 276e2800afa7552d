#include "db_row.h"

#include "text_util.h"

#include <charconv>

int DbRow::FindColumn(std::string_view name) const
{
    for (std::size_t i = 0; i < m_columns->size(); ++i)
        if (EqualsNoCaseAscii((*m_columns)[i].name, name))
            return static_cast<int>(i);
    return -1;
}

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
    case FieldValue::Kind::Text:
        if (value.m_text == "NULL")
            text.clear();
        else
            text.assign(TrimBlanksView(value.m_text));
        return;
    default:
        text = FieldShownText(value);
        return;
    }
}

std::string DbRow::Text(std::size_t column) const
{
    std::string text;
    Text(column, text);
    return text;
}
