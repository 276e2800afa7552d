// The host as a real process between the modem simulator and a database: what a consumer
// and the console see. Each test is bounded by its waits (at most ~30 s).
#include "region_lookup.h"

#include "db_engine_test.h"
#include "db_recordset.h"
#include "execute_sql.h"
#include "host_process.h"
#include "sim_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

bool WaitFor(const std::function<bool()>& done, std::chrono::seconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (done())
            return true;
        std::this_thread::sleep_for(100ms);
    }
    return done();
}

struct Submit {
    std::string number;
    std::string text;
};

std::vector<Submit> Submits(const SimProcess& sim)
{
    std::vector<Submit> out;
    for (const std::string& line : sim.LogLines())
        if (line.find("\"event\":\"submit\"") != std::string::npos)
            out.push_back({JsonField(line, "number"), JsonField(line, "text")});
    return out;
}

std::vector<std::string> TextsTo(const SimProcess& sim, const std::string& number)
{
    std::vector<std::string> out;
    for (const Submit& s : Submits(sim))
        if (s.number == number)
            out.push_back(s.text);
    return out;
}

class GatewayOnSimulator : public DbEngineTest {
protected:
    void SetUp() override
    {
        DbEngineTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ExecuteSql("insert into ProductTable (ProductID,ProductCode,QueryCount,ProductName,UseStatus) "
                   "values ('01000001','12345678',0,'龙井茶',1)");
        ExecuteSql("insert into ProductTable (ProductID,ProductCode,QueryCount,ProductName,UseStatus) "
                   "values ('02000001','87654321',0,'大米',0)");
        m_sim = std::make_unique<SimProcess>();
        ASSERT_TRUE(m_sim->Started());
    }
    void TearDown() override
    {
        if (m_host) {
            EXPECT_EQ(m_host->Stop(), 0) << "a stop on SIGTERM ends cleanly\n" << m_host->Log();
            m_host.reset();
        }
        m_sim.reset();
        DbEngineTest::TearDown();
    }
    void StartHost(std::vector<std::string> extra = {})
    {
        std::vector<std::string> options = {"--database", ConnectionString(), "--port", m_sim->Link(), "--send-pause",
                                            "1",          "--queue-poll-ms",  "200"};
        options.insert(options.end(), extra.begin(), extra.end());
        m_host = std::make_unique<HostProcess>(VARNHOLT_GATEWAY_BINARY, options, m_sim->Folder() + "/gateway.log");
        ASSERT_TRUE(m_host->Started());
        ASSERT_TRUE(WaitFor([&] { return m_host->Log().find("modem ready") != std::string::npos; }, 15s))
            << m_host->Log();
    }
    std::string One(const std::string& statement, const std::string& column)
    {
        CDbRecordset rs;
        rs.SetConnection(&m_connection);
        std::string value;
        if (rs.Open(statement, 1, 3, 3) == 1)
            rs.GetFieldValue(column, value);
        return value;
    }
    int Count(const std::string& fromWhere) { return std::atoi(One("select count(*) as n " + fromWhere, "n").c_str()); }
    // A consumer's SMS, and the wait until the host has logged it.
    void Deliver(const std::string& sender, const std::string& text, const std::string& until)
    {
        const int before = Count(until);
        ASSERT_EQ(m_sim->Control("deliver " + sender + " now " + text).rfind("ok", 0), 0u);
        ASSERT_TRUE(WaitFor([&] { return Count(until) > before; }, 15s)) << text << "\n" << m_host->Log();
    }

    std::unique_ptr<SimProcess> m_sim;
    std::unique_ptr<HostProcess> m_host;
};

