#include "query_store.h"

#include "db_connection.h"
#include "db_provider.h"
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

// The answer's text, and its 待发 row when answers are kept in the queue.
bool Answer(CDbConnection& connection, const ReceivedQuery& query, const ReplyTexts& texts, bool enqueueReply,
            RecordedQuery& out, std::string& error)
{
    if (!query.answer)
        return true;
    ReplyValues values;
    values.product = out.productName;
    values.count = out.status;
    values.firstTime = out.firstTime;
    values.code = query.code.productId + query.code.productCode;
    out.reply = FillReply(ReplyFor(texts, out.status), values);
    if (!enqueueReply)
        return true;
    if (!RunSql(connection,
                "insert into SendSmsTable (PhoneNumber,SmsContent,SendStatus,NewFlag) values (" + Text(query.sender) +
                    "," + Text(out.reply) + ",'待发',1)",
                error))
        return false;
    out.replyQueued = true;
    return true;
}

// On a server every statement is a round trip: read, count, log and read back the outcome
// in one statement (atomic on its own), prepared once per connection so the server plans
// it once. The classification is ClassifyQuery's, written in SQL: no row -1, another code
// value -2, UseStatus not 1 -3, else the count after counting. Every sub-statement sees the
// tables as they were before it, as the stepwise work does. Parameters: ProductID, code
// value, QueryTime, sender, port, province, city.
constexpr const char* kPreparedQuery = "varnholt_record_query";

std::string PrepareQueryStatement()
{
    return std::string("prepare ") + kPreparedQuery +
           " (citext,citext,timestamp,citext,citext,citext,citext) as"
           " with p as (select btrim(ProductCode) as Code,ProductName,coalesce(UseStatus,0) as UseStatus"
           " from ProductTable where ProductID=$1 limit 1),"
           " c as (update ProductTable set QueryCount=QueryCount+1 where ProductID=$1 and ProductCode=$2"
           " and exists (select 1 from p where Code=$2::text and UseStatus=1) returning QueryCount),"
           " s as (select case when not exists (select 1 from p) then -1"
           " when (select Code from p)<>$2::text then -2"
           " when (select UseStatus from p)<>1 then -3"
           " else coalesce((select QueryCount from c limit 1),0) end as QueryStatus),"
           " l as (insert into QueryLogTable (QueryTime,QueryPhoneNumber,QueryProductID,QueryProductCode,"
           "RealProductCode,QueryStatus,QueryComm,QueryProv,QueryCity,ProductName)"
           " select $3,$4,$1,$2,coalesce((select nullif(Code,'') from p),' '),QueryStatus,$5,$6,$7,"
           "coalesce((select nullif(btrim(ProductName),'') from p),' ') from s returning QueryStatus)"
           " select l.QueryStatus,(select ProductName from p) as ProductName,(select Code from p) as RealProductCode,"
           " case when l.QueryStatus>1 then (select min(QueryTime) from QueryLogTable where QueryProductID=$1"
           " and QueryStatus>0) end as FirstTime from l";
}

std::string ExecuteQueryStatement(const ReceivedQuery& query)
{
    return std::string("execute ") + kPreparedQuery + " (" + Text(query.code.productId) + "," +
           Text(query.code.productCode) + "," + Text(query.receivedAt) + "," + Text(query.sender) + "," +
           Text(query.comm) + "," + Text(query.region.province) + "," + Text(query.region.city) + ")";
}

// Prepares the statement on this connection unless it is there (a connection opened anew
// has lost it).
bool PrepareQuery(CDbConnection& connection, std::string& error)
{
    std::string found;
    if (!ReadOne(connection,
                 std::string("select 1 as Found from pg_prepared_statements where name='") + kPreparedQuery + "'",
                 "Found", found, error))
        return false;
    return !found.empty() || RunSql(connection, PrepareQueryStatement(), error);
}

bool RecordQueryInOneStatement(CDbConnection& connection, const ReceivedQuery& query, const ReplyTexts& texts,
                               bool enqueueReply, RecordedQuery& out, std::string& error)
{
    out = RecordedQuery();
    const bool inTransaction = enqueueReply && query.answer;
    // Inside a transaction a failed statement spoils it: the statement is made sure of first.
    if (inTransaction && !PrepareQuery(connection, error))
        return false;
    // The answer's row joins the same transaction; without it the statement is one alone.
    TransactionScope transaction(connection);
    if (inTransaction && !transaction.Begin(error))
        return false;
    CDbRecordset rs;
    rs.SetConnection(&connection);
    int opened = rs.Open(ExecuteQueryStatement(query), 1, 3, 3);
    if (opened < 0 && !inTransaction) {
        // Not prepared on this connection yet: nothing was done, so it can simply run again.
        std::string prepareError;
        if (PrepareQuery(connection, prepareError))
            opened = rs.Open(ExecuteQueryStatement(query), 1, 3, 3);
    }
    if (opened != 1) {
        error = connection.GetErrorsText();
        if (error.empty())
            error = "the query's statement gave no outcome";
        return false;
    }
    std::string status;
    rs.GetFieldValue("QueryStatus", status);
    rs.GetFieldValue("ProductName", out.productName);
    rs.GetFieldValue("RealProductCode", out.realCode);
    rs.GetFieldValue("FirstTime", out.firstTime);
    rs.CloseIfOpen();
    out.status = ToInt(status);
    if (out.firstTime.empty())
        out.firstTime = query.receivedAt;
    if (!Answer(connection, query, texts, enqueueReply, out, error))
        return false;
    return !inTransaction || transaction.Commit(error);
}

} // namespace

bool RecordQuery(CDbConnection& connection, const ReceivedQuery& query, const ReplyTexts& texts, bool enqueueReply,
                 RecordedQuery& out, std::string& error)
{
    if (connection.Provider() && connection.Provider()->Dialect() == SqlDialect::PostgreSQL)
        return RecordQueryInOneStatement(connection, query, texts, enqueueReply, out, error);
    return RecordQueryStepwise(connection, query, texts, enqueueReply, out, error);
}

bool RecordQueryStepwise(CDbConnection& connection, const ReceivedQuery& query, const ReplyTexts& texts,
                         bool enqueueReply, RecordedQuery& out, std::string& error)
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

    if (!Answer(connection, query, texts, enqueueReply, out, error))
        return false;
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
