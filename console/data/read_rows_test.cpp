#include "db_connection.h"
#include "db_engine_test.h"
#include "db_provider.h"
#include "db_recordset.h"
#include "execute_sql.h"
#include "read_rows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class ReadRowsTest : public DbEngineTest {
protected:
    // Every row's texts, in order, as ReadRows hands them.
    long long Read(const std::string& statement, std::vector<std::vector<std::string>>& rows)
    {
        return ReadRows(m_connection, statement, [&rows](const DbRow& row) {
            std::vector<std::string> texts(row.ColumnCount());
            for (std::size_t c = 0; c < row.ColumnCount(); ++c)
                row.Text(c, texts[c]);
            rows.push_back(std::move(texts));
            return true;
        });
    }
};

TEST_P(ReadRowsTest, HandsEveryRowInOrderWithTheTextsARecordsetGives)
{
    ExecuteSql("insert into ProductGroupTable (ProductName,ProductRemark,StartNumber,ProductCount,CreateCodeTime) "
               "values ('  abc  ','NULL',' ',3,#3/5/2004 8:09:10#)");
    ExecuteSql("insert into ProductGroupTable (ProductName,ProductRemark,ProductCount) values ('O''Brien','备注',-7)");
    ExecuteSql("insert into ProductGroupTable (ProductName,ProductCount) values ('z',2147483647)");
    const std::string statement = "select ProductName,ProductRemark,StartNumber,EndNumber,ProductCount,CreateCodeTime,"
                                  "1.005 as D, 1.25 as E from ProductGroupTable order by ProductName";
    const std::vector<std::string> columns = {"ProductName",  "ProductRemark",  "StartNumber", "EndNumber",
                                              "ProductCount", "CreateCodeTime", "D",           "E"};
    std::vector<std::vector<std::string>> streamed;
    ASSERT_EQ(Read(statement, streamed), 3) << m_connection.GetErrorsText();

    std::vector<std::vector<std::string>> recorded;
    CDbRecordset rs;
    rs.SetConnection(&m_connection);
    ASSERT_EQ(rs.Open(statement, 1, 3, 3), 1);
    for (; !rs.IsEOF(); rs.MoveNext()) {
        std::vector<std::string> texts(columns.size());
        for (std::size_t c = 0; c < columns.size(); ++c)
            EXPECT_TRUE(rs.GetFieldValue(columns[c], texts[c]));
        recorded.push_back(texts);
    }
    EXPECT_EQ(streamed, recorded);
    ASSERT_EQ(streamed.size(), 3u);
    EXPECT_EQ(streamed[0], (std::vector<std::string>{"abc", "", "", "", "3", "2004-03-05 08:09:10", "1", "1.25"}));
    EXPECT_EQ(streamed[1][0], "O'Brien");
    EXPECT_EQ(streamed[1][1], "备注");
    EXPECT_EQ(streamed[1][4], "-7");
}

TEST_P(ReadRowsTest, ColumnsAreFoundByNameAndEmptyResultsHandNothing)
{
    ExecuteSql("insert into ProductGroupTable (ProductName,ProductCount) values ('a',1)");
    int found = -2;
    EXPECT_EQ(ReadRows(m_connection, "select ProductCount,ProductName from ProductGroupTable",
                       [&found](const DbRow& row) {
                           found = row.FindColumn("PRODUCTNAME");
                           EXPECT_EQ(row.FindColumn("Missing"), -1);
                           return true;
                       }),
              1);
    EXPECT_EQ(found, 1);
    std::vector<std::vector<std::string>> rows;
    EXPECT_EQ(Read("select ProductName from ProductGroupTable where ProductName='none'", rows), 0);
    EXPECT_TRUE(rows.empty());
    EXPECT_EQ(m_connection.GetErrorsText(), "");
}

TEST_P(ReadRowsTest, AFailureIsNeverTakenForRowsAlsoWhenItComesAfterSome)
{
    std::vector<std::vector<std::string>> rows;
    EXPECT_EQ(Read("select nothing from nowhere", rows), -1);
    EXPECT_TRUE(rows.empty());
    EXPECT_NE(m_connection.GetErrorsText(), "");

    // The third row's value has no absolute value of its width: both engines fail there,
    // after the first rows went out.
    ASSERT_TRUE(m_connection.Provider()->ExecuteScript(
        "create table Numbers (k integer, v bigint);"
        "insert into Numbers values (1,-1),(2,-2),(3,-9223372036854775807-1),(4,4);"))
        << m_connection.GetErrorsText();
    rows.clear();
    EXPECT_EQ(Read("select abs(v) as A from Numbers order by k", rows), -1);
    EXPECT_LE(rows.size(), 2u);
    EXPECT_NE(m_connection.GetErrorsText(), "");
    // The connection serves the next statement.
    EXPECT_EQ(Value("select count(*) as N from Numbers", "N"), "4");
}

TEST_P(ReadRowsTest, StoppingEarlyLeavesTheConnectionReady)
{
    ASSERT_TRUE(m_connection.Provider()->ExecuteScript(
        "create table Numbers (k integer);"
        "insert into Numbers select * from (with recursive n(i) as (select 1 union all select i+1 from n where i<20000)"
        " select i from n) as s;"))
        << m_connection.GetErrorsText();
    long long sum = 0;
    EXPECT_EQ(ReadRows(m_connection, "select k from Numbers order by k",
                       [&sum](const DbRow& row) {
                           sum += row.Field(0).m_int;
                           return sum < 6; // 1+2+3
                       }),
              3);
    EXPECT_EQ(sum, 6);
    EXPECT_EQ(Value("select max(k) as M from Numbers", "M"), "20000");

    // And a long read to its end: every row, once, in order.
    long long count = 0;
    bool ordered = true;
    EXPECT_EQ(ReadRows(m_connection, "select k from Numbers order by k",
                       [&](const DbRow& row) {
                           ordered = ordered && row.Field(0).m_int == ++count;
                           return true;
                       }),
              20000);
    EXPECT_TRUE(ordered);
}

TEST_P(ReadRowsTest, TheReaderCannotUseTheConnectionItReadsFrom)
{
    ExecuteSql("insert into ProductGroupTable (ProductName,ProductCount) values ('a',1)");
    std::string nestedError;
    bool nestedRan = true;
    bool closed = true;
    bool began = true;
    EXPECT_EQ(ReadRows(m_connection, "select ProductName from ProductGroupTable",
                       [&](const DbRow&) {
                           nestedRan = RunSql(m_connection, "delete from ProductGroupTable", nestedError);
                           began = m_connection.BeginTrans();
                           closed = m_connection.CloseIfOpen();
                           return true;
                       }),
              1);
    EXPECT_FALSE(nestedRan);
    EXPECT_NE(nestedError.find("still reading"), std::string::npos) << nestedError;
    EXPECT_FALSE(began);
    EXPECT_FALSE(closed);
    EXPECT_TRUE(m_connection.IsOpen());
    EXPECT_EQ(Value("select count(*) as N from ProductGroupTable", "N"), "1");
    EXPECT_TRUE(RunSql(m_connection, "delete from ProductGroupTable", nestedError)) << nestedError;
}

} // namespace

KELVANE_DB_ENGINE_TEST_SUITE(ReadRowsTest);