TEST_P(GatewayOnSimulator, AnswersQueriesLogsThemAndWorksOffTheQueue)
{
    ExecuteSql("insert into SendSmsTable (PhoneNumber,SmsContent,SendStatus,NewFlag) values "
               "('13700000000','您的订单已发货','待发',1)");
    StartHost({"--limit-hour", "4"});

    const std::string a = "13912345678";
    const char* const texts[] = {
        "0100-0001-1234-5678", // genuine: 1
        "\xEF\xBC\x90\xEF\xBC\x91"
        "00000112345678",   // the same in part full-width: 2
        "0100000112345679", // forged: -2
        "9900000112345678", // unknown ProductID: -1
        "0200000187654321", // batch not enabled: -3, past the limit of 4
    };
    for (const char* text : texts)
        Deliver(a, text, "from QueryLogTable");
    Deliver("13800000000", "你好，请问怎么查询", "from SendSmsTable where SendStatus='接收'");

    ASSERT_TRUE(WaitFor(
        [&] { return Count("from SendSmsTable where SendStatus='成功'") == 1 && Submits(*m_sim).size() >= 6; }, 20s))
        << m_host->Log();
    std::this_thread::sleep_for(1500ms); // an answer past the limit would show by now

    // The log: one row per query, statuses in order, all columns filled.
    std::vector<std::string> statuses;
    CDbRecordset rs;
    rs.SetConnection(&m_connection);
    ASSERT_EQ(rs.Open("select QueryStatus from QueryLogTable order by QueryIndex", 1, 3, 3), 1);
    for (; !rs.IsEOF(); rs.MoveNext()) {
        std::string s;
        rs.GetFieldValue("QueryStatus", s);
        statuses.push_back(s);
    }
    EXPECT_EQ(statuses, (std::vector<std::string>{"1", "2", "-2", "-1", "-3"}));
    EXPECT_EQ(One("select QueryCount from ProductTable where ProductID='01000001'", "QueryCount"), "2");
    const std::string first = " from QueryLogTable where QueryStatus=1";
    EXPECT_EQ(One("select QueryPhoneNumber" + first, "QueryPhoneNumber"), a);
    EXPECT_EQ(One("select QueryProductID" + first, "QueryProductID"), "01000001");
    EXPECT_EQ(One("select QueryProductCode" + first, "QueryProductCode"), "12345678");
    EXPECT_EQ(One("select RealProductCode" + first, "RealProductCode"), "12345678");
    EXPECT_EQ(One("select ProductName" + first, "ProductName"), "龙井茶");
    EXPECT_EQ(One("select QueryComm" + first, "QueryComm"), m_sim->Link());
    EXPECT_EQ(One("select QueryTime" + first, "QueryTime").size(), 19u);
    EXPECT_EQ(One("select RealProductCode from QueryLogTable where QueryStatus=-2", "RealProductCode"), "12345678");
    if (RegionLookup::Available()) {
        EXPECT_EQ(One("select QueryProv" + first, "QueryProv"), "江苏");
        EXPECT_EQ(One("select QueryCity" + first, "QueryCity"), "常州");
    }

    // The answers as the consumer's phone decodes them: four, the fifth query was past the limit.
    const std::vector<std::string> answers = TextsTo(*m_sim, "+86" + a);
    ASSERT_EQ(answers.size(), 4u) << m_host->Log();
    EXPECT_NE(answers[0].find("龙井茶是正品"), std::string::npos) << answers[0];
    EXPECT_NE(answers[1].find("已被查询2次，首次查询时间"), std::string::npos) << answers[1];
    EXPECT_NE(answers[2].find("防伪码不存在"), std::string::npos) << answers[2];
    EXPECT_EQ(answers[3], answers[2]);
    ASSERT_EQ(TextsTo(*m_sim, "+8613800000000").size(), 1u);
    EXPECT_NE(TextsTo(*m_sim, "+8613800000000")[0].find("16位防伪码"), std::string::npos);

    // The text without a code is there for the bulk SMS page; the queued row was sent.
    const std::string received = " from SendSmsTable where SendStatus='接收'";
    EXPECT_EQ(One("select PhoneNumber" + received, "PhoneNumber"), "13800000000");
    EXPECT_EQ(One("select SmsContent" + received, "SmsContent"), "你好，请问怎么查询");
    EXPECT_EQ(One("select NewFlag" + received, "NewFlag"), "1");
    const std::string sent = " from SendSmsTable where PhoneNumber='13700000000'";
    EXPECT_EQ(One("select SendStatus" + sent, "SendStatus"), "成功");
    EXPECT_EQ(One("select NewFlag" + sent, "NewFlag"), "1");
    EXPECT_EQ(One("select SendTime" + sent, "SendTime").size(), 19u);
    EXPECT_EQ(TextsTo(*m_sim, "+8613700000000"), (std::vector<std::string>{"您的订单已发货"}));
}

