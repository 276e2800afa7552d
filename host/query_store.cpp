#include "query_store.h"

#include "db_connection.h"
#include "db_recordset.h"
#include "execute_sql.h"
#include "sql_text.h"
#include "transaction_scope.h"

#include <optional>

namespace {

std::string Text(const std::string& value)
{
    return "'" + SqlQuote(BlankIfEmpty(value)) + "'";
}

int ToInt(const std::string& text)
{
    try {
        return text.empty() ? 0 : std::stoi(text);
    } catch (...) {
        return 0;
    }
}

// The first row of the ProductID; nothing when there is none. False on a failed select.
bool ReadProduct(CDbConnection& connection, const std::string& productId, std::optional<ProductRow>& row,
                 std::string& error)
{
    CDbRecordset rs;
    rs.SetConnection(&connection);
    const int opened = rs.Open(
        "select ProductCode,QueryCount,ProductName,UseStatus from ProductTable where ProductID=" + Text(productId), 1,
        3, 3);
    if (opened < 0) {
        error = connection.GetErrorsText();
        return false;
    }
    row.reset();
    if (opened == 1) {
        ProductRow found;
        std::string count, use;
        rs.GetFieldValue("ProductCode", found.productCode);
        rs.GetFieldValue("ProductName", found.productName);
        rs.GetFieldValue("QueryCount", count);
        rs.GetFieldValue("UseStatus", use);
        found.queryCount = ToInt(count);
        found.useStatus = ToInt(use);
        row = found;
    }
    return true;
}

bool ReadOne(CDbConnection& connection, const std::string& statement, const std::string& column, std::string& value,
             std::string& error)
{
    CDbRecordset rs;
    rs.SetConnection(&connection);
    const int opened = rs.Open(statement, 1, 3, 3);
    if (opened < 0) {
        error = connection.GetErrorsText();
        return false;
    }
    value.clear();
    if (opened == 1)
        rs.GetFieldValue(column, value);
    return true;
}

} // namespace

bool RecordQuery(CDbConnection& connection, const ReceivedQuery& query, const ReplyTexts& texts, bool enqueueReply,
                 RecordedQuery& out, std::string& error)
{
    out = RecordedQuery();
    TransactionScope transaction(connection);
    if (!transaction.Begin(error))
        return false;

    std::optional<ProductRow> row;
    if (!ReadProduct(connection, query.code.productId, row, error))
        return false;
    const QueryOutcome outcome = ClassifyQuery(row, query.code.productCode);
    out.status = outcome.status;
    if (row) {
        out.productName = row->productName;
        out.realCode = row->productCode;
    }
    const std::string where =
        " where ProductID=" + Text(query.code.productId) + " and ProductCode=" + Text(query.code.productCode);
    if (outcome.counts) {
        if (!RunSql(connection, "update ProductTable set QueryCount=QueryCount+1" + where, error))
            return false;
        // Read back: another host may have counted the same code a moment ago.
        std::string count;
        if (!ReadOne(connection, "select QueryCount from ProductTable" + where, "QueryCount", count, error))
            return false;
        out.status = ToInt(count);
    }
    if (out.status > 1) {
        if (!ReadOne(connection,
                     "select min(QueryTime) as FirstTime from QueryLogTable where QueryProductID=" +
                         Text(query.code.productId) + " and QueryStatus>0",
                     "FirstTime", out.firstTime, error))
            return false;
    }
    if (out.firstTime.empty())
        out.firstTime = query.receivedAt;

    const std::string insertLog =
        "insert into QueryLogTable (QueryTime,QueryPhoneNumber,QueryProductID,QueryProductCode,RealProductCode,"
        "QueryStatus,QueryComm,QueryProv,QueryCity,ProductName) values (#" +
        query.receivedAt + "#," + Text(query.sender) + "," + Text(query.code.productId) + "," +
        Text(query.code.productCode) + "," + Text(out.realCode) + "," + IntText(out.status) + "," + Text(query.comm) +
        "," + Text(query.region.province) + "," + Text(query.region.city) + "," + Text(out.productName) + ")";
    if (!RunSql(connection, insertLog, error))
        return false;

    if (query.answer) {
        ReplyValues values;
        values.product = out.productName;
        values.count = out.status;
        values.firstTime = out.firstTime;
        values.code = query.code.productId + query.code.productCode;
        out.reply = FillReply(ReplyFor(texts, out.status), values);
        if (enqueueReply) {
            if (!RunSql(connection,
                        "insert into SendSmsTable (PhoneNumber,SmsContent,SendStatus,NewFlag) values (" +
                            Text(query.sender) + "," + Text(out.reply) + ",'待发',1)",
                        error))
                return false;
            out.replyQueued = true;
        }
    }
    return transaction.Commit(error);
}

bool StoreReceivedText(CDbConnection& connection, const std::string& sender, const std::string& text,
                       const std::string& smsTime, std::string& error)
{
    return RunSql(connection,
                  "insert into SendSmsTable (SendStatus,SendTime,PhoneNumber,SmsContent,NewFlag) values ('接收',#" +
                      smsTime + "#," + Text(sender) + "," + Text(text) + ",1)",
                  error);
}
