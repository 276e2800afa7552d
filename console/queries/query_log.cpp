#include "query_log.h"

#include "db_connection.h"
#include "db_error_text.h"
#include "message_sink.h"
#include "read_rows.h"
#include "text_util.h"

#include <charconv>
#include <tuple>

std::string QueryLogSelect(const std::string& clause)
{
    return "select QueryIndex,QueryTime,QueryPhoneNumber,QueryProductID,QueryProductCode,RealProductCode,"
           "QueryStatus,QueryComm,QueryProv,QueryCity from QueryLogTable " +
           clause + " ";
}

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

// The cell's display text as DbRow::Text gives it (NULL and the text "NULL" as nothing,
// blanks trimmed, a time as "YYYY-MM-DD HH:MM:SS"), pointing into the cell where its text
// serves as it is, else written into scratch.
std::string_view ShownText(const DbCell& cell, bool time, std::string& scratch)
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

// The fields in the order of QueryLogRow, and which of them is the time.
constexpr const char* kColumns[] = {"QueryIndex",       "QueryTime",       "QueryPhoneNumber", "QueryProductID",
                                    "QueryProductCode", "RealProductCode", "QueryStatus",      "QueryComm",
                                    "QueryProv",        "QueryCity"};
constexpr std::size_t kTimeField = 1;

} // namespace

ReadOutcome ReadQueryLogFields(CDbConnection& connection, const std::string& statement, const QueryLogFieldsSink& sink,
                               std::string& errorText)
{
    constexpr std::size_t kCount = std::tuple_size_v<QueryLogFields>;
    static_assert(sizeof kColumns / sizeof kColumns[0] == kCount);
    QueryLogFields fields;
    // Each field's buffer serves every row.
    std::array<std::string, kCount> scratch;
    int at[kCount] = {};
    bool found = false;
    const long long rows = ReadCells(connection, statement, [&](const DbCells& read) {
        if (!found) {
            // Found by name in the first row.
            for (std::size_t k = 0; k < kCount; ++k)
                at[k] = read.FindColumn(kColumns[k]);
            found = true;
        }
        for (std::size_t k = 0; k < kCount; ++k)
            fields[k] = at[k] < 0 ? std::string_view()
                                  : ShownText(read[static_cast<std::size_t>(at[k])], k == kTimeField, scratch[k]);
        sink(fields);
        return true;
    });
    if (rows < 0) {
        errorText = connection.GetErrorsText();
        return ReadOutcome::Failed;
    }
    return rows == 0 ? ReadOutcome::Empty : ReadOutcome::Rows;
}

QueryLogFieldsSink CopiedToRows(QueryLogRowSink sink)
{
    // The row's strings keep their buffers from row to row.
    return [sink = std::move(sink), row = QueryLogRow()](const QueryLogFields& fields) mutable {
        std::string* const strings[] = {&row.index,    &row.time,   &row.phone, &row.productId, &row.productCode,
                                        &row.realCode, &row.status, &row.comm,  &row.province,  &row.city};
        for (std::size_t k = 0; k < fields.size(); ++k)
            strings[k]->assign(fields[k]);
        sink(row);
    };
}

ReadOutcome ReadQueryLogRows(CDbConnection& connection, const std::string& statement, const QueryLogRowSink& sink,
                             std::string& errorText)
{
    return ReadQueryLogFields(connection, statement, CopiedToRows(sink), errorText);
}

void ShowDatabaseError(const CDbConnection& connection)
{
    CurrentMessageSink().Show(OperatorErrorText(connection), ApplicationName(), MessageIcon::None);
}