TEST_P(GatewayOnSimulator, AQueryArrivingWhileAnotherWriterHoldsTheDatabaseIsWrittenLater)
{
    StartHost({"--busy-timeout-ms", "500"});
    CDbConnection writer;
    ASSERT_TRUE(OpenSecond(writer));
    ASSERT_TRUE(writer.BeginTrans()) << writer.GetErrorsText();
    // The row a genuine query counts: on SQLite any write holds the file, on PostgreSQL the row.
    ExecuteSql(writer, "update ProductTable set QueryCount=QueryCount+0 where ProductID='01000001'");
    CDbRecordset flush; // a read makes a PostgreSQL connection send what it holds back
    flush.SetConnection(&writer);
    ASSERT_EQ(flush.Open("select QueryCount from ProductTable where ProductID='01000001'", 1, 3, 3), 1);

    ASSERT_EQ(m_sim->Control("deliver 13912345678 now 0100000112345678").rfind("ok", 0), 0u);
    ASSERT_EQ(m_sim->Control("deliver 13912345679 now 0100000112345679").rfind("ok", 0), 0u);
    std::this_thread::sleep_for(6s); // as a code generation or a long transaction would
    EXPECT_EQ(Count("from QueryLogTable"), 0) << "nothing can be written under the lock";
    ASSERT_TRUE(writer.CommitTrans()) << writer.GetErrorsText();

    ASSERT_TRUE(WaitFor([&] { return Count("from QueryLogTable") == 2 && Submits(*m_sim).size() == 2; }, 20s))
        << m_host->Log();
    EXPECT_EQ(Count("from QueryLogTable where QueryStatus=1"), 1);
    EXPECT_EQ(Count("from QueryLogTable where QueryStatus=-2"), 1);
    EXPECT_EQ(TextsTo(*m_sim, "+8613912345678").size(), 1u);
}

TEST_P(GatewayOnSimulator, TheQueuesLeasesWaitingForALockedDatabaseDoNotHoldUpTheModem)
{
    // Leases are kept every second and each keeping waits for the lock as long as it may
    // (30 s); meanwhile a message without a code is answered.
    StartHost({"--busy-timeout-ms", "30000", "--lease-seconds", "3"});
    CDbConnection writer;
    ASSERT_TRUE(OpenSecond(writer));
    ASSERT_TRUE(writer.BeginTrans()) << writer.GetErrorsText();
    // On SQLite any write holds the file; on PostgreSQL the lease table is locked whole.
    ExecuteSql(writer, Engine() == SqlDialect::PostgreSQL ? "lock table SendSmsLease in access exclusive mode"
                                                          : "update ProductTable set QueryCount=QueryCount+0");
    ExecuteSql(writer, "insert into SendSmsTable (PhoneNumber,SmsContent,SendStatus,NewFlag) values "
                       "('13700000000','您的订单已发货','待发',1)");
    CDbRecordset flush; // a read makes a PostgreSQL connection send what it holds back
    flush.SetConnection(&writer);
    ASSERT_EQ(flush.Open("select count(*) as n from SendSmsTable", 1, 3, 3), 1);
    std::this_thread::sleep_for(2s); // the leases' keeping waits for the lock by now

    ASSERT_EQ(m_sim->Control("deliver 13800000000 now 你好").rfind("ok", 0), 0u);
    EXPECT_TRUE(WaitFor([&] { return TextsTo(*m_sim, "+8613800000000").size() == 1; }, 10s)) << m_host->Log();
    if (Engine() == SqlDialect::SQLite) {
        EXPECT_EQ(Count("from SendSmsTable where SendStatus='接收'"), 0) << "the lock was held all along";
    }
    ASSERT_TRUE(writer.CommitTrans()) << writer.GetErrorsText();

    // The queue goes on once the lock is gone: the row queued under it is sent.
    ASSERT_TRUE(WaitFor([&] { return Count("from SendSmsTable where SendStatus='成功'") == 1; }, 20s)) << m_host->Log();
    EXPECT_EQ(TextsTo(*m_sim, "+8613700000000").size(), 1u);
    EXPECT_EQ(Count("from SendSmsTable where SendStatus='接收'"), 1);
    EXPECT_EQ(Count("from SendSmsLease"), 0);
}

KELVANE_DB_ENGINE_TEST_SUITE(GatewayOnSimulator);

