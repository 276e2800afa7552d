#include "query_log.h"

#include "db_connection.h"
#include "db_error_text.h"
#include "db_recordset.h"
#include "message_sink.h"

std::string QueryLogSelect(const std::string& clause)
{
    return "select QueryIndex,QueryTime,QueryPhoneNumber,QueryProductID,QueryProductCode,RealProductCode,"
           "QueryStatus,QueryComm,QueryProv,QueryCity from QueryLogTable " +
           clause + " ";
}

ReadOutcome ReadQueryLogRows(CDbConnection& connection, const std::string& statement, const QueryLogRowSink& sink,
                             std::string& errorText)
{
    CDbRecordset rows;
    rows.SetConnection(&connection);
    const int opened = rows.Open(statement, 1, 3, 3);
    if (opened < 0) {
        errorText = connection.GetErrorsText();
        return ReadOutcome::Failed;
    }
    if (opened == 0)
        return ReadOutcome::Empty;
    QueryLogRow row;
    for (; !rows.IsEOF(); rows.MoveNext()) {
        rows.GetFieldValue("QueryIndex", row.index);
        rows.GetFieldValue("QueryTime", row.time);
        rows.GetFieldValue("QueryPhoneNumber", row.phone);
        rows.GetFieldValue("QueryProductID", row.productId);
        rows.GetFieldValue("QueryProductCode", row.productCode);
        rows.GetFieldValue("RealProductCode", row.realCode);
        rows.GetFieldValue("QueryStatus", row.status);
        rows.GetFieldValue("QueryComm", row.comm);
        rows.GetFieldValue("QueryProv", row.province);
        rows.GetFieldValue("QueryCity", row.city);
        sink(row);
    }
    return ReadOutcome::Rows;
}

void ShowDatabaseError(const CDbConnection& connection)
{
    CurrentMessageSink().Show(OperatorErrorText(connection), ApplicationName(), MessageIcon::None);
}
