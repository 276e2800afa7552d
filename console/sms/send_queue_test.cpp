#include "send_queue.h"
#include "send_record_list.h"

#include "db_engine_test.h"
#include "db_provider.h"
#include "db_recordset.h"
#include "execute_sql.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

class SendQueueTest : public DbEngineTest {
protected:
    // What the gateway host writes, on its own connection.
    void Host(const std::string& statement)
    {
        if (!m_host.IsOpen()) {
            ASSERT_TRUE(OpenSecond(m_host));
        }
        std::string error;
        ASSERT_TRUE(RunSql(m_host, statement, error)) << error;
    }
    void HostAdds(const std::string& status, int flag, const std::string& phone)
    {
        Host("insert into SendSmsTable (SendStatus,PhoneNumber,SmsContent,NewFlag) values ('" + status + "','" + phone +
             "','x'," + std::to_string(flag) + ")");
    }
    std::string Flag(const std::string& phone)
    {
        return Value("select NewFlag from SendSmsTable where PhoneNumber='" + phone + "'", "NewFlag");
    }
    int Rows() { return std::stoi(Value("select count(*) as N from SendSmsTable", "N")); }
    static std::vector<std::string> Phones(const std::vector<SmsRecord>& records)
    {
        std::vector<std::string> phones;
        for (const SmsRecord& record : records)
            phones.push_back(record.phoneNumber);
        return phones;
    }
    static std::vector<std::string> Phones(const SendRecordList& list)
    {
        std::vector<std::string> phones;
        for (std::size_t i = 0; i < list.Size(); ++i)
            phones.push_back(list.At(i).phoneNumber + ":" + list.At(i).sendStatus);
        return phones;
    }

    SendQueue m_queue{m_connection};
    CDbConnection m_host;
};

