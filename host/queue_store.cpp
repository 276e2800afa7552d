#include "queue_store.h"

#include "db_connection.h"
#include "db_provider.h"
#include "db_recordset.h"
#include "execute_sql.h"
#include "sql_text.h"
#include "transaction_scope.h"

#include <cstdlib>

namespace {

// The database server's time in whole seconds since 1970: one clock for every host, whatever
// their machines' clocks say. (now() would be the client's local time.)
std::string ServerSeconds(CDbConnection& connection)
{
    const DbProvider* provider = connection.Provider();
    if (provider && provider->Dialect() == SqlDialect::PostgreSQL)
        return "cast(extract(epoch from current_timestamp) as bigint)";
    return "cast(strftime('%s','now') as integer)";
}

std::string IndexList(const std::vector<int>& indexes)
{
    std::string list;
    for (int index : indexes)
        list += (list.empty() ? "" : ",") + IntText(index);
    return list;
}

std::string OwnerCondition(const LeaseOwner& owner)
{
    return "HostName='" + SqlQuote(owner.host) + "' and HostPid=" + IntText(owner.pid);
}

// Runs a statement that answers rows of one integer column; -1 when it failed.
int IntRows(CDbConnection& connection, const std::string& statement, const char* column, std::vector<int>* values,
            std::string& error)
{
    CDbRecordset rs;
    rs.SetConnection(&connection);
    const int opened = rs.Open(statement, 1, 3, 3);
    if (opened < 0) {
        error = connection.GetErrorsText();
        return -1;
    }
    int count = 0;
    for (; opened == 1 && !rs.IsEOF(); rs.MoveNext()) {
        ++count;
        if (values) {
            std::string text;
            rs.GetFieldValue(column, text);
            values->push_back(std::atoi(text.c_str()));
        }
    }
    return count;
}

// Whether the database has the table or index (unquoted name, as the schema writes them):
// asked first, because PostgreSQL refuses even "create ... if not exists" to a user without
// the right to create, and a host's user need not have it.
bool Exists(CDbConnection& connection, const char* name, bool& exists, std::string& error)
{
    const DbProvider* provider = connection.Provider();
    const std::string statement =
        provider && provider->Dialect() == SqlDialect::PostgreSQL
            ? std::string("select 1 as n where to_regclass('") + name + "') is not null"
            : std::string("select 1 as n from sqlite_master where name='") + name + "' collate nocase";
    const int rows = IntRows(connection, statement, "n", nullptr, error);
    exists = rows > 0;
    return rows >= 0;
}

} // namespace

