#include "case_fold.h"
#include "connection_string.h"
#include "db_connection.h"
#include "db_engine_test.h"
#include "db_provider.h"
#include "db_recordset.h"
#include "execute_sql.h"
#include "sql_text.h"
#include "test_database.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

class EngineAgreementTest : public DbEngineTest {
protected:
    // The server ends this test's other sessions, as a restart or a dropped line would.
    void DropOtherSessions(CDbConnection& admin)
    {
        const std::string others =
            "from pg_stat_activity where datname='" + DatabaseName() + "' and pid<>pg_backend_pid()";
        ASSERT_FALSE(Column(admin, "select pg_terminate_backend(pid) as Gone " + others, "Gone").empty());
        for (int i = 0; i < 500; ++i) {
            if (Column(admin, "select count(*) as N " + others, "N") == std::vector<std::string>{"0"})
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        FAIL() << "the sessions did not end";
    }

    std::string DatabaseName() const { return ::ConnectionString(ConnectionString()).Get("Database"); }

    // A connection to the cluster's own database, from which this test's can be changed.
    bool OpenAdmin(CDbConnection& admin) const
    {
        std::string text = ConnectionString();
        text.replace(text.find("Database=" + DatabaseName()), 9 + DatabaseName().size(), "Database=postgres");
        return admin.Open(text, -1);
    }
};

TEST_P(EngineAgreementTest, TextWithANulCharacterIsRefusedWithAClearError)
{
    const std::string name("ab\0cd", 5);
    ExecuteSql("insert into ProductGroupTable (ProductName,ProductCount) values ('" + name + "',1)");
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_NE(m_messages.Messages()[0].text.find("NUL character"), std::string::npos) << m_messages.Messages()[0].text;
    EXPECT_EQ(Column("select count(*) as N from ProductGroupTable", "N"), std::vector<std::string>{"0"});

    CDbRecordset rs;
    rs.SetConnection(&m_connection);
    EXPECT_EQ(rs.Open("select * from ProductGroupTable where ProductName='" + name + "'", 1, 3, 3), -1);
}

// One table of pairs for both engines: whether two names are the same batch must not
// depend on where the database lives.
TEST_P(EngineAgreementTest, TextComparisonsFoldCaseTheSameWay)
{
    struct Pair {
        const char* stored;
        const char* asked;
        bool same;
    };
    const Pair pairs[] = {
        {"Tea", "tEA", true},         {"Éclair", "éclair", true}, {"ÀÉÎÕÜ", "àéîõü", true},
        {"ＡＢＣ", "ａｂｃ", true}, // full-width letters of Chinese input methods
        {"ΣΟΦΙΑ", "σοφια", true},     {"Жёлудь", "ЖЁЛУДЬ", true}, {"复合肥Ａ", "复合肥ａ", true},
        {"复合肥", "复合肥 ", false}, {"ＡＢＣ", "ABC", false}, // full width and ASCII stay different letters
        {"Eclair", "Éclair", false},                            // an accent is not a letter case
        {"批次一", "批次二", false},
    };
    int number = 0;
    for (const auto& pair : pairs) {
        ExecuteSql("delete from ProductGroupTable");
        ExecuteSql("insert into ProductGroupTable (ProductName,ProductCode) values ('" + SqlQuote(pair.stored) + "'," +
                   std::to_string(++number) + ")");
        const auto found =
            Column("select count(*) as N from ProductGroupTable where ProductName='" + SqlQuote(pair.asked) + "'", "N");
        EXPECT_EQ(found, std::vector<std::string>{pair.same ? "1" : "0"}) << pair.stored << " / " << pair.asked;
        // Ordering agrees with equality: neither sorts before the other exactly when equal.
        const auto before =
            Column("select count(*) as N from ProductGroupTable where ProductName<'" + SqlQuote(pair.asked) + "'", "N");
        const auto after =
            Column("select count(*) as N from ProductGroupTable where ProductName>'" + SqlQuote(pair.asked) + "'", "N");
        EXPECT_EQ(before == std::vector<std::string>{"0"} && after == std::vector<std::string>{"0"}, pair.same)
            << pair.stored << " / " << pair.asked;
    }
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_P(EngineAgreementTest, NoticesOfSuccessfulStatementsStayOffTheTerminal)
{
    ::testing::internal::CaptureStderr();
    ExecuteSql("drop table if exists NoSuchTable");
    ExecuteSql("drop index if exists NoSuchIndex");
    const std::string printed = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed, "");
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_P(EngineAgreementTest, ServerNumbersAndZonedTimesReadRight)
{
    if (Engine() != SqlDialect::PostgreSQL)
        GTEST_SKIP() << "the server's numeric and zoned time types";
    const char* zone = std::getenv("TZ");
    const std::string savedZone = zone ? zone : "";
    setenv("TZ", "CST-8", 1); // China Standard Time, named without the zone database
    tzset();
    const auto big = Column("select 1180591620717411303425 as N", "N");
    const auto fraction = Column("select cast(1.5 as numeric(6,2)) as N", "N");
    const auto negative = Column("select cast(-0.00005 as numeric(10,5)) as N", "N");
    const auto huge = Column("select 10000000000000000000000000000000000000000 as N", "N");
    const auto count = Column("select count(*) as N from AddressTable where 1=0", "N");
    const auto zoned = Column("select cast('2004-03-05 08:09:10+00' as timestamptz) as T", "T");
    const auto westward = Column("select cast('2004-03-05 20:09:10-05:30' as timestamptz) as T", "T");
    if (zone)
        setenv("TZ", savedZone.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    EXPECT_EQ(big, std::vector<std::string>{"1180591620717411303425"});
    EXPECT_EQ(huge, std::vector<std::string>{"10000000000000000000000000000000000000000"});
    EXPECT_EQ(fraction, std::vector<std::string>{"1.5000"});
    EXPECT_EQ(negative, std::vector<std::string>{"-0.0001"});
    EXPECT_EQ(count, std::vector<std::string>{"0"});
    EXPECT_EQ(zoned, std::vector<std::string>{"2004-03-05 16:09:10"});
    EXPECT_EQ(westward, std::vector<std::string>{"2004-03-06 09:39:10"});
}

TEST_P(EngineAgreementTest, DroppedServerConnectionIsMadeAgainOnTheNextStatement)
{
    if (Engine() != SqlDialect::PostgreSQL)
        GTEST_SKIP() << "an embedded database has no connection to lose";
    ExecuteSql("insert into SendSmsTable (PhoneNumber,SmsContent,SendStatus,NewFlag) values ('1','a','待发',1)");
    CDbConnection admin;
    ASSERT_TRUE(OpenAdmin(admin)) << admin.GetErrorsText();

    DropOtherSessions(admin);
    EXPECT_TRUE(m_connection.IsOpen());
    EXPECT_EQ(Column("select PhoneNumber from SendSmsTable", "PhoneNumber"), std::vector<std::string>{"1"});
    DropOtherSessions(admin);
    ExecuteSql("insert into SendSmsTable (PhoneNumber,SmsContent,SendStatus,NewFlag) values ('2','b','待发',1)");
    EXPECT_EQ(Column("select count(*) as N from SendSmsTable", "N"), std::vector<std::string>{"2"});
    EXPECT_TRUE(m_messages.Messages().empty()) << m_messages.Messages()[0].text;

    // A transaction that loses its connection is lost as a whole and says so; the next
    // statement works again.
    ASSERT_TRUE(m_connection.BeginTrans());
    ExecuteSql("insert into SendSmsTable (PhoneNumber,SmsContent,SendStatus,NewFlag) values ('3','c','待发',1)");
    DropOtherSessions(admin);
    ExecuteSql("insert into SendSmsTable (PhoneNumber,SmsContent,SendStatus,NewFlag) values ('4','d','待发',1)");
    EXPECT_FALSE(m_connection.CommitTrans());
    EXPECT_TRUE(m_connection.RollbackTrans());
    EXPECT_EQ(Column("select count(*) as N from SendSmsTable", "N"), std::vector<std::string>{"2"});
}

TEST_P(EngineAgreementTest, ConnectionThatCannotBeMadeAgainIsReported)
{
    if (Engine() != SqlDialect::PostgreSQL)
        GTEST_SKIP() << "an embedded database has no connection to lose";
    CDbConnection admin;
    ASSERT_TRUE(OpenAdmin(admin)) << admin.GetErrorsText();
    DropOtherSessions(admin);
    // Renamed behind its back, so this test's connection has nothing to come back to.
    ASSERT_TRUE(admin.Provider()->Execute("alter database " + DatabaseName() + " rename to " + DatabaseName() + "_gone",
                                          nullptr))
        << admin.GetErrorsText();
    CDbRecordset rs;
    rs.SetConnection(&m_connection);
    EXPECT_EQ(rs.Open("select * from SendSmsTable", 1, 3, 3), -1);
    EXPECT_NE(m_connection.GetErrorsText().find("could not be made again"), std::string::npos)
        << m_connection.GetErrorsText();
}

KELVANE_DB_ENGINE_TEST_SUITE(EngineAgreementTest);

TEST(CaseFold, FoldsLettersOfEveryScriptAndKeepsOtherBytes)
{
    EXPECT_EQ(FoldCase("ÉCLAIR ＡＢＣ Σ 批次"), "éclair ａｂｃ σ 批次");
    EXPECT_EQ(FoldCase(std::string("A\xff\xc3", 3)), std::string("a\xff\xc3", 3));
    EXPECT_EQ(CompareFolded("ＡＢＣ", "ａｂｃ"), 0);
    EXPECT_LT(CompareFolded("abc", "abd"), 0);
    EXPECT_GT(CompareFolded("abcd", "ABC"), 0);
    EXPECT_NE(CompareFolded(std::string("a\xff", 2), "a"), 0);
}

TEST(SqliteFile, NewDatabaseIsReadableByOwnerAndGroupOnly)
{
    TestDatabase database;
    std::string error;
    bool unavailable = false;
    ASSERT_TRUE(database.Create(SqlDialect::SQLite, error, unavailable)) << error;
    const mode_t saved = umask(022);
    CDbConnection connection;
    const bool opened = connection.Open(database.ConnectionString(), -1);
    umask(saved);
    ASSERT_TRUE(opened) << connection.GetErrorsText();
    struct stat info {};
    ASSERT_EQ(stat(::ConnectionString(database.ConnectionString()).Get("Data Source").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0660u);
}

} // namespace
