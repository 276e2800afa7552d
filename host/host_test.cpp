// The host's rules without a modem: reading a code out of a text, classifying a query,
// placing a sender, the rate limit, the reply texts, the configuration, and the database
// work of a query and of the queue on both engines.
#include "db_worker.h"
#include "gateway_config.h"
#include "held_work.h"
#include "phone_mask.h"
#include "query_outcome.h"
#include "query_store.h"
#include "query_text.h"
#include "queue_store.h"
#include "rate_limiter.h"
#include "region_lookup.h"
#include "reply_texts.h"

#include "db_engine_test.h"
#include "db_recordset.h"
#include "execute_sql.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <thread>

namespace {

TEST(QueryText, FindsTheFirstRunOfSixteenDigits)
{
    struct Case {
        const char* text;
        const char* expected; // "" for no code
    };
    const Case cases[] = {
        {"1200000112345678", "1200000112345678"},
        {"1200-0001-1234-5678", "1200000112345678"},
        {"1200 0001.1234 5678", "1200000112345678"},
        {"\xEF\xBC\x91\xEF\xBC\x92"
         "00000112345678",
         "1200000112345678"}, // full-width digits
        {"1200\xEF\xBC\x8D"
         "0001\xE3\x80\x80"
         "1234\xE2\x80\x94"
         "5678",
         "1200000112345678"}, // full-width dash, ideographic space, em dash
        {"防伪码：1200000112345678，谢谢", "1200000112345678"},
        {"查询 1200000112345678 和 9900000112345678", "1200000112345678"},
        {"12000001123456789", ""},                                      // 17 digits are no code
        {"120000011234567", ""},                                        // 15
        {"12345678901234567 abc 1200000112345678", "1200000112345678"}, // the long run is skipped
        {"", ""},
        {"你好，怎么查询", ""},
    };
    for (const Case& c : cases) {
        const auto code = FindQueryCode(c.text);
        const std::string got = code ? code->productId + code->productCode : "";
        EXPECT_EQ(got, c.expected) << c.text;
        if (code) {
            EXPECT_EQ(code->productId.size(), 8u);
            EXPECT_EQ(code->productCode.size(), 8u);
        }
    }
}

TEST(QueryOutcome, ClassifiesByTheFirstRowOfTheProductId)
{
    struct Case {
        const char* name;
        std::optional<ProductRow> row;
        const char* sent;
        int status;
        bool counts;
    };
    const Case cases[] = {
        {"unknown ProductID", std::nullopt, "12345678", kUnknownProductId, false},
        {"forged code", ProductRow{"12345678", "Tea", 3, 1}, "12345679", kForgedCode, false},
        {"forged code of a disabled batch", ProductRow{"12345678", "Tea", 0, 0}, "00000000", kForgedCode, false},
        {"batch not enabled", ProductRow{"12345678", "Tea", 0, 0}, "12345678", kNotEnabled, false},
        {"odd UseStatus", ProductRow{"12345678", "Tea", 0, 2}, "12345678", kNotEnabled, false},
        {"first query", ProductRow{"12345678", "Tea", 0, 1}, "12345678", 1, true},
        {"fifth query", ProductRow{"12345678", "Tea", 4, 1}, "12345678", 5, true},
        {"negative count", ProductRow{"12345678", "Tea", -3, 1}, "12345678", 1, true},
    };
    for (const Case& c : cases) {
        const QueryOutcome outcome = ClassifyQuery(c.row, c.sent);
        EXPECT_EQ(outcome.status, c.status) << c.name;
        EXPECT_EQ(outcome.counts, c.counts) << c.name;
    }
}

TEST(RegionLookup, MapsPlaceDescriptionsOntoProvinceAndCityNames)
{
    const CityTable cities = {
        {"江苏", {"南京", "常州", "常熟"}},
        {"吉林", {"长春", "吉林"}},
        {"新疆", {"乌鲁木齐", "巴音郭楞", "克拉玛依"}},
        {"北京", {"东城", "朝阳"}},
        {"山西", {"太原"}},
        {"陕西", {"西安"}},
        {"黑龙江", {"哈尔滨"}},
    };
    struct Case {
        const char* description;
        const char* province;
        const char* city;
    };
    const Case cases[] = {
        {"江苏省常州市", "江苏", "常州"},
        {"吉林省吉林市", "吉林", "吉林"},
        {"新疆巴音郭楞蒙古自治州", "新疆", "巴音郭楞"},
        {"新疆维吾尔自治区克拉玛依市", "新疆", "克拉玛依"},
        {"北京市", "北京", ""},
        {"山西省太原市", "山西", "太原"},
        {"陕西省西安市", "陕西", "西安"},
        {"黑龙江省哈尔滨市", "黑龙江", "哈尔滨"},
        {"江苏省无锡市", "江苏", ""}, // a city the table does not list
        {"美国", "", ""},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        const Region region = MapPlaceDescription(c.description, cities);
        EXPECT_EQ(region.province, c.province) << c.description;
        EXPECT_EQ(region.city, c.city) << c.description;
    }
}

TEST(RegionLookup, PlacesChineseMobileNumbersOnly)
{
    if (!RegionLookup::Available())
        GTEST_SKIP() << "built without libphonenumber";
    const RegionLookup lookup(CityTable{{"江苏", {"常州", "连云港"}}, {"辽宁", {"盘锦"}}});
    struct Case {
        const char* number;
        const char* province;
        const char* city;
    };
    const Case cases[] = {
        {"13912345678", "江苏", "常州"},
        {"13812345678", "江苏", "连云港"},
        {"13998765432", "辽宁", "盘锦"},
        {"+14155552671", "", ""}, // not Chinese
        {"10086", "", ""},        // a service number has no place
        {"abc", "", ""},
    };
    for (const Case& c : cases) {
        const Region region = lookup.Find(c.number);
        EXPECT_EQ(region.province, c.province) << c.number;
        EXPECT_EQ(region.city, c.city) << c.number;
    }
}

TEST(RateLimiter, StopsAnsweringPastTheHourlyAndDailyLimits)
{
    RateLimiter limiter(2, 3);
    const std::int64_t t0 = 1'000'000;
    EXPECT_TRUE(limiter.TryAnswer("a", t0));
    EXPECT_TRUE(limiter.TryAnswer("a", t0 + 10));
    EXPECT_FALSE(limiter.TryAnswer("a", t0 + 20)) << "third within the hour";
    EXPECT_TRUE(limiter.TryAnswer("b", t0 + 20)) << "limits are per sender";
    EXPECT_TRUE(limiter.TryAnswer("a", t0 + 3600)) << "the first answer left the hour";
    EXPECT_FALSE(limiter.TryAnswer("a", t0 + 7200 + 20)) << "three in the day";
    EXPECT_TRUE(limiter.TryAnswer("a", t0 + 24 * 3600 + 11)) << "the first two left the day";

    RateLimiter unlimited(0, 0);
    for (int i = 0; i < 100; ++i)
        EXPECT_TRUE(unlimited.TryAnswer("a", t0));
}

TEST(ReplyTexts, FillsPlaceholdersAndPicksTheTierOfTheStatus)
{
    const ReplyTexts texts;
    ReplyValues values{"龙井茶", 3, "2026-05-01 10:00:00", "1200000112345678"};
    EXPECT_EQ(FillReply("{product} x{count} @{first} #{code} {other} {", values),
              "龙井茶 x3 @2026-05-01 10:00:00 #1200000112345678 {other} {");
    EXPECT_EQ(&ReplyFor(texts, 1), &texts.genuine);
    EXPECT_EQ(&ReplyFor(texts, 2), &texts.repeated);
    EXPECT_EQ(&ReplyFor(texts, -1), &texts.wrong);
    EXPECT_EQ(&ReplyFor(texts, -2), &texts.wrong);
    EXPECT_EQ(&ReplyFor(texts, -3), &texts.notEnabled);
    EXPECT_NE(FillReply(texts.repeated, values).find("已被查询3次，首次查询时间2026-05-01 10:00:00"),
              std::string::npos);
}

TEST(PhoneMask, HidesTheMiddleDigits)
{
    EXPECT_EQ(MaskPhone("13912345678"), "139****5678");
    EXPECT_EQ(MaskPhone("+8613912345678"), "+86*******5678");
    EXPECT_EQ(MaskPhone("10086"), "1***6");
    EXPECT_EQ(MaskPhone("12"), "**");
    EXPECT_EQ(MaskPhone(""), "");
}

class GatewayConfigTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() / ("gwcfg-" + std::to_string(getpid()));
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::string Write(const std::string& name, const std::string& bytes)
    {
        const auto path = (m_dir / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    bool Load(std::vector<std::string> args, GatewayConfig& config, std::string& error)
    {
        args.insert(args.begin(), "varnholt-gateway");
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        bool help = false;
        return LoadGatewayConfig(static_cast<int>(argv.size()), argv.data(), config, help, error);
    }
    std::filesystem::path m_dir;
};

TEST_F(GatewayConfigTest, ReadsAGbkFileAndTheCommandLineOverridesIt)
{
    // "[Replies]\nGenuine=正品{product}" in GBK, with Windows line ends.
    const std::string path =
        Write("gw.ini", "[gateway]\r\nports = /dev/ttyUSB0, /dev/ttyUSB1\r\nLIMITPERHOUR=5\r\n"
                        "LogReplies=yes\r\nResetAfterTimeouts=0\r\n[Replies]\r\nGenuine=\xD5\xFD\xC6\xB7{product}\r\n");
    GatewayConfig config;
    std::string error;
    ASSERT_TRUE(
        Load({"--config", path, "--limit-hour=7", "--no-help-reply", "--long-sms-timeout", "120"}, config, error))
        << error;
    EXPECT_EQ(config.ports, (std::vector<std::string>{"/dev/ttyUSB0", "/dev/ttyUSB1"}));
    EXPECT_EQ(config.limitPerHour, 7);
    EXPECT_EQ(config.limitPerDay, 30);
    EXPECT_TRUE(config.logReplies);
    EXPECT_FALSE(config.replies.helpEnabled);
    EXPECT_EQ(config.replies.genuine, "正品{product}");
    EXPECT_EQ(config.resetAfterTimeouts, 0);
    EXPECT_EQ(config.longSmsTimeoutS, 120);

    GatewayConfig overridden;
    ASSERT_TRUE(Load({"--config", path, "--port", "/dev/ttyS0"}, overridden, error)) << error;
    EXPECT_EQ(overridden.ports, (std::vector<std::string>{"/dev/ttyS0"})) << "ports given replace the file's";
    EXPECT_EQ(overridden.longSmsTimeoutS, 600);
    EXPECT_EQ(overridden.resetAfterTimeouts, 0);
}

TEST_F(GatewayConfigTest, RefusesWhatItCannotUse)
{
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"--limit-day", "many"}, "not a whole number"},
        {{"--limit-day", "-1"}, "not a whole number"},
        {{"--log-replies=maybe"}, "not yes or no"},
        {{"--frobnicate", "1"}, "unknown option"},
        {{"--port"}, "needs a value"},
        {{"--config", Write("bad.ini", "[Gateway]\nPortz=/dev/x\n")}, "unknown setting portz"},
        {{"--config", (m_dir / "missing.ini").string()}, "cannot read"},
    };
    for (const auto& [args, expected] : cases) {
        GatewayConfig config;
        std::string error;
        EXPECT_FALSE(Load(args, config, error)) << args[0];
        EXPECT_NE(error.find(expected), std::string::npos) << error;
    }
}