// On SQLite only: what these test is the host's own behaviour, not the SQL.
class GatewayOneEngine : public GatewayOnSimulator {};

TEST_P(GatewayOneEngine, AModemKilledAndRestartedSendsWhatWasQueuedMeanwhile)
{
    StartHost();
    const std::string folder = m_sim->Folder();
    m_sim->KeepFolder();
    m_sim->Kill();
    m_sim.reset();
    ExecuteSql("insert into SendSmsTable (PhoneNumber,SmsContent,SendStatus,NewFlag) values "
               "('13700000001','第一条','待发',1)");
    ExecuteSql("insert into SendSmsTable (PhoneNumber,SmsContent,SendStatus,NewFlag) values "
               "('13700000002','第二条','待发',1)");
    std::this_thread::sleep_for(1500ms);
    m_sim = std::make_unique<SimProcess>(folder);
    ASSERT_TRUE(m_sim->Started());

    ASSERT_TRUE(WaitFor([&] { return Count("from SendSmsTable where SendStatus='成功'") == 2; }, 30s)) << m_host->Log();
    EXPECT_EQ(TextsTo(*m_sim, "+8613700000001"), (std::vector<std::string>{"第一条"}));
    EXPECT_EQ(TextsTo(*m_sim, "+8613700000002"), (std::vector<std::string>{"第二条"}));
    EXPECT_EQ(Count("from SendSmsTable where SendStatus<>'成功'"), 0);
}

TEST_P(GatewayOneEngine, AStopFinishesTheMessageBeingSentAndARowLeftSendingIsSentAgain)
{
    // Left in 发送中 by a host that died: sent once more rather than lost.
    ExecuteSql("insert into SendSmsTable (PhoneNumber,SmsContent,SendStatus,NewFlag) values "
               "('13700000003','未完成','发送中',0)");
    // A pause of 3 s after each send: the result comes only then, so the stop has to wait.
    StartHost({"--send-pause", "30"});
    ASSERT_TRUE(WaitFor([&] { return TextsTo(*m_sim, "+8613700000003").size() == 1; }, 15s)) << m_host->Log();
    ASSERT_EQ(One("select SendStatus from SendSmsTable", "SendStatus"), "发送中");
    EXPECT_EQ(m_host->Stop(), 0) << m_host->Log();
    EXPECT_EQ(One("select SendStatus from SendSmsTable", "SendStatus"), "成功") << m_host->Log();
    EXPECT_EQ(One("select NewFlag from SendSmsTable", "NewFlag"), "1");
    m_host.reset();
}

TEST_P(GatewayOneEngine, AQueryTheDatabaseNeverTookIsWrittenAfterARestart)
{
    const std::string held = m_sim->Folder() + "/held";
    StartHost({"--busy-timeout-ms", "200", "--held-file", held, "--stop-wait-ms", "500"});
    CDbConnection writer;
    ASSERT_TRUE(OpenSecond(writer));
    ASSERT_TRUE(writer.BeginTrans()) << writer.GetErrorsText();
    ExecuteSql(writer, "update ProductTable set QueryCount=QueryCount+0 where ProductID='01000001'");
    ASSERT_EQ(m_sim->Control("deliver 13912345678 now 0100000112345678").rfind("ok", 0), 0u);
    ASSERT_TRUE(WaitFor([&] { return m_host->Log().find("保留在内存中") != std::string::npos; }, 15s)) << m_host->Log();
    EXPECT_EQ(m_host->Stop(), 0) << m_host->Log();
    EXPECT_TRUE(std::filesystem::exists(held)) << m_host->Log();
    ASSERT_TRUE(writer.CommitTrans()) << writer.GetErrorsText();
    EXPECT_EQ(Count("from QueryLogTable"), 0);

    StartHost({"--held-file", held});
    ASSERT_TRUE(WaitFor(
        [&] { return Count("from QueryLogTable where QueryStatus=1") == 1 && Submits(*m_sim).size() == 1; }, 15s))
        << m_host->Log();
    EXPECT_FALSE(std::filesystem::exists(held));
    EXPECT_EQ(TextsTo(*m_sim, "+8613912345678").size(), 1u);
}

