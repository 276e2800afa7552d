#include "queue_store.h"

#include "db_connection.h"
#include "db_recordset.h"
#include "execute_sql.h"
#include "sql_text.h"

#include <cstdlib>

namespace queue_store {

bool ResetInterrupted(CDbConnection& connection, int& rows, std::string& error)
{
    rows = 0;
    CDbRecordset rs;
    rs.SetConnection(&connection);
    const int opened = rs.Open(
        "update SendSmsTable set SendStatus='待发',NewFlag=1 where SendStatus='发送中' returning SmsIndex", 1, 3, 3);
    if (opened < 0) {
        error = connection.GetErrorsText();
        return false;
    }
    for (; opened == 1 && !rs.IsEOF(); rs.MoveNext())
        ++rows;
    return true;
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

bool Claim(CDbConnection& connection, int index, bool& claimed, std::string& error)
{
    claimed = false;
    CDbRecordset rs;
    rs.SetConnection(&connection);
    // The condition on SendStatus makes the claim atomic; RETURNING tells whether it took.
    const int opened =
        rs.Open("update SendSmsTable set SendStatus='发送中',NewFlag=1 where SmsIndex=" + IntText(index) +
                    " and SendStatus='待发' returning SmsIndex",
                1, 3, 3);
    if (opened < 0) {
        error = connection.GetErrorsText();
        return false;
    }
    claimed = opened == 1;
    return true;
}

bool MarkSent(CDbConnection& connection, int index, bool success, const std::string& time, std::string& error)
{
    return RunSql(connection,
                  std::string("update SendSmsTable set SendStatus='") + (success ? "成功" : "失败") + "',SendTime=#" +
                      time + "#,NewFlag=1 where SmsIndex=" + IntText(index),
                  error);
}

bool Release(CDbConnection& connection, int index, std::string& error)
{
    return RunSql(connection,
                  "update SendSmsTable set SendStatus='待发',NewFlag=1 where SmsIndex=" + IntText(index) +
                      " and SendStatus='发送中'",
                  error);
}

} // namespace queue_store