TEST_P(SendQueueTest, QueuedRowsArePendingFlaggedAndKeepWhatWasTyped)
{
    EXPECT_TRUE(m_queue.EnqueueSms("", ""));
    EXPECT_TRUE(m_queue.EnqueueSms("13800138000", "It's 'quoted' 中文"));
    EXPECT_EQ(Value("select count(*) as N from SendSmsTable where NewFlag=1 and SendStatus='待发'", "N"), "2");
    // An empty text is stored as one blank and reads back empty.
    EXPECT_EQ(Value("select SmsContent from SendSmsTable where PhoneNumber=' '", "SmsContent"), "");
    EXPECT_EQ(Value("select SmsContent from SendSmsTable where PhoneNumber='13800138000'", "SmsContent"),
              "It's 'quoted' 中文");

    // The new-pending fetch brings both, oldest first, and takes their flags down.
    const std::vector<SmsRecord> fetched = m_queue.FetchNewPendingSms().value();
    EXPECT_EQ(Phones(fetched), (std::vector<std::string>{"", "13800138000"}));
    EXPECT_EQ(fetched[1].sendStatus, "待发");
    EXPECT_EQ(Flag("13800138000"), "0");
    EXPECT_TRUE(m_queue.FetchNewPendingSms().value().empty());
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_P(SendQueueTest, ManyRecipientsAreQueuedAllOrNone)
{
    EXPECT_TRUE(m_queue.EnqueueSms({"1001", "1002", "1003"}, "hi"));
    EXPECT_EQ(Rows(), 3);

    // A trigger refuses the third number: the first two must not stay queued.
    ASSERT_TRUE(m_connection.Provider()->ExecuteScript(
        Engine() == SqlDialect::SQLite
            ? "create trigger refuse before insert on SendSmsTable when new.PhoneNumber='2003' "
              "begin select raise(abort, 'number refused'); end;"
            : "create function refuse() returns trigger language plpgsql as $$ begin if new.PhoneNumber = '2003' "
              "then raise exception 'number refused'; end if; return new; end $$;"
              "create trigger refuse before insert on SendSmsTable for each row execute function refuse();"))
        << m_connection.GetErrorsText();
    EXPECT_FALSE(m_queue.EnqueueSms({"2001", "2002", "2003", "2004"}, "hi"));
    EXPECT_EQ(Rows(), 3);
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_NE(m_messages.Messages()[0].text.find("number refused"), std::string::npos);
    // The connection is usable afterwards, outside any transaction.
    EXPECT_TRUE(m_queue.EnqueueSms("3001", "hi"));
    EXPECT_EQ(Rows(), 4);
}

TEST_P(SendQueueTest, DeletesOneRowOrEveryRow)
{
    m_queue.EnqueueSms({"1001", "1002", "1003"}, "hi");
    const int second = std::stoi(Value("select SmsIndex from SendSmsTable where PhoneNumber='1002'", "SmsIndex"));
    EXPECT_TRUE(m_queue.DeleteSms(second));
    EXPECT_EQ(Rows(), 2);
    EXPECT_EQ(Flag("1002"), "<none>");
    EXPECT_TRUE(m_queue.DeleteAllSms());
    EXPECT_EQ(Rows(), 0);
}

TEST_P(SendQueueTest, FullLoadOrdersTheListAndClearsTheFlagsItRead)
{
    for (const char* status : {"成功", "待发", "失败", "发送中", "接收"})
        HostAdds(status, 1, std::string("p") + status);
    SendRecordList list;
    list.ApplyFullLoad(m_queue.LoadAllSms().value());
    EXPECT_EQ(Phones(list),
              (std::vector<std::string>{"p待发:待发", "p发送中:发送中", "p接收:接收", "p失败:失败", "p成功:成功"}));
    EXPECT_EQ(Value("select count(*) as N from SendSmsTable where NewFlag=1", "N"), "0");
    EXPECT_TRUE(m_queue.FetchChangedSms().value().empty());
}

TEST_P(SendQueueTest, AChangeTheHostMakesAfterTheLoadReadIsShownByTheNextRefresh)
{
    HostAdds("待发", 1, "a");
    HostAdds("发送中", 1, "b");
    HostAdds("成功", 0, "c");
    const std::vector<SmsRecord> read = m_queue.ReadAllSms().value();
    SendRecordList list;
    list.ApplyFullLoad(read);
    // The host sends b and receives a message before the load clears the flags.
    Host("update SendSmsTable set SendStatus='成功',NewFlag=1 where PhoneNumber='b'");
    HostAdds("接收", 1, "d");
    EXPECT_TRUE(m_queue.ClearFlagsRead(read));
    EXPECT_EQ(Flag("a"), "0");
    EXPECT_EQ(Flag("b"), "1");
    EXPECT_EQ(Flag("d"), "1");

    const std::vector<SmsRecord> changed = m_queue.FetchChangedSms().value();
    for (const SmsRecord& record : changed)
        list.ApplyChanged(record);
    EXPECT_EQ(Phones(list), (std::vector<std::string>{"d:接收", "a:待发", "b:成功", "c:成功"}));
}

TEST_P(SendQueueTest, ARowTheHostChangesBetweenReadAndResetKeepsItsFlagForTheNextRefresh)
{
    for (const char* phone : {"a", "b", "c"})
        HostAdds("待发", 0, phone);
    SendRecordList list;
    list.ApplyFullLoad(m_queue.LoadAllSms().value());
    Host("update SendSmsTable set SendStatus='发送中',NewFlag=1 where PhoneNumber='a'");
    Host("update SendSmsTable set SendStatus='发送中',NewFlag=1 where PhoneNumber='b'");
    // The fetch has read both rows; while it deals with a, the host finishes b.
    m_queue.SetRowHook([this](std::size_t done) {
        if (done == 1)
            Host("update SendSmsTable set SendStatus='失败',NewFlag=1 where PhoneNumber='b'");
    });
    const std::vector<SmsRecord> first = m_queue.FetchChangedSms().value();
    m_queue.SetRowHook({});
    EXPECT_EQ(Phones(first), std::vector<std::string>{"a"});
    EXPECT_EQ(Flag("b"), "1");
    for (const SmsRecord& record : first)
        list.ApplyChanged(record);

    const std::vector<SmsRecord> next = m_queue.FetchChangedSms().value();
    ASSERT_EQ(Phones(next), std::vector<std::string>{"b"});
    EXPECT_EQ(next[0].sendStatus, "失败");
    for (const SmsRecord& record : next)
        list.ApplyChanged(record);
    EXPECT_EQ(Phones(list), (std::vector<std::string>{"a:待发", "b:失败", "c:待发"}));
    EXPECT_EQ(Flag("b"), "0");
}

TEST_P(SendQueueTest, ALongFetchKeepsWhatTheHostChangedAlsoAmongRowsResetInGroups)
{
    std::vector<std::string> phones;
    for (int i = 0; i < 700; ++i)
        phones.push_back(std::to_string(100000 + i));
    ASSERT_TRUE(m_queue.EnqueueSms(phones, "hi"));
    std::vector<std::size_t> hooks;
    bool changed = false;
    m_queue.SetRowHook([&](std::size_t done) {
        hooks.push_back(done);
        // The first hook past the rows reset one by one: the host's write must not wait
        // for the fetch, and the row it changes comes later in the fetch.
        if (done > 64 && !changed) {
            changed = true;
            Host("update SendSmsTable set SendStatus='发送中' where PhoneNumber='100600'");
        }
    });
    const std::vector<SmsRecord> first = m_queue.FetchNewPendingSms().value();
    m_queue.SetRowHook({});
    EXPECT_EQ(first.size(), 699u);
    EXPECT_EQ(Value("select count(*) as N from SendSmsTable where NewFlag=1", "N"), "1");
    EXPECT_EQ(Flag("100600"), "1");
    EXPECT_TRUE(changed);
    EXPECT_EQ(hooks.back(), 700u);
    const std::vector<SmsRecord> next = m_queue.FetchChangedSms().value();
    ASSERT_EQ(Phones(next), std::vector<std::string>{"100600"});
    EXPECT_EQ(next[0].sendStatus, "发送中");
}

// The caller tells the operator of a failed read: the queue answers nothing, shows
// nothing, leaves the connection's errors to say why, and takes no flag down.
TEST_P(SendQueueTest, AReadThatFailsAnswersNothingShowsNothingAndKeepsTheFlags)
{
    HostAdds("待发", 1, "a");
    HostAdds("接收", 1, "b");
    const std::vector<SmsRecord> read = m_queue.ReadAllSms().value();
    struct Case {
        const char* name;
        std::function<bool()> answersNothing;
    };
    const Case cases[] = {
        {"full load", [this] { return !m_queue.LoadAllSms(); }},
        {"read all", [this] { return !m_queue.ReadAllSms(); }},
        {"clear the flags read", [&] { return !m_queue.ClearFlagsRead(read); }},
        {"changed rows", [this] { return !m_queue.FetchChangedSms(); }},
        {"new pending rows", [this] { return !m_queue.FetchNewPendingSms(); }},
    };
    std::string error;
    ASSERT_TRUE(RunSql(m_connection, "alter table SendSmsTable rename to SendSmsAway", error)) << error;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(c.answersNothing());
        EXPECT_FALSE(m_connection.Errors().empty());
    }
    EXPECT_TRUE(m_messages.Messages().empty());
    ASSERT_TRUE(RunSql(m_connection, "alter table SendSmsAway rename to SendSmsTable", error)) << error;
    EXPECT_EQ(Flag("a"), "1");
    EXPECT_EQ(Flag("b"), "1");
    // An empty table is no failure.
    ASSERT_TRUE(m_queue.DeleteAllSms());
    EXPECT_TRUE(m_queue.LoadAllSms().value().empty());
    EXPECT_TRUE(m_queue.FetchChangedSms().value().empty());
}

KELVANE_DB_ENGINE_TEST_SUITE(SendQueueTest);

} // namespace