TEST_P(GatewayOneEngine, AHostKilledWhileSendingHasItsRowSentAtOnceWhenItStartsAgain)
{
    ExecuteSql("insert into SendSmsTable (PhoneNumber,SmsContent,SendStatus,NewFlag) values "
               "('13700000004','被中断','待发',1)");
    // A pause of 3 s after the send: the row is still 发送中 when the host dies.
    StartHost({"--send-pause", "30"});
    ASSERT_TRUE(WaitFor([&] { return TextsTo(*m_sim, "+8613700000004").size() == 1; }, 15s)) << m_host->Log();
    m_host->Kill();
    m_host.reset();
    ASSERT_EQ(One("select SendStatus from SendSmsTable", "SendStatus"), "发送中");
    ASSERT_EQ(Count("from SendSmsLease"), 1);

    // Its lease would hold for a minute; the same machine sees the process is gone.
    StartHost();
    ASSERT_TRUE(WaitFor([&] { return One("select SendStatus from SendSmsTable", "SendStatus") == "成功"; }, 15s))
        << m_host->Log();
    EXPECT_NE(m_host->Log().find("已停止的主机留下的短信重新等待发送"), std::string::npos) << m_host->Log();
    EXPECT_EQ(Count("from SendSmsLease"), 0);
    // Sent twice: the modem had it when the host died, the host had not written that down.
    EXPECT_EQ(TextsTo(*m_sim, "+8613700000004").size(), 2u);
}

TEST_P(GatewayOneEngine, LoggedAnswersAreSentOnceThroughTheQueue)
{
    StartHost({"--log-replies"});
    Deliver("13912345678", "0100000112345678", "from QueryLogTable");
    ASSERT_TRUE(WaitFor([&] { return Count("from SendSmsTable where SendStatus='成功'") == 1; }, 15s)) << m_host->Log();
    std::this_thread::sleep_for(1500ms); // a second send of the same answer would show by now
    const std::vector<std::string> answers = TextsTo(*m_sim, "+8613912345678");
    ASSERT_EQ(answers.size(), 1u) << m_host->Log();
    EXPECT_EQ(One("select SmsContent from SendSmsTable where PhoneNumber='13912345678'", "SmsContent"), answers[0]);
    EXPECT_EQ(One("select NewFlag from SendSmsTable where PhoneNumber='13912345678'", "NewFlag"), "1");
}

TEST_P(GatewayOneEngine, EachModemAnswersTheQueriesItReceived)
{
    SimProcess second;
    ASSERT_TRUE(second.Started());
    StartHost({"--port", second.Link()}); // beside the first
    ASSERT_TRUE(
        WaitFor([&] { return m_host->Log().find("modem ready on " + second.Link()) != std::string::npos; }, 15s))
        << m_host->Log();
    ASSERT_EQ(second.Control("deliver 13800000002 now 0100000112345678").rfind("ok", 0), 0u);
    Deliver("13800000001", "0100000112345678", "from QueryLogTable");
    ASSERT_TRUE(WaitFor(
        [&] { return Count("from QueryLogTable") == 2 && Submits(*m_sim).size() + Submits(second).size() == 2; }, 15s))
        << m_host->Log();
    EXPECT_EQ(One("select QueryComm from QueryLogTable where QueryPhoneNumber='13800000001'", "QueryComm"),
              m_sim->Link());
    EXPECT_EQ(One("select QueryComm from QueryLogTable where QueryPhoneNumber='13800000002'", "QueryComm"),
              second.Link());
    EXPECT_EQ(TextsTo(*m_sim, "+8613800000001").size(), 1u);
    EXPECT_EQ(TextsTo(second, "+8613800000002").size(), 1u);
    EXPECT_EQ(One("select QueryCount from ProductTable where ProductID='01000001'", "QueryCount"), "2");
}

