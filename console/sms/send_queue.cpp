#include "send_queue.h"

#include "db_connection.h"
#include "db_recordset.h"
#include "execute_sql.h"
#include "message_sink.h"
#include "sql_text.h"

#include <unordered_map>

namespace {

const char* const kSelectAll = "select SmsIndex,SendStatus,SendTime,PhoneNumber,SmsContent from SendSmsTable";
const char* const kSelectChanged =
    "select SmsIndex,SendStatus,SendTime,PhoneNumber,SmsContent,NewFlag from SendSmsTable where NewFlag=1 ";
const char* const kSelectNewPending = "select SmsIndex,SendStatus,SendTime,PhoneNumber,SmsContent,NewFlag from "
                                      "SendSmsTable where NewFlag=1 and SendStatus='待发'";

std::string InsertStatement(const std::string& phone, const std::string& content)
{
    return "insert into SendSmsTable (PhoneNumber,SmsContent,SendStatus,NewFlag) values ('" +
           SqlQuote(BlankIfEmpty(phone)) + "','" + SqlQuote(BlankIfEmpty(content)) + "','待发',1)";
}

SmsRecord ReadRecord(CDbRecordset& rows)
{
    SmsRecord record;
    rows.GetFieldValue("SmsIndex", record.smsIndex);
    rows.GetFieldValue("SendStatus", record.sendStatus);
    rows.GetFieldValue("SendTime", record.sendTime);
    rows.GetFieldValue("PhoneNumber", record.phoneNumber);
    rows.GetFieldValue("SmsContent", record.smsContent);
    return record;
}

void Show(const std::string& text)
{
    CurrentMessageSink().Show(text, ApplicationName(), MessageIcon::None);
}

} // namespace

SendQueue::SendQueue(CDbConnection& connection) : m_connection(connection) {}

bool SendQueue::Run(const std::string& statement)
{
    ExecuteSql(m_connection, statement);
    // ExecuteSql starts each statement with an empty error collection.
    return m_connection.GetErrorsText().empty();
}

bool SendQueue::EnqueueSms(const std::string& phone, const std::string& content)
{
    return Run(InsertStatement(phone, content));
}

bool SendQueue::EnqueueSms(const std::vector<std::string>& phones, const std::string& content)
{
    if (phones.size() == 1)
        return EnqueueSms(phones.front(), content);
    m_connection.ClearErrors();
    if (!m_connection.BeginTrans()) {
        const std::string error = m_connection.GetErrorsText();
        Show(error.empty() ? "无法开始数据库事务，短信未加入发送列表。" : error);
        return false;
    }
    std::string error;
    for (const std::string& phone : phones) {
        if (!RunSql(m_connection, InsertStatement(phone, content), error)) {
            m_connection.RollbackTrans();
            Show(error);
            return false;
        }
    }
    m_connection.ClearErrors();
    if (!m_connection.CommitTrans()) {
        error = m_connection.GetErrorsText();
        // A refused commit can leave the transaction open.
        m_connection.RollbackTrans();
        Show(error.empty() ? "提交数据库事务失败，短信未加入发送列表。" : error);
        return false;
    }
    return true;
}

bool SendQueue::DeleteSms(int index)
{
    return Run("delete from SendSmsTable where SmsIndex=" + IntText(index));
}

bool SendQueue::DeleteAllSms()
{
    return Run("delete from SendSmsTable ");
}

std::vector<SmsRecord> SendQueue::LoadAllSms()
{
    std::vector<SmsRecord> records = ReadAllSms();
    ClearFlagsRead(records);
    return records;
}

std::vector<SmsRecord> SendQueue::ReadAllSms()
{
    std::vector<SmsRecord> records;
    CDbRecordset rows;
    rows.SetConnection(&m_connection);
    if (rows.Open(kSelectAll, 1, 3, 3) == 1) {
        rows.MoveLast();
        while (!rows.IsBOF()) {
            records.push_back(ReadRecord(rows));
            rows.MovePrevious();
        }
    }
    return records;
}

void SendQueue::ClearFlagsRead(const std::vector<SmsRecord>& records)
{
    // Clearing the whole table here would also clear what the host changed after the
    // select, and that change would never be shown. Only the flagged rows that still
    // hold what the load read are cleared, each under the recordset's optimistic lock.
    std::unordered_map<int, std::size_t> readAt;
    readAt.reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i)
        readAt.emplace(SmsIndexValue(records[i].smsIndex), i);
    CDbRecordset flagged;
    flagged.SetConnection(&m_connection);
    if (flagged.Open(kSelectChanged, 1, 3, 3) != 1)
        return;
    std::size_t done = 0;
    while (!flagged.IsEOF()) {
        const SmsRecord now = ReadRecord(flagged);
        const auto read = readAt.find(SmsIndexValue(now.smsIndex));
        if (read != readAt.end() && records[read->second] == now) {
            flagged.SetFieldValue("NewFlag", 0);
            flagged.Update();
        }
        flagged.MoveNext();
        if (m_rowHook)
            m_rowHook(++done);
    }
}

std::vector<SmsRecord> SendQueue::Fetch(const std::string& statement)
{
    std::vector<SmsRecord> records;
    CDbRecordset rows;
    rows.SetConnection(&m_connection);
    if (rows.Open(statement, 1, 3, 3) != 1)
        return records;
    std::size_t done = 0;
    while (!rows.IsEOF()) {
        SmsRecord record = ReadRecord(rows);
        rows.SetFieldValue("NewFlag", 0);
        // Shown only once its flag is down: a row the host changed in between keeps the
        // flag and arrives, as it is then, with the next fetch.
        if (rows.Update())
            records.push_back(std::move(record));
        rows.MoveNext();
        if (m_rowHook)
            m_rowHook(++done);
    }
    return records;
}

std::vector<SmsRecord> SendQueue::FetchChangedSms()
{
    return Fetch(kSelectChanged);
}

std::vector<SmsRecord> SendQueue::FetchNewPendingSms()
{
    return Fetch(kSelectNewPending);
}