TEST_F(GatewayConfigTest, HeldWorkSurvivesAStopWordForWord)
{
    ReceivedQuery query;
    query.sender = "13912345678";
    query.code = QueryCode{"01000001", "12345678"};
    query.receivedAt = "2026-05-01 10:00:00";
    query.comm = "/dev/ttyUSB0";
    query.answer = false;
    std::deque<DbJob> jobs = {QueryJob{query}, TextJob{"13800000000", "tab\there\nline\\end", "2026-05-01 09:00:00"},
                              MarkJob{7, true, "2026-05-01 10:00:01"}, ReleaseJob{8}};
    const std::string path = (m_dir / "held").string();
    std::string error;
    ASSERT_TRUE(SaveHeldWork(path, jobs, error)) << error;
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    std::ofstream(path, std::ios::app) << "nonsense\tline\n";

    std::deque<DbJob> loaded = {ReleaseJob{99}}; // work of this run stays behind the kept work
    int skipped = 0;
    ASSERT_TRUE(LoadHeldWork(path, loaded, skipped, error)) << error;
    EXPECT_EQ(skipped, 1);
    EXPECT_FALSE(std::filesystem::exists(path)) << "taken up once, not again at the next start";
    ASSERT_EQ(loaded.size(), 5u);
    const auto& q = std::get<QueryJob>(loaded[0]).query;
    EXPECT_EQ(q.sender + q.code.productId + q.code.productCode + q.receivedAt + q.comm,
              "1391234567801000001123456782026-05-01 10:00:00/dev/ttyUSB0");
    EXPECT_FALSE(q.answer);
    EXPECT_EQ(std::get<TextJob>(loaded[1]).text, "tab\there\nline\\end");
    EXPECT_EQ(std::get<TextJob>(loaded[1]).smsTime, "2026-05-01 09:00:00");
    EXPECT_EQ(std::get<MarkJob>(loaded[2]).smsIndex, 7);
    EXPECT_TRUE(std::get<MarkJob>(loaded[2]).success);
    EXPECT_EQ(std::get<ReleaseJob>(loaded[3]).smsIndex, 8);
    EXPECT_EQ(std::get<ReleaseJob>(loaded[4]).smsIndex, 99);

    std::deque<DbJob> none;
    EXPECT_TRUE(LoadHeldWork(path, none, skipped, error)) << "no file is no work";
    EXPECT_TRUE(none.empty());
}