TEST_P(GatewayOneEngine, AQueryWaitingForALockedDatabaseDoesNotHoldUpTheModem)
{
    // The query waits for the lock as long as it may (30 s); meanwhile the modem is served.
    StartHost({"--busy-timeout-ms", "30000"});
    CDbConnection writer;
    ASSERT_TRUE(OpenSecond(writer));
    ASSERT_TRUE(writer.BeginTrans()) << writer.GetErrorsText();
    ExecuteSql(writer, "update ProductTable set QueryCount=QueryCount+0 where ProductID='01000001'");
    ASSERT_EQ(m_sim->Control("deliver 13912345678 now 0100000112345678").rfind("ok", 0), 0u);
    std::this_thread::sleep_for(1s); // the query is with the database by now
    ASSERT_EQ(m_sim->Control("deliver 13800000000 now 你好").rfind("ok", 0), 0u);
    // The help text for the message without a code goes out while the lock is still held.
    EXPECT_TRUE(WaitFor([&] { return TextsTo(*m_sim, "+8613800000000").size() == 1; }, 15s)) << m_host->Log();
    EXPECT_EQ(Count("from QueryLogTable"), 0) << "the lock was held all along";
    ASSERT_TRUE(writer.CommitTrans()) << writer.GetErrorsText();

    ASSERT_TRUE(
        WaitFor([&] { return Count("from QueryLogTable") == 1 && TextsTo(*m_sim, "+8613912345678").size() == 1; }, 20s))
        << m_host->Log();
    EXPECT_EQ(Count("from SendSmsTable where SendStatus='接收'"), 1);
}

// What a phone makes of the simulator's log: scripts/sms-log decodes every part from its PDU
// with Python's own codecs and joins linked parts by their header. One line per message.
std::vector<std::string> PhoneView(const SimProcess& sim, const std::string& number)
{
    const std::string command =
        std::string("/usr/bin/python3 " VARNHOLT_SOURCE_DIR "/scripts/sms-log --to ") + number + " " + sim.LogPath();
    std::vector<std::string> lines;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        std::string line;
        for (int c; (c = std::fgetc(pipe)) != EOF;) {
            if (c == '\n') {
                lines.push_back(line);
                line.clear();
            } else {
                line.push_back(static_cast<char>(c));
            }
        }
        pclose(pipe);
    }
    return lines;
}

TEST_P(GatewayOneEngine, ALongAnswerAndALongQueuedMessageArriveAsLinkedPartsAPhoneJoins)
{
    std::string longText;
    for (int i = 0; i < 30; ++i)
        longText += "您查询的产品是正品谢谢"; // 300 characters: five parts of at most 67
    // Plain text in two 7-bit parts, the escaped bracket on their boundary.
    const std::string longPlain = std::string(152, 'x') + "[order 42 shipped]";
    ExecuteSql("insert into SendSmsTable (PhoneNumber,SmsContent,SendStatus,NewFlag) values ('13700000000','" +
               longPlain + "','待发',1)");
    StartHost({"--reply-genuine", "{product}" + longText});
    Deliver("13912345678", "0100000112345678", "from QueryLogTable");
    ASSERT_TRUE(WaitFor(
        [&] { return Count("from SendSmsTable where SendStatus='成功'") == 1 && Submits(*m_sim).size() >= 7; }, 30s))
        << m_host->Log();

    EXPECT_EQ(TextsTo(*m_sim, "+8613912345678").size(), 5u) << "one SMS per part";
    EXPECT_EQ(PhoneView(*m_sim, "13912345678"),
              (std::vector<std::string>{R"({"number": "+8613912345678", "text": "龙井茶)" + longText +
                                        R"(", "parts": 5, "complete": true})"}));
    EXPECT_EQ(PhoneView(*m_sim, "13700000000"),
              (std::vector<std::string>{R"({"number": "+8613700000000", "text": ")" + longPlain +
                                        R"(", "parts": 2, "complete": true})"}));
    EXPECT_EQ(One("select NewFlag from SendSmsTable where SendStatus='成功'", "NewFlag"), "1");
}

TEST_P(GatewayOneEngine, ALongMessageFromAConsumerIsTakenWhole)
{
    std::string question;
    for (int i = 0; i < 12; ++i)
        question += "请问这个防伪码在哪里能找到"; // 156 characters: three parts
    StartHost();
    Deliver("13800000000", question, "from SendSmsTable where SendStatus='接收'");
    EXPECT_EQ(One("select SmsContent from SendSmsTable where SendStatus='接收'", "SmsContent"), question);
    EXPECT_EQ(Count("from SendSmsTable where SendStatus='接收'"), 1) << "one row, not one per part";

    // A code in a long message is a query like any other.
    Deliver("13800000001", question + "0100000112345678", "from QueryLogTable");
    EXPECT_EQ(One("select QueryStatus from QueryLogTable", "QueryStatus"), "1");
}

