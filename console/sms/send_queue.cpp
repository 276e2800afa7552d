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

// The flag resets of one pass. The first rows are reset one by one, each in its own
// commit, as a refresh finds them; past those, rows are reset in groups, each group one
// short transaction, which costs a fraction of a commit per row. The row hook runs only
// outside a transaction, so whatever it lets run never joins one. A record counts as
// reset only once its reset is committed; a group whose commit fails keeps its flags
// and comes again with the next pass.
class ResetPass final {
public:
    ResetPass(CDbConnection& connection, const std::function<void(std::size_t)>& hook, std::vector<SmsRecord>* done)
        : m_connection(connection), m_hook(hook), m_done(done)
    {}
    ~ResetPass() { EndGroup(); }
    // Ends the last group and tells the hook.
    void Finish()
    {
        if (m_inGroup) {
            EndGroup();
            Hook();
        }
    }
    ResetPass(const ResetPass&) = delete;
    ResetPass& operator=(const ResetPass&) = delete;

    void BeforeRow()
    {
        if (m_rows >= kSingly && !m_inGroup)
            m_inGroup = m_connection.BeginTrans();
    }
    // After the row's Update; reset tells whether it took.
    void AfterRow(bool reset, SmsRecord&& record)
    {
        ++m_rows;
        if (!m_inGroup) {
            if (reset && m_done)
                m_done->push_back(std::move(record));
            Hook();
            return;
        }
        if (reset)
            m_group.push_back(std::move(record));
        if (++m_groupRows == kGroupRows) {
            EndGroup();
            Hook();
        }
    }

private:
    static constexpr std::size_t kSingly = 64;
    static constexpr std::size_t kGroupRows = 200;

    void EndGroup()
    {
        if (!m_inGroup)
            return;
        m_inGroup = false;
        m_groupRows = 0;
        m_connection.ClearErrors();
        if (m_connection.CommitTrans()) {
            if (m_done)
                m_done->insert(m_done->end(), std::make_move_iterator(m_group.begin()),
                               std::make_move_iterator(m_group.end()));
        } else {
            m_connection.RollbackTrans();
        }
        m_group.clear();
    }
    void Hook()
    {
        if (m_hook)
            m_hook(m_rows);
    }

    CDbConnection& m_connection;
    const std::function<void(std::size_t)>& m_hook;
    std::vector<SmsRecord>* m_done;
    std::vector<SmsRecord> m_group;
    std::size_t m_rows = 0;
    std::size_t m_groupRows = 0;
    bool m_inGroup = false;
};

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

std::optional<std::vector<SmsRecord>> SendQueue::LoadAllSms()
{
    std::optional<std::vector<SmsRecord>> records = ReadAllSms();
    if (!records || !ClearFlagsRead(*records))
        return std::nullopt;
    return records;
}

std::optional<std::vector<SmsRecord>> SendQueue::ReadAllSms()
{
    std::vector<SmsRecord> records;
    CDbRecordset rows;
    rows.SetConnection(&m_connection);
    const int found = rows.Open(kSelectAll, 1, 3, 3);
    if (found < 0)
        return std::nullopt;
    if (found == 1) {
        rows.MoveLast();
        while (!rows.IsBOF()) {
            records.push_back(ReadRecord(rows));
            rows.MovePrevious();
        }
    }
    return records;
}

bool SendQueue::ClearFlagsRead(const std::vector<SmsRecord>& records)
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
    const int found = flagged.Open(kSelectChanged, 1, 3, 3);
    if (found != 1)
        return found == 0;
    ResetPass pass(m_connection, m_rowHook, nullptr);
    while (!flagged.IsEOF()) {
        SmsRecord now = ReadRecord(flagged);
        const auto read = readAt.find(SmsIndexValue(now.smsIndex));
        bool reset = false;
        if (read != readAt.end() && records[read->second] == now) {
            pass.BeforeRow();
            flagged.SetFieldValue("NewFlag", 0);
            reset = flagged.Update();
        }
        flagged.MoveNext();
        pass.AfterRow(reset, std::move(now));
    }
    pass.Finish();
    return true;
}

std::optional<std::vector<SmsRecord>> SendQueue::Fetch(const std::string& statement)
{
    std::vector<SmsRecord> records;
    CDbRecordset rows;
    rows.SetConnection(&m_connection);
    const int found = rows.Open(statement, 1, 3, 3);
    if (found < 0)
        return std::nullopt;
    if (found == 0)
        return records;
    {
        ResetPass pass(m_connection, m_rowHook, &records);
        while (!rows.IsEOF()) {
            SmsRecord record = ReadRecord(rows);
            pass.BeforeRow();
            rows.SetFieldValue("NewFlag", 0);
            // Shown only once its flag is down: a row the host changed in between keeps
            // the flag and arrives, as it is then, with the next fetch.
            const bool reset = rows.Update();
            rows.MoveNext();
            pass.AfterRow(reset, std::move(record));
        }
        pass.Finish();
    }
    return records;
}

std::optional<std::vector<SmsRecord>> SendQueue::FetchChangedSms()
{
    return Fetch(kSelectChanged);
}

std::optional<std::vector<SmsRecord>> SendQueue::FetchNewPendingSms()
{
    return Fetch(kSelectNewPending);
}
