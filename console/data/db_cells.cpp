#include "db_cells.h"

#include "field_value.h"
#include "text_util.h"

#include <charconv>

namespace {

// "YYYY-MM-DD HH:MM:SS" with digits where they belong: the display text of such a time is
// the text itself, whether or not it is a valid date.
bool ShapedAsShownTime(std::string_view text)
{
    static constexpr char kShape[] = "dddd-dd-dd dd:dd:dd";
    if (text.size() != sizeof kShape - 1)
        return false;
    for (std::size_t k = 0; k < text.size(); ++k) {
        if (kShape[k] == 'd' ? text[k] < '0' || text[k] > '9' : text[k] != kShape[k])
            return false;
    }
    return true;
}

} // namespace

// The text DbRow::Text gives the same cell, without its copy where the cell serves as it is.
std::string_view CellShownText(const DbCell& cell, bool time, std::string& scratch)
{
    FieldValue value;
    switch (cell.kind) {
    case DbCell::Kind::Null:
        return {};
    case DbCell::Kind::Int: {
        char digits[24];
        scratch.assign(digits, std::to_chars(digits, digits + sizeof digits, cell.integer).ptr);
        return scratch;
    }
    case DbCell::Kind::Text: {
        const std::string_view text = cell.text;
        if (time && !ShapedAsShownTime(text)) {
            if (ParseDateTimeText(text, value.m_dateTime)) {
                value.kind = FieldValue::Kind::DateTime;
                break;
            }
        }
        if (text == "NULL")
            return {};
        // Most texts have no blanks at either end.
        if (text.empty() || (!IsBlank(text.front()) && !IsBlank(text.back())))
            return text;
        return TrimBlanksView(text);
    }
    case DbCell::Kind::Real:
        value.kind = FieldValue::Kind::Double;
        value.m_double = cell.real;
        break;
    case DbCell::Kind::Other:
        value.kind = FieldValue::Kind::Other;
        value.m_text.assign(cell.text);
        break;
    }
    scratch = FieldShownText(value);
    return scratch;
}