TEST_P(GatewayOneEngine, RowsGoToEveryModemAndADeadModemsRowsToTheOthers)
{
    constexpr int kRows = 16;
    for (int i = 0; i < kRows; ++i)
        ExecuteSql("insert into SendSmsTable (PhoneNumber,SmsContent,SendStatus,NewFlag) values ('1370000" +
                   std::to_string(2000 + i) + "','第" + std::to_string(i) + "条','待发',1)");
    auto second = std::make_unique<SimProcess>();
    ASSERT_TRUE(second->Started());
    const std::string secondLog = second->LogPath();
    second->KeepFolder();
    StartHost({"--port", second->Link()}); // beside the first
    ASSERT_TRUE(WaitFor([&] { return Submits(*second).size() >= 2 && Submits(*m_sim).size() >= 2; }, 20s))
        << m_host->Log();
    second->Kill(); // pulled with messages in its hands

    ASSERT_TRUE(WaitFor([&] { return Count("from SendSmsTable where SendStatus='成功'") == kRows; }, 40s))
        << m_host->Log();
    std::map<std::string, int> sends;
    for (const Submit& s : Submits(*m_sim))
        ++sends[s.number];
    std::ifstream log(secondLog);
    for (std::string line; std::getline(log, line);)
        if (line.find("\"event\":\"submit\"") != std::string::npos)
            ++sends[JsonField(line, "number")];
    EXPECT_EQ(sends.size(), static_cast<std::size_t>(kRows));
    int twice = 0;
    for (const auto& [number, n] : sends)
        twice += n - 1;
    // At most the one the dead modem had sent when it went, before its answer came.
    EXPECT_LE(twice, 1);
    EXPECT_EQ(Count("from SendSmsLease"), 0);
    std::filesystem::remove_all(std::filesystem::path(secondLog).parent_path());
}

INSTANTIATE_TEST_SUITE_P(Engines, GatewayOneEngine, ::testing::Values(SqlDialect::SQLite), DbEngineName);

// A host's user on the server with only the rights the README lists, on a database made as
// varnholt-db init makes it: nothing needs creating, so no right to create is needed.
class GatewayWithFewRights : public GatewayOnSimulator {};