namespace queue_store {

bool EnsureLeaseTable(CDbConnection& connection, std::string& error)
{
    bool exists = false;
    if (!Exists(connection, "SendSmsLease", exists, error))
        return false;
    return exists ||
           RunSql(connection,
                  "CREATE TABLE IF NOT EXISTS SendSmsLease (SmsIndex integer primary key, HostName varchar(255) not "
                  "null, HostPid integer not null, ClaimedAt bigint not null, ExpiresAt bigint not null)",
                  error);
}

bool EnsureStatusIndex(CDbConnection& connection, std::string& error)
{
    bool exists = false;
    if (!Exists(connection, "SendSmsTable_SendStatus", exists, error))
        return false;
    return exists ||
           RunSql(connection, "CREATE INDEX IF NOT EXISTS SendSmsTable_SendStatus ON SendSmsTable (SendStatus)", error);
}

bool ResetUnleased(CDbConnection& connection, int& rows, std::string& error)
{
    rows = IntRows(connection,
                   "update SendSmsTable set SendStatus='待发',NewFlag=1 where SendStatus='发送中' and SmsIndex not in "
                   "(select SmsIndex from SendSmsLease) returning SmsIndex",
                   "SmsIndex", nullptr, error);
    return rows >= 0;
}

bool NextWaiting(CDbConnection& connection, int limit, std::vector<QueuedSms>& rows, std::string& error)
{
    rows.clear();
    CDbRecordset rs;
    rs.SetConnection(&connection);
    const int opened = rs.Open("select SmsIndex,PhoneNumber,SmsContent from SendSmsTable where SendStatus='待发' "
                               "order by SmsIndex limit " +
                                   IntText(limit),
                               1, 3, 3);
    if (opened < 0) {
        error = connection.GetErrorsText();
        return false;
    }
    for (; opened == 1 && !rs.IsEOF(); rs.MoveNext()) {
        QueuedSms row;
        std::string index;
        rs.GetFieldValue("SmsIndex", index);
        rs.GetFieldValue("PhoneNumber", row.phoneNumber);
        rs.GetFieldValue("SmsContent", row.content);
        row.index = std::atoi(index.c_str());
        rows.push_back(std::move(row));
    }
    return true;
}

bool Claim(CDbConnection& connection, int index, const LeaseOwner& owner, bool& claimed, std::string& error)
{
    claimed = false;
    TransactionScope transaction(connection);
    if (!transaction.Begin(error))
        return false;
    // The lease first: a host that reads the rows in 发送中 then sees each with its lease.
    const std::string now = ServerSeconds(connection);
    const int leased =
        IntRows(connection,
                "insert into SendSmsLease (SmsIndex,HostName,HostPid,ClaimedAt,ExpiresAt) values (" + IntText(index) +
                    ",'" + SqlQuote(owner.host) + "'," + IntText(owner.pid) + "," + now + "," + now + "+" +
                    IntText(owner.seconds) + ") on conflict do nothing returning SmsIndex",
                "SmsIndex", nullptr, error);
    if (leased <= 0)
        return leased == 0; // held by another host
    // The condition on SendStatus makes the claim atomic; RETURNING tells whether it took.
    const int taken = IntRows(connection,
                              "update SendSmsTable set SendStatus='发送中',NewFlag=1 where SmsIndex=" + IntText(index) +
                                  " and SendStatus='待发' returning SmsIndex",
                              "SmsIndex", nullptr, error);
    if (taken <= 0)
        return taken == 0; // sent, or claimed and finished, by another host: the lease goes again
    if (!transaction.Commit(error))
        return false;
    claimed = true;
    return true;
}

bool MarkSent(CDbConnection& connection, int index, bool success, const std::string& time, std::string& error)
{
    TransactionScope transaction(connection);
    return transaction.Begin(error) &&
           RunSql(connection,
                  std::string("update SendSmsTable set SendStatus='") + (success ? "成功" : "失败") + "',SendTime=#" +
                      time + "#,NewFlag=1 where SmsIndex=" + IntText(index),
                  error) &&
           RunSql(connection, "delete from SendSmsLease where SmsIndex=" + IntText(index), error) &&
           transaction.Commit(error);
}

bool Release(CDbConnection& connection, int index, const LeaseOwner& owner, std::string& error)
{
    TransactionScope transaction(connection);
    if (!transaction.Begin(error))
        return false;
    const int held = IntRows(connection,
                             "delete from SendSmsLease where SmsIndex=" + IntText(index) + " and " +
                                 OwnerCondition(owner) + " returning SmsIndex",
                             "SmsIndex", nullptr, error);
    if (held < 0)
        return false;
    if (held > 0 && !RunSql(connection,
                            "update SendSmsTable set SendStatus='待发',NewFlag=1 where SmsIndex=" + IntText(index) +
                                " and SendStatus='发送中'",
                            error))
        return false;
    return transaction.Commit(error);
}

bool Renew(CDbConnection& connection, const LeaseOwner& owner, const std::vector<int>& indexes, int& renewed,
           std::string& error)
{
    renewed = 0;
    if (indexes.empty())
        return true;
    renewed = IntRows(connection,
                      "update SendSmsLease set ExpiresAt=" + ServerSeconds(connection) + "+" + IntText(owner.seconds) +
                          " where " + OwnerCondition(owner) + " and SmsIndex in (" + IndexList(indexes) +
                          ") returning SmsIndex",
                      "SmsIndex", nullptr, error);
    return renewed >= 0;
}

bool Reclaim(CDbConnection& connection, const LeaseOwner& owner, const std::function<bool(int)>& isRunning, int& rows,
             std::string& error)
{
    rows = 0;
    TransactionScope transaction(connection);
    if (!transaction.Begin(error))
        return false;
    std::vector<int> pids;
    if (IntRows(connection,
                "select distinct HostPid from SendSmsLease where HostName='" + SqlQuote(owner.host) +
                    "' and HostPid<>" + IntText(owner.pid),
                "HostPid", &pids, error) < 0)
        return false;
    std::vector<int> gone;
    for (int pid : pids)
        if (!isRunning(pid))
            gone.push_back(pid);
    std::string condition = "ExpiresAt<" + ServerSeconds(connection);
    if (!gone.empty())
        condition += " or (HostName='" + SqlQuote(owner.host) + "' and HostPid in (" + IndexList(gone) + "))";
    std::vector<int> lapsed;
    if (IntRows(connection, "delete from SendSmsLease where " + condition + " returning SmsIndex", "SmsIndex", &lapsed,
                error) < 0)
        return false;
    if (lapsed.empty())
        return transaction.Commit(error);
    rows = IntRows(connection,
                   "update SendSmsTable set SendStatus='待发',NewFlag=1 where SendStatus='发送中' and SmsIndex in (" +
                       IndexList(lapsed) + ") returning SmsIndex",
                   "SmsIndex", nullptr, error);
    return rows >= 0 && transaction.Commit(error);
}

} // namespace queue_store