TEST(DbWorker, KeepsJobsInOrderTriesTheFirstAgainAndHandsBackWhatIsLeftAtTheStop)
{
    std::mutex mutex;
    std::vector<int> written, handedBack;
    std::vector<std::string> troubles;
    int failuresLeft = 2; // job 2 meets a locked database twice
    DbWorker worker(
        [&](DbJob& job, std::string& error, std::function<void()>& then) {
            const int index = std::get<MarkJob>(job).smsIndex;
            std::lock_guard lock(mutex);
            if (index == 2 && failuresLeft > 0) {
                --failuresLeft;
                error = "database is locked";
                return false;
            }
            written.push_back(index);
            then = [&handedBack, index] { handedBack.push_back(index); };
            return true;
        },
        [&](const std::string& error, std::size_t waiting, int) {
            std::lock_guard lock(mutex);
            troubles.push_back(error + ", " + std::to_string(waiting) + " waiting");
        });
    const auto mark = [](int index) { return DbJob{MarkJob{index, true, "2026-05-01 10:00:00"}}; };
    worker.Start({mark(1)}); // work kept over a stop comes first
    worker.Push(mark(2));
    worker.Push(mark(3));
    for (int i = 0; i < 100 && !worker.Idle(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(worker.Idle());
    {
        std::lock_guard lock(mutex);
        EXPECT_EQ(written, (std::vector<int>{1, 2, 3})) << "the job that failed is not overtaken";
        EXPECT_EQ(troubles,
                  (std::vector<std::string>{"database is locked, 2 waiting", "database is locked, 2 waiting"}));
    }
    EXPECT_TRUE(handedBack.empty()) << "closures run only on the loop's thread, in RunDone";
    worker.RunDone();
    EXPECT_EQ(handedBack, (std::vector<int>{1, 2, 3}));

    // The database stays away: the stop tries once more and hands the rest back in order.
    {
        std::lock_guard lock(mutex);
        failuresLeft = 1000;
    }
    worker.Push(mark(2));
    worker.Push(mark(4));
    const std::deque<DbJob> left = worker.Stop();
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(std::get<MarkJob>(left[0]).smsIndex, 2);
    EXPECT_EQ(std::get<MarkJob>(left[1]).smsIndex, 4);
}

// ---- Database work, on SQLite and PostgreSQL -------------------------------------------

std::string One(CDbConnection& db, const std::string& statement, const std::string& column)
{
    CDbRecordset rs;
    rs.SetConnection(&db);
    std::string value;
    if (rs.Open(statement, 1, 3, 3) == 1)
        rs.GetFieldValue(column, value);
    return value;
}

class HostStoreTest : public DbEngineTest {
protected:
    void SetUp() override
    {
        DbEngineTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ExecuteSql("insert into ProductTable (ProductID,ProductCode,QueryCount,ProductName,UseStatus) "
                   "values ('01000001','12345678',0,'Tea',1)");
        ASSERT_TRUE(m_messages.Messages().empty());
    }
    ReceivedQuery Query(const char* id, const char* code)
    {
        ReceivedQuery q;
        q.sender = "13912345678";
        q.code = QueryCode{id, code};
        q.receivedAt = "2026-05-01 10:00:00";
        q.comm = "/dev/ttyUSB0";
        q.region = Region{"江苏", "常州"};
        return q;
    }
    ReplyTexts m_texts;
};

TEST_P(HostStoreTest, AQueryCountsLogsAndQueuesItsAnswerTogether)
{
    RecordedQuery out;
    std::string error;
    ASSERT_TRUE(RecordQuery(m_connection, Query("01000001", "12345678"), m_texts, true, out, error)) << error;
    EXPECT_EQ(out.status, 1);
    ReceivedQuery second = Query("01000001", "12345678");
    second.receivedAt = "2026-05-02 11:00:00";
    ASSERT_TRUE(RecordQuery(m_connection, second, m_texts, true, out, error)) << error;
    EXPECT_EQ(out.status, 2);
    EXPECT_EQ(out.firstTime, "2026-05-01 10:00:00");
    EXPECT_NE(out.reply.find("已被查询2次"), std::string::npos) << out.reply;

    EXPECT_EQ(One(m_connection, "select QueryCount from ProductTable", "QueryCount"), "2");
    EXPECT_EQ(One(m_connection,
                  "select QueryTime,QueryPhoneNumber,QueryProductID,QueryProductCode,RealProductCode,QueryStatus,"
                  "QueryComm,QueryProv,QueryCity,ProductName from QueryLogTable where QueryStatus=2",
                  "QueryTime"),
              "2026-05-02 11:00:00");
    EXPECT_EQ(One(m_connection, "select count(*) as n from SendSmsTable where SendStatus='待发' and NewFlag=1", "n"),
              "2");

    // Past the rate limit the query is logged and counted but no answer is queued.
    ReceivedQuery silent = Query("01000001", "12345678");
    silent.answer = false;
    ASSERT_TRUE(RecordQuery(m_connection, silent, m_texts, true, out, error)) << error;
    EXPECT_TRUE(out.reply.empty());
    EXPECT_EQ(One(m_connection, "select count(*) as n from QueryLogTable", "n"), "3");
    EXPECT_EQ(One(m_connection, "select count(*) as n from SendSmsTable", "n"), "2");
}

TEST_P(HostStoreTest, AFailedStepLeavesNothingBehind)
{
    // The answer's row cannot be written: neither the count nor the log row may stay.
    std::string error;
    ASSERT_TRUE(RunSql(m_connection, "drop table SendSmsTable", error)) << error;
    RecordedQuery out;
    EXPECT_FALSE(RecordQuery(m_connection, Query("01000001", "12345678"), m_texts, true, out, error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(One(m_connection, "select QueryCount from ProductTable", "QueryCount"), "0");
    EXPECT_EQ(One(m_connection, "select count(*) as n from QueryLogTable", "n"), "0");
}

TEST_P(HostStoreTest, WrongCodesAreLoggedWithWhatIsOnFile)
{
    struct Case {
        const char* id;
        const char* code;
        int status;
        const char* real;
        const char* product;
    };
    ExecuteSql("insert into ProductTable (ProductID,ProductCode,QueryCount,ProductName,UseStatus) "
               "values ('02000001','87654321',0,'Rice',0)");
    ExecuteSql("insert into ProductTable (ProductID,ProductCode,QueryCount,ProductName,UseStatus) "
               "values ('03000001','11112222',0,'Salt',NULL)");
    const Case cases[] = {
        {"01000001", "12345679", -2, "12345678", "Tea"},
        {"99000001", "12345678", -1, "", ""},
        {"02000001", "87654321", -3, "87654321", "Rice"},
        {"03000001", "11112222", -3, "11112222", "Salt"}, // never enabled: no UseStatus at all
    };
    for (const Case& c : cases) {
        RecordedQuery out;
        std::string error;
        ASSERT_TRUE(RecordQuery(m_connection, Query(c.id, c.code), m_texts, false, out, error)) << error;
        EXPECT_EQ(out.status, c.status) << c.id;
        const std::string where = std::string(" from QueryLogTable where QueryProductID='") + c.id + "'";
        EXPECT_EQ(One(m_connection, "select QueryStatus" + where, "QueryStatus"), std::to_string(c.status));
        EXPECT_EQ(One(m_connection, "select RealProductCode" + where, "RealProductCode"), c.real);
        EXPECT_EQ(One(m_connection, "select ProductName" + where, "ProductName"), c.product);
        EXPECT_EQ(One(m_connection, "select QueryProductCode" + where, "QueryProductCode"), c.code);
    }
    EXPECT_EQ(One(m_connection, "select sum(QueryCount) as n from ProductTable", "n"), "0");
    EXPECT_EQ(One(m_connection, "select count(*) as n from SendSmsTable", "n"), "0") << "answers not logged";
}

TEST_P(HostStoreTest, AnOlderDatabaseGetsTheLeaseTableAndTheStatusIndex)
{
    ExecuteSql("drop table SendSmsLease");
    ExecuteSql("drop index SendSmsTable_SendStatus");
    const std::string exists = GetParam() == SqlDialect::PostgreSQL
                                   ? "select count(*) as n where to_regclass('%') is not null"
                                   : "select count(*) as n from sqlite_master where name='%'";
    const auto present = [&](const std::string& name) {
        std::string statement = exists;
        statement.replace(statement.find('%'), 1, name);
        return One(m_connection, statement, "n") == "1";
    };
    ASSERT_FALSE(present("SendSmsLease"));
    std::string error;
    for (int start = 0; start < 2; ++start) { // the second start finds both there
        ASSERT_TRUE(queue_store::EnsureLeaseTable(m_connection, error)) << start << ": " << error;
        ASSERT_TRUE(queue_store::EnsureStatusIndex(m_connection, error)) << start << ": " << error;
        EXPECT_TRUE(present(GetParam() == SqlDialect::PostgreSQL ? "sendsmslease" : "SendSmsLease"));
        EXPECT_TRUE(
            present(GetParam() == SqlDialect::PostgreSQL ? "sendsmstable_sendstatus" : "SendSmsTable_SendStatus"));
    }
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_P(HostStoreTest, TheQueueIsClaimedOnceAndMarkedWithNewFlag)
{
    ExecuteSql(
        "insert into SendSmsTable (PhoneNumber,SmsContent,SendStatus,NewFlag) values ('13700000000','a','待发',0)");
    ExecuteSql(
        "insert into SendSmsTable (PhoneNumber,SmsContent,SendStatus,NewFlag) values ('13700000001','b','待发',0)");
    std::string error;
    ASSERT_TRUE(queue_store::EnsureLeaseTable(m_connection, error)) << error;
    ASSERT_TRUE(queue_store::EnsureLeaseTable(m_connection, error)) << "a second start finds it there: " << error;
    std::vector<QueuedSms> rows;
    ASSERT_TRUE(queue_store::NextWaiting(m_connection, 1, rows, error)) << error;
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].phoneNumber, "13700000000");

    const LeaseOwner a{"gw-a", 100, 60}, b{"gw-b", 100, 60};
    CDbConnection other;
    ASSERT_TRUE(OpenSecond(other));
    bool claimed = false, claimedAgain = true;
    ASSERT_TRUE(queue_store::Claim(m_connection, rows[0].index, a, claimed, error)) << error;
    ASSERT_TRUE(queue_store::Claim(other, rows[0].index, b, claimedAgain, error)) << error;
    EXPECT_TRUE(claimed);
    EXPECT_FALSE(claimedAgain) << "a second host must not send the same row";
    const std::string where = " from SendSmsTable where SmsIndex=" + std::to_string(rows[0].index);
    EXPECT_EQ(One(m_connection, "select SendStatus" + where, "SendStatus"), "发送中");
    EXPECT_EQ(One(m_connection, "select NewFlag" + where, "NewFlag"), "1");
    const std::string lease = " from SendSmsLease where SmsIndex=" + std::to_string(rows[0].index);
    EXPECT_EQ(One(m_connection, "select HostName" + lease, "HostName"), "gw-a");
    EXPECT_EQ(One(m_connection, "select ExpiresAt-ClaimedAt as n" + lease, "n"), "60");

    ASSERT_TRUE(queue_store::MarkSent(m_connection, rows[0].index, true, "2026-05-01 10:00:00", error)) << error;
    EXPECT_EQ(One(m_connection, "select SendStatus" + where, "SendStatus"), "成功");
    EXPECT_EQ(One(m_connection, "select SendTime" + where, "SendTime"), "2026-05-01 10:00:00");
    EXPECT_EQ(One(m_connection, "select count(*) as n" + lease, "n"), "0");
    ExecuteSql("update SendSmsTable set NewFlag=0");
    ASSERT_TRUE(queue_store::Release(m_connection, rows[0].index, a, error)) << error;
    EXPECT_EQ(One(m_connection, "select SendStatus" + where, "SendStatus"), "成功") << "release touches only 发送中";
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_P(HostStoreTest, ARowComesBackOnlyFromItsOwnerOrWhenItsLeaseLapsed)
{
    std::string error;
    ASSERT_TRUE(queue_store::EnsureLeaseTable(m_connection, error)) << error;
    const LeaseOwner a{"gw-a", 100, 60};
    const auto status = [&](int index) {
        return One(m_connection, "select SendStatus from SendSmsTable where SmsIndex=" + std::to_string(index),
                   "SendStatus");
    };
    const auto claim = [&](const LeaseOwner& owner) {
        ExecuteSql("insert into SendSmsTable (PhoneNumber,SmsContent,SendStatus,NewFlag) values "
                   "('13700000000','a','待发',0)");
        const int index = std::stoi(One(m_connection, "select max(SmsIndex) as n from SendSmsTable", "n"));
        bool claimed = false;
        EXPECT_TRUE(queue_store::Claim(m_connection, index, owner, claimed, error) && claimed) << error;
        return index;
    };
    const auto alive = [](int) { return true; };
    const auto dead = [](int) { return false; };
    struct Case {
        const char* name;
        LeaseOwner other;                // the host that acts on a's row
        bool lapse;                      // a's lease ran out
        std::function<bool(int)> exists; // whether a's process runs, as other sees it
        bool reclaimed;
    };
    const Case cases[] = {
        {"a live host on another machine", {"gw-b", 100, 60}, false, alive, false},
        {"the lease ran out", {"gw-b", 100, 60}, true, alive, true},
        // A process id means nothing on another machine: only the lease decides there.
        {"another machine's pid", {"gw-b", 200, 60}, false, dead, false},
        {"a live process on the same machine", {"gw-a", 200, 60}, false, alive, false},
        {"a process on the same machine that died", {"gw-a", 200, 60}, false, dead, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int index = claim(a);
        if (c.lapse)
            ExecuteSql("update SendSmsLease set ExpiresAt=ExpiresAt-61 where SmsIndex=" + std::to_string(index));
        // Only the owner releases or renews its row.
        int renewed = -1;
        ASSERT_TRUE(queue_store::Renew(m_connection, c.other, {index}, renewed, error)) << error;
        EXPECT_EQ(renewed, 0);
        ASSERT_TRUE(queue_store::Release(m_connection, index, c.other, error)) << error;
        EXPECT_EQ(status(index), "发送中");

        int rows = -1;
        ASSERT_TRUE(queue_store::Reclaim(m_connection, c.other, c.exists, rows, error)) << error;
        EXPECT_EQ(rows, c.reclaimed ? 1 : 0);
        EXPECT_EQ(status(index), c.reclaimed ? "待发" : "发送中");
        bool claimed = false;
        ASSERT_TRUE(queue_store::Claim(m_connection, index, c.other, claimed, error)) << error;
        EXPECT_EQ(claimed, c.reclaimed) << "a reclaimed row is free for the next host, a held one is not";
        if (!c.reclaimed) {
            ASSERT_TRUE(queue_store::Renew(m_connection, a, {index}, renewed, error)) << error;
            EXPECT_EQ(renewed, 1);
            ASSERT_TRUE(queue_store::Release(m_connection, index, a, error)) << error;
            EXPECT_EQ(status(index), "待发");
        }
        ExecuteSql("delete from SendSmsTable");
        ExecuteSql("delete from SendSmsLease");
    }

    // A renewed lease is not reclaimed; rows in 发送中 that no lease holds (a host before
    // leases, or one that died mid-claim) wait again when a host starts.
    const int renewedRow = claim(a);
    ExecuteSql("update SendSmsLease set ExpiresAt=ExpiresAt-61");
    int renewed = 0;
    ASSERT_TRUE(queue_store::Renew(m_connection, a, {renewedRow}, renewed, error)) << error;
    EXPECT_EQ(renewed, 1);
    ExecuteSql("insert into SendSmsTable (PhoneNumber,SmsContent,SendStatus,NewFlag) values "
               "('13700000001','b','发送中',0)");
    int rows = -1;
    ASSERT_TRUE(queue_store::Reclaim(m_connection, {"gw-b", 1, 60}, alive, rows, error)) << error;
    EXPECT_EQ(rows, 0);
    ASSERT_TRUE(queue_store::ResetUnleased(m_connection, rows, error)) << error;
    EXPECT_EQ(rows, 1);
    EXPECT_EQ(status(renewedRow), "发送中");
    EXPECT_EQ(One(m_connection, "select SendStatus from SendSmsTable where PhoneNumber='13700000001'", "SendStatus"),
              "待发");
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_P(HostStoreTest, ATextWithoutACodeIsKeptAsReceived)
{
    std::string error;
    ASSERT_TRUE(StoreReceivedText(m_connection, "13800000000", "it's 你好", "2026-05-01 09:59:58", error)) << error;
    const char* const expected[][2] = {{"SendStatus", "接收"},
                                       {"SendTime", "2026-05-01 09:59:58"},
                                       {"PhoneNumber", "13800000000"},
                                       {"SmsContent", "it's 你好"},
                                       {"NewFlag", "1"}};
    for (const auto& [column, value] : expected)
        EXPECT_EQ(One(m_connection, std::string("select ") + column + " from SendSmsTable", column), value);
}

KELVANE_DB_ENGINE_TEST_SUITE(HostStoreTest);

} // namespace