TEST_P(GatewayWithFewRights, AHostWhoseUserMayCreateNothingAnswersAndSends)
{
    const std::string own = ConnectionString();
    const auto name = own.find("Database=");
    ASSERT_NE(name, std::string::npos) << own;
    const std::string database = own.substr(name + 9, own.find(';', name) - name - 9);
    // Roles belong to the whole cluster, which outlives the test databases.
    const std::string role = "gw_" + database + "_" + std::to_string(std::time(nullptr));
    ExecuteSql("create role " + role + " login");
    ExecuteSql("revoke create on schema public from public");
    for (const char* grant : {"grant select,insert,update,delete on SendSmsTable,SendSmsLease to ",
                              "grant select,insert on QueryLogTable to ", "grant select,update on ProductTable to ",
                              "grant select on AddressTable to ", "grant usage on all sequences in schema public to "})
        ExecuteSql(grant + role);
    EXPECT_EQ(Value("select count(*) as n from pg_namespace where nspname='public' and has_schema_privilege('" + role +
                        "',oid,'CREATE')",
                    "n"),
              "0");
    std::string limited = own;
    const auto user = limited.find("User ID=");
    ASSERT_NE(user, std::string::npos) << own;
    limited.replace(user, limited.find(';', user) - user, "User ID=" + role);

    ExecuteSql("insert into SendSmsTable (PhoneNumber,SmsContent,SendStatus,NewFlag) values "
               "('13700000000','您的订单已发货','待发',1)");
    m_host = std::make_unique<HostProcess>(VARNHOLT_GATEWAY_BINARY,
                                           std::vector<std::string>{"--database", limited, "--port", m_sim->Link(),
                                                                    "--send-pause", "1", "--queue-poll-ms", "200",
                                                                    "--log-replies"},
                                           m_sim->Folder() + "/gateway.log");
    ASSERT_TRUE(m_host->Started());
    ASSERT_TRUE(WaitFor([&] { return m_host->Log().find("modem ready") != std::string::npos; }, 15s)) << m_host->Log();
    Deliver("13912345678", "0100000112345678", "from QueryLogTable");
    Deliver("13800000000", "你好", "from SendSmsTable where SendStatus='接收'");
    ASSERT_TRUE(WaitFor([&] { return Count("from SendSmsTable where SendStatus='成功'") == 2; }, 20s)) << m_host->Log();
    EXPECT_EQ(One("select QueryCount from ProductTable where ProductID='01000001'", "QueryCount"), "1");
    EXPECT_EQ(TextsTo(*m_sim, "+8613700000000").size(), 1u);
    EXPECT_EQ(TextsTo(*m_sim, "+8613912345678").size(), 1u);
    EXPECT_EQ(Count("from SendSmsLease"), 0);
    const std::string log = m_host->Log();
    EXPECT_EQ(log.find("permission denied"), std::string::npos) << log;
    EXPECT_EQ(log.find("cannot add the index"), std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(Engines, GatewayWithFewRights, ::testing::Values(SqlDialect::PostgreSQL), DbEngineName);

// Two hosts, as on two machines, each with its own modem, on one PostgreSQL database. One
// dies halfway (SIGKILL): the other sends what it held once its lease lapses. The lease is
// long enough that a live host starved of CPU on a busy machine still renews in time.
class TwoHostsOneQueue : public GatewayOnSimulator {};

TEST_P(TwoHostsOneQueue, EveryRowIsSentOnceAndADeadHostsRowsAreSentByTheOther)
{
    constexpr int kRows = 40;
    for (int i = 0; i < kRows; ++i)
        ExecuteSql("insert into SendSmsTable (PhoneNumber,SmsContent,SendStatus,NewFlag) values ('1370000" +
                   std::to_string(1000 + i) + "','第" + std::to_string(i) + "条','待发',1)");
    SimProcess simB;
    ASSERT_TRUE(simB.Started());
    const auto options = [&](const SimProcess& sim, const char* name) {
        return std::vector<std::string>{"--database",      ConnectionString(),
                                        "--port",          sim.Link(),
                                        "--send-pause",    "1",
                                        "--host-name",     name,
                                        "--queue-poll-ms", "200",
                                        "--lease-seconds", "5"};
    };
    HostProcess hostA(VARNHOLT_GATEWAY_BINARY, options(*m_sim, "gw-a"), m_sim->Folder() + "/gateway-a.log");
    HostProcess hostB(VARNHOLT_GATEWAY_BINARY, options(simB, "gw-b"), simB.Folder() + "/gateway-b.log");
    ASSERT_TRUE(hostA.Started() && hostB.Started());

    const std::string sent = "from SendSmsTable where SendStatus='成功'";
    ASSERT_TRUE(WaitFor([&] { return Count(sent) >= kRows / 2; }, 60s)) << hostA.Log() << hostB.Log();
    hostA.Kill();
    const int sentByA = static_cast<int>(Submits(*m_sim).size());
    EXPECT_GT(sentByA, 0) << "both hosts took rows";
    EXPECT_GT(Submits(simB).size(), 0u) << "both hosts took rows";

    ASSERT_TRUE(WaitFor([&] { return Count(sent) == kRows; }, 60s)) << hostB.Log();
    EXPECT_EQ(Count("from SendSmsLease"), 0);
    std::map<std::string, std::vector<char>> sends; // number -> the modems it went out on
    for (const Submit& s : Submits(*m_sim))
        sends[s.number].push_back('A');
    for (const Submit& s : Submits(simB))
        sends[s.number].push_back('B');
    ASSERT_EQ(sends.size(), static_cast<std::size_t>(kRows)) << "none left behind";
    // The one message a host's modem had sent when it died, before the host could write that
    // down, goes out again: the host sends one at a time per modem. Nothing else twice.
    int twice = 0;
    for (const auto& [number, modems] : sends) {
        EXPECT_LE(modems.size(), 2u) << number;
        if (modems.size() == 2) {
            ++twice;
            EXPECT_EQ(modems, (std::vector<char>{'A', 'B'})) << number << ": only the dead host's message again";
        }
    }
    EXPECT_LE(twice, 1) << hostB.Log();
    EXPECT_EQ(hostB.Stop(), 0) << hostB.Log();
}

INSTANTIATE_TEST_SUITE_P(Engines, TwoHostsOneQueue, ::testing::Values(SqlDialect::PostgreSQL), DbEngineName);

} // namespace
