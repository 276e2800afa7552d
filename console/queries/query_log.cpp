#include "query_log.h"

#include "db_connection.h"
#include "db_error_text.h"
#include "message_sink.h"
#include "read_rows.h"

std::string QueryLogSelect(const std::string& clause)
{
    return "select QueryIndex,QueryTime,QueryPhoneNumber,QueryProductID,QueryProductCode,RealProductCode,"
           "QueryStatus,QueryComm,QueryProv,QueryCity from QueryLogTable " +
           clause + " ";
}

ReadOutcome ReadQueryLogRows(CDbConnection& connection, const std::string& statement, const QueryLogRowSink& sink,
                             std::string& errorText)
{
    // The fields in the order of QueryLogRow, found by name in the first row.
    static const char* const kColumns[] = {"QueryIndex",       "QueryTime",       "QueryPhoneNumber", "QueryProductID",
                                           "QueryProductCode", "RealProductCode", "QueryStatus",      "QueryComm",
                                           "QueryProv",        "QueryCity"};
    constexpr std::size_t kCount = sizeof kColumns / sizeof kColumns[0];
    QueryLogRow row;
    std::string* const fields[kCount] = {&row.index,    &row.time,   &row.phone, &row.productId, &row.productCode,
                                         &row.realCode, &row.status, &row.comm,  &row.province,  &row.city};
    int at[kCount] = {};
    bool found = false;
    const long long rows = ReadRows(connection, statement, [&](const DbRow& read) {
        if (!found) {
            for (std::size_t k = 0; k < kCount; ++k)
                at[k] = read.FindColumn(kColumns[k]);
            found = true;
        }
        // Each field's buffer serves every row.
        for (std::size_t k = 0; k < kCount; ++k) {
            if (at[k] >= 0)
                read.Text(static_cast<std::size_t>(at[k]), *fields[k]);
            else
                fields[k]->clear();
        }
        sink(row);
        return true;
    });
    if (rows < 0) {
        errorText = connection.GetErrorsText();
        return ReadOutcome::Failed;
    }
    return rows == 0 ? ReadOutcome::Empty : ReadOutcome::Rows;
}

void ShowDatabaseError(const CDbConnection& connection)
{
    CurrentMessageSink().Show(OperatorErrorText(connection), ApplicationName(), MessageIcon::None);
}
