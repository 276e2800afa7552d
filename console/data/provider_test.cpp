#include "db_connection.h"
#include "db_engine_test.h"
#include "db_recordset.h"
#include "execute_sql.h"
#include "schema.h"
#include "sql_text.h"

#include "clock.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <filesystem>
#include <thread>

namespace {

std::string ToLower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

class ProviderTest : public DbEngineTest {
protected:
    void AddBatch(const std::string& name)
    {
        ExecuteSql("insert into ProductGroupTable (ProductName,ProductRemark,ProductCount,ProductStatus,ProductCode) "
                   "values ('" +
                   SqlQuote(name) + "',' ',10,'未启用',1)");
    }
};

TEST_P(ProviderTest, OpenAnswersOneForRowsZeroForNoneMinusOneForStatements)
{
    CDbRecordset rs;
    EXPECT_EQ(rs.Open("select ProductName from ProductGroupTable", 1, 3, 3), -1) << "no connection bound";
    rs.SetConnection(&m_connection);
    EXPECT_EQ(rs.Open("select ProductName from ProductGroupTable", 1, 3, 3), 0);
    EXPECT_TRUE(rs.IsEOF());
    EXPECT_TRUE(rs.IsBOF());
    EXPECT_EQ(rs.Open("insert into ProductGroupTable (ProductName) values ('a')", 1, 3, 3), -1);
    EXPECT_EQ(m_connection.GetErrorsText(), "");
    EXPECT_EQ(rs.Open("select ProductName from ProductGroupTable", 1, 3, 3), 1);
    EXPECT_EQ(rs.Open("select nothing from nowhere", 1, 3, 3), -1);
    EXPECT_NE(m_connection.GetErrorsText(), "");
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_P(ProviderTest, ExecuteSqlShowsOneBoxPerFailedStatementOnly)
{
    ExecuteSql("insert into SendSmsTable (PhoneNumber,SmsContent,SendStatus,NewFlag) values ('1','a','待发',1)");
    EXPECT_TRUE(m_messages.Messages().empty());
    ExecuteSql("insert into SendSmsTable (PhoneNumber,SmsContent values ('1','a')");
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    const auto& box = m_messages.Messages()[0];
    EXPECT_EQ(box.text.rfind("数据库操作失败。\r\n\r\nDescription: ", 0), 0u) << box.text;
    EXPECT_NE(box.text.find("\r\n\r\nState: "), std::string::npos);
    EXPECT_NE(box.text.find(Engine() == SqlDialect::PostgreSQL ? "State: 42601, Native: 0, Source: PostgreSQL\r\n"
                                                               : ", Source: SQLite\r\n"),
              std::string::npos)
        << box.text;
    EXPECT_EQ(box.caption, ApplicationName());
    // The next good statement starts with an empty collection.
    ExecuteSql("update SendSmsTable set NewFlag=0");
    EXPECT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_EQ(m_connection.GetErrorsText(), "");
}

TEST_P(ProviderTest, GetFieldValueReadsEveryColumnAsTrimmedText)
{
    ExecuteSql("insert into ProductGroupTable (ProductName,ProductRemark,StartNumber,ProductCount,CreateCodeTime) "
               "values ('  abc  ','NULL',' ',3,#3/5/2004 8:09:10#)");
    CDbRecordset rs;
    rs.SetConnection(&m_connection);
    ASSERT_EQ(rs.Open("select ProductName,ProductRemark,StartNumber,EndNumber,ProductCount,CreateCodeTime,UseCodeTime,"
                      "1.005 as D, 1.25 as E from ProductGroupTable",
                      1, 3, 3),
              1);
    const struct {
        const char* column;
        const char* text;
    } expected[] = {
        {"PRODUCTNAME", "abc"}, {"ProductRemark", ""},
        {"StartNumber", ""},    {"EndNumber", ""},
        {"ProductCount", "3"},  {"CreateCodeTime", "2004-03-05 08:09:10"},
        {"UseCodeTime", ""},    {"d", "1"},
        {"E", "1.25"},
    };
    for (const auto& e : expected) {
        std::string value = "before";
        EXPECT_TRUE(rs.GetFieldValue(e.column, value)) << e.column;
        EXPECT_EQ(value, e.text) << e.column;
    }
    std::string value = "kept";
    EXPECT_FALSE(rs.GetFieldValue("ProductStatus", value));
    EXPECT_EQ(value, "kept");
    EXPECT_TRUE(m_messages.Messages().empty());

    rs.MoveNext();
    EXPECT_FALSE(rs.GetFieldValue("ProductName", value)) << "at the end";
    EXPECT_EQ(value, "kept");

    rs.CloseIfOpen();
    EXPECT_FALSE(rs.GetFieldValue("ProductName", value));
    EXPECT_FALSE(rs.GetFieldValue("ProductCount", value));
    ASSERT_EQ(m_messages.Messages().size(), 2u) << "one notice per read of a closed recordset";
    EXPECT_EQ(m_messages.Messages()[0].text, "数据库可能已经断开,\r\n请重新连接、然后重试.");
    EXPECT_EQ(m_messages.Messages()[0].caption, "提示");
    EXPECT_EQ(m_messages.Messages()[0].icon, MessageIcon::Information);
}

TEST_P(ProviderTest, QuotedTextIsStoredAsTyped)
{
    const std::string names[] = {"O'Brien", "'; delete from ProductGroupTable; --", "#2004-05-01# now() 100%", "''"};
    for (const auto& name : names)
        AddBatch(name);
    EXPECT_TRUE(m_messages.Messages().empty());
    for (const auto& name : names)
        EXPECT_EQ(Column("select ProductName from ProductGroupTable where ProductName='" + SqlQuote(name) + "'",
                         "ProductName"),
                  std::vector<std::string>{name});
}

TEST_P(ProviderTest, DefinitionsKeepTheirLiteralsInPlace)
{
    // Engines take no parameters in definitions, so texts and dates there stay as written.
    ExecuteSql("create table TidyNote (Id integer, Note varchar(20) default 'x', Made timestamp default #2004-5-1#)");
    ExecuteSql("create view TidyNoteView as select Id, Note, Made, 'y' as Mark from TidyNote where Note <> 'z'");
    if (Engine() == SqlDialect::SQLite) {
        ExecuteSql("create trigger TidyNoteMark after insert on TidyNote when new.Id=2 "
                   "begin update TidyNote set Note='t' where Id=new.Id; end");
    } else {
        ExecuteSql("create function tidy_note_mark() returns trigger language plpgsql as "
                   "'begin if new.Id=2 then new.Note := ''t''; end if; return new; end'");
        ExecuteSql("create trigger TidyNoteMark before insert on TidyNote for each row "
                   "execute function tidy_note_mark()");
    }
    EXPECT_TRUE(m_messages.Messages().empty());
    ExecuteSql("insert into TidyNote (Id) values (1)");
    ExecuteSql("insert into TidyNote (Id) values (2)");
    EXPECT_EQ(Column("select Note from TidyNoteView order by Id", "Note"), (std::vector<std::string>{"x", "t"}));
    EXPECT_EQ(Column("select Mark from TidyNoteView where Id=1", "Mark"), std::vector<std::string>{"y"});
    EXPECT_EQ(Column("select Made from TidyNoteView where Id=1", "Made"),
              std::vector<std::string>{"2004-05-01 00:00:00"});
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_P(ProviderTest, DateLiteralsAndNowCompareWithStoredTimes)
{
    const FixedClock clock(1765275630); // some moment of 2025
    m_connection.SetClock(&clock);
    const std::tm local = clock.LocalNow();
    char expected[32];
    std::strftime(expected, sizeof expected, "%Y-%m-%d %H:%M:%S", &local);

    for (const char* time : {"#2004-05-01 0:0:1#", "#2004-05-01 00:00:00#", "#2004-04-30 23:59:59#", "now()"})
        ExecuteSql(std::string("insert into QueryLogTable (QueryTime,QueryStatus) values (") + time + ",1)");
    EXPECT_EQ(Column("select QueryTime from QueryLogTable where QueryTime>#2004-05-01# and QueryTime<#2004-5-2# ",
                     "QueryTime"),
              std::vector<std::string>{"2004-05-01 00:00:01"});
    EXPECT_EQ(Column("select QueryTime from QueryLogTable where QueryTime>#2010-01-01#", "QueryTime"),
              std::vector<std::string>{expected});
    EXPECT_EQ(Column("select count(*) as N from QueryLogTable where QueryTime<now()", "N"),
              std::vector<std::string>{"3"});
}

TEST_P(ProviderTest, TextComparisonsIgnoreLetterCase)
{
    AddBatch("Tea Batch");
    EXPECT_EQ(Column("select * from ProductGroupTable where ProductName='TEA batch'", "ProductName"),
              std::vector<std::string>{"Tea Batch"});
    ExecuteSql("insert into QueryLogTable (QueryProductID,QueryStatus) values ('0A000001',1)");
    EXPECT_EQ(Column("select QueryProductID from QueryLogTable where QueryProductID>'0a000000' and "
                     "QueryProductID<'0a000002'",
                     "QueryProductID"),
              std::vector<std::string>{"0A000001"});
}

TEST_P(ProviderTest, CursorWalksBackwards)
{
    for (int i = 1; i <= 3; ++i)
        ExecuteSql("insert into SendSmsTable (PhoneNumber,SmsContent,SendStatus,NewFlag) values ('" + IntText(i) +
                   "','x','待发',1)");
    CDbRecordset rs;
    rs.SetConnection(&m_connection);
    ASSERT_EQ(rs.Open("select SmsIndex,PhoneNumber from SendSmsTable order by SmsIndex", 1, 3, 3), 1);
    EXPECT_FALSE(rs.IsBOF());
    ASSERT_TRUE(rs.MoveLast());
    std::vector<std::string> seen;
    while (!rs.IsBOF()) {
        std::string phone;
        EXPECT_TRUE(rs.GetFieldValue("PhoneNumber", phone));
        seen.push_back(phone);
        rs.MovePrevious();
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"3", "2", "1"}));
    EXPECT_FALSE(rs.MovePrevious()) << "already before the first row";
    EXPECT_TRUE(rs.MoveNext());
    EXPECT_FALSE(rs.IsEOF());
}

TEST_P(ProviderTest, UpdateWritesBackUnlessAnotherWriterChangedTheRow)
{
    for (const char* phone : {"111", "222"})
        ExecuteSql(std::string("insert into SendSmsTable (PhoneNumber,SmsContent,SendStatus,NewFlag) values ('") +
                   phone + "','x','待发',1)");
    CDbRecordset rs;
    rs.SetConnection(&m_connection);
    ASSERT_EQ(rs.Open("select SmsIndex,SendStatus,SendTime,PhoneNumber,SmsContent,NewFlag from SendSmsTable "
                      "where NewFlag=1 order by SmsIndex",
                      1, 3, 3),
              1);

    // Meanwhile the host changes the second row.
    CDbConnection host;
    ASSERT_TRUE(OpenSecond(host)) << host.GetErrorsText();
    std::string error;
    ASSERT_TRUE(RunSql(host, "update SendSmsTable set SendStatus='成功',NewFlag=1 where PhoneNumber='222'", error))
        << error;

    rs.SetFieldValue("NewFlag", 0);
    EXPECT_TRUE(rs.Update()) << m_connection.GetErrorsText();
    rs.MoveNext();
    rs.SetFieldValue("newflag", 0);
    EXPECT_FALSE(rs.Update()) << "the host's change must not be overwritten";
    EXPECT_NE(m_connection.GetErrorsText(), "");

    EXPECT_EQ(Column("select NewFlag from SendSmsTable order by SmsIndex", "NewFlag"),
              (std::vector<std::string>{"0", "1"}));
    EXPECT_EQ(Column("select SendStatus from SendSmsTable where PhoneNumber='222'", "SendStatus"),
              std::vector<std::string>{"成功"});
}

TEST_P(ProviderTest, TransactionIsAllOrNothing)
{
    ASSERT_TRUE(m_connection.BeginTrans()) << m_connection.GetErrorsText();
    std::string error;
    for (int i = 0; i < 1500; ++i)
        ASSERT_TRUE(RunSql(m_connection,
                           "insert into ProductTable (ProductID,ProductCode,QueryCount,ProductName) values ('01" +
                               std::to_string(100000 + i) + "','09282731',0,'x')",
                           error))
            << error;
    // Statements sent ahead are in place, in order, before anything reads.
    ExecuteSql("update ProductTable set QueryCount=QueryCount+1 where ProductID='01100007'");
    RunSql(m_connection, "insert into ProductTable (ProductID,QueryCount,ProductName) values ('02000000',5,'y')",
           error);
    EXPECT_EQ(Column("select count(*) as N from ProductTable where ProductName='x'", "N"),
              std::vector<std::string>{"1500"});
    EXPECT_EQ(Column("select QueryCount from ProductTable where ProductID='01100007' or ProductName='y' "
                     "order by ProductID",
                     "QueryCount"),
              (std::vector<std::string>{"1", "5"}));
    ASSERT_TRUE(m_connection.RollbackTrans()) << m_connection.GetErrorsText();
    EXPECT_EQ(Column("select count(*) as N from ProductTable", "N"), std::vector<std::string>{"0"});

    ASSERT_TRUE(m_connection.BeginTrans());
    for (int i = 0; i < 1500; ++i)
        RunSql(m_connection,
               "insert into ProductTable (ProductID,ProductCode,QueryCount,ProductName) values ('01" +
                   std::to_string(100000 + i) + "','09282731',0,'x')",
               error);
    ASSERT_TRUE(m_connection.CommitTrans()) << m_connection.GetErrorsText();
    EXPECT_EQ(Column("select count(*) as N from ProductTable", "N"), std::vector<std::string>{"1500"});
    EXPECT_EQ(Column("select UseStatus from ProductTable where ProductID='01100000'", "UseStatus"),
              std::vector<std::string>{"0"});
}

TEST_P(ProviderTest, FailureInsideTransactionIsReportedAndCommitFails)
{
    ASSERT_TRUE(m_connection.BeginTrans());
    std::string error;
    bool failed = false;
    for (int i = 0; i < 20 && !failed; ++i) {
        const std::string table = i == 10 ? "NoSuchTable" : "ProductTable";
        failed = !RunSql(m_connection, "insert into " + table + " (ProductID) values ('" + IntText(i) + "')", error);
    }
    // Reported at the failing statement or, when statements are sent ahead, by commit.
    if (!failed) {
        EXPECT_FALSE(m_connection.CommitTrans());
        EXPECT_TRUE(m_connection.RollbackTrans()) << "nothing left to undo";
        error = m_connection.GetErrorsText(); // still the cause
    } else {
        EXPECT_TRUE(m_connection.RollbackTrans());
    }
    EXPECT_EQ(error.rfind("Description: ", 0), 0u) << error;
    EXPECT_NE(ToLower(error).find("nosuchtable"), std::string::npos) << error;
    EXPECT_EQ(Column("select count(*) as N from ProductTable", "N"), std::vector<std::string>{"0"});
}

TEST_P(ProviderTest, AutoNumbersAreNotReused)
{
    for (int i = 0; i < 2; ++i)
        ExecuteSql("insert into SendSmsTable (PhoneNumber,NewFlag) values ('1',1)");
    ExecuteSql("delete from SendSmsTable where SmsIndex=2");
    ExecuteSql("insert into SendSmsTable (PhoneNumber,NewFlag) values ('1',1)");
    EXPECT_EQ(Column("select SmsIndex from SendSmsTable order by SmsIndex", "SmsIndex"),
              (std::vector<std::string>{"1", "3"}));
}

TEST_P(ProviderTest, SchemaCarriesTheAddressData)
{
    if (AddressScripts().empty())
        GTEST_SKIP() << "no AddressTable data was built in";
    EXPECT_EQ(Column("select count(*) as N from (select distinct ProvName from AddressTable) P", "N"),
              std::vector<std::string>{"31"});
    EXPECT_FALSE(
        Column("select CityName from AddressTable where ProvName='北京' order by CityName", "CityName").empty());
}

TEST_P(ProviderTest, OpenAnswersFalseForAMissingDatabase)
{
    // The last of a repeated key counts.
    const std::string missing = Engine() == SqlDialect::SQLite
                                    ? "Data Source=/tmp/kelvane-no-such-folder/x.db;Create=no;"
                                    : "Database=no_such_database;";
    CDbConnection other;
    EXPECT_FALSE(other.Open(ConnectionString() + missing, -1));
    EXPECT_FALSE(other.IsOpen());
    EXPECT_EQ(other.GetErrorsText().rfind("Description: ", 0), 0u) << other.GetErrorsText();
    CDbRecordset rs;
    rs.SetConnection(&other);
    EXPECT_EQ(rs.Open("select * from AddressTable", 1, 3, 3), -1);
    EXPECT_TRUE(rs.IsEOF());
    EXPECT_TRUE(rs.IsBOF());
}

TEST_P(ProviderTest, SecondUserWaitsForAWriterInsteadOfFailing)
{
    CDbConnection host;
    ASSERT_TRUE(OpenSecond(host)) << host.GetErrorsText();
    ASSERT_TRUE(host.BeginTrans()) << host.GetErrorsText();
    std::string error;
    ASSERT_TRUE(RunSql(host, "insert into QueryLogTable (QueryStatus) values (1)", error)) << error;
    std::thread commitLater([&host] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        host.CommitTrans();
    });
    // Readers go on while the host writes; a writer waits for it.
    EXPECT_EQ(Column("select count(*) as N from QueryLogTable", "N"), std::vector<std::string>{"0"});
    ExecuteSql("insert into SendSmsTable (PhoneNumber,NewFlag) values ('1',1)");
    commitLater.join();
    EXPECT_TRUE(m_messages.Messages().empty()) << m_messages.Messages()[0].text;
    EXPECT_EQ(Column("select count(*) as N from QueryLogTable", "N"), std::vector<std::string>{"1"});
}

KELVANE_DB_ENGINE_TEST_SUITE(ProviderTest);

TEST(Connection, OpenAnswersFalseOnBadStrings)
{
    CDbConnection c;
    EXPECT_FALSE(c.Open("Provider=Jet;Data Source=x.mdb", -1));
    EXPECT_NE(c.GetErrorsText().find("Description: "), std::string::npos);
    EXPECT_FALSE(c.Open("Provider=SQLite;Data Source=/nonexistent/folder/Varnholt.db;", -1));
    EXPECT_FALSE(c.IsOpen());
    EXPECT_FALSE(c.CloseIfOpen());
    // A plain file that is no database.
    const std::string path = std::filesystem::temp_directory_path() / "kelvane-not-a-db.txt";
    FILE* f = std::fopen(path.c_str(), "w");
    std::fputs("this is not a database, only some text of reasonable length for a header..........", f);
    std::fclose(f);
    EXPECT_FALSE(c.Open("Provider=SQLite;Data Source=" + path + ";", -1));
    std::remove(path.c_str());
}

} // namespace
