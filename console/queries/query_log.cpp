#include "query_log.h"

#include "db_connection.h"
#include "db_error_text.h"
#include "message_sink.h"
#include "read_rows.h"
#include "text_util.h"

#include <tuple>

std::string QueryLogSelect(const std::string& clause)
{
    return "select QueryIndex,QueryTime,QueryPhoneNumber,QueryProductID,QueryProductCode,RealProductCode,"
           "QueryStatus,QueryComm,QueryProv,QueryCity from QueryLogTable " +
           clause + " ";
}

namespace {

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
                                  : CellShownText(read[static_cast<std::size_t>(at[k])], k == kTimeField, scratch[k]);
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
