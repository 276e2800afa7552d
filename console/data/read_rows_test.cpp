#include "db_connection.h"
#include "db_engine_test.h"
#include "db_provider.h"
#include "db_recordset.h"
#include "execute_sql.h"
#include "read_rows.h"
#include "text_util.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// The two ways of reading rows one at a time; they keep one contract.
enum class Reader { Rows, Cells };
const Reader kReaders[] = {Reader::Rows, Reader::Cells};

const char* NameOf(Reader reader)
{
    return reader == Reader::Rows ? "ReadRows" : "ReadCells";
}

class ReadRowsTest : public DbEngineTest {
protected:
    // Reads with either reader; each row's first column as an integer goes to take, whose
    // answer goes on to the read (false stops it).
    long long ReadFirst(Reader reader, const std::string& statement, const std::function<bool(long long)>& take)
    {
        if (reader == Reader::Rows)
            return ReadRows(m_connection, statement, [&take](const DbRow& row) { return take(row.Field(0).m_int); });
        return ReadCells(m_connection, statement, [&take](const DbCells& row) { return take(row[0].integer); });
    }

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

// What a cell holds: the kind of the engine's value, its number, or its text unchanged (blanks
// and the text "NULL" kept, where a DbRow's text trims them and gives "NULL" as "").
TEST_P(ReadRowsTest, CellsGiveTheEnginesOwnValues)
{
    ExecuteSql("insert into ProductGroupTable (ProductName,ProductRemark,StartNumber,ProductCount,CreateCodeTime) "
               "values ('  abc  ','NULL',' ',-2147483648,#3/5/2004 8:09:10#)");
    ExecuteSql("insert into ProductGroupTable (ProductName,ProductRemark,ProductCount) values ('O''Brien','备注',0)");
    struct Expected {
        DbCell::Kind kind;
        long long integer;
        std::string text;
    };
    using K = DbCell::Kind;
    const std::vector<std::vector<Expected>> expected = {
        {{K::Text, 0, "  abc  "},
         {K::Text, 0, "NULL"},
         {K::Text, 0, " "},
         {K::Null, 0, ""},
         {K::Int, -2147483648, ""},
         {K::Text, 0, "2004-03-05 08:09:10"}},
        {{K::Text, 0, "O'Brien"},
         {K::Text, 0, "备注"},
         {K::Null, 0, ""},
         {K::Null, 0, ""},
         {K::Int, 0, ""},
         {K::Null, 0, ""}},
    };
    std::vector<std::vector<Expected>> read;
    std::vector<std::string> names;
    EXPECT_EQ(ReadCells(m_connection,
                        "select ProductName,ProductRemark,StartNumber,EndNumber,ProductCount,CreateCodeTime "
                        "from ProductGroupTable order by ProductCount",
                        [&](const DbCells& row) {
                            std::vector<Expected> cells;
                            for (const DbCell& cell : row)
                                cells.push_back({cell.kind, cell.kind == K::Int ? cell.integer : 0,
                                                 cell.kind == K::Text ? std::string(cell.text) : ""});
                            read.push_back(std::move(cells));
                            names.clear();
                            for (std::size_t c = 0; c < row.ColumnCount(); ++c)
                                names.push_back(row.ColumnAt(c).name);
                            EXPECT_EQ(row.FindColumn("productcount"), 4);
                            EXPECT_EQ(row.FindColumn("Missing"), -1);
                            return true;
                        }),
              2)
        << m_connection.GetErrorsText();
    ASSERT_EQ(read.size(), expected.size());
    for (std::size_t r = 0; r < read.size(); ++r) {
        ASSERT_EQ(read[r].size(), expected[r].size());
        for (std::size_t c = 0; c < read[r].size(); ++c) {
            EXPECT_EQ(read[r][c].kind, expected[r][c].kind) << "row " << r << " column " << c;
            EXPECT_EQ(read[r][c].integer, expected[r][c].integer) << "row " << r << " column " << c;
            EXPECT_EQ(read[r][c].text, expected[r][c].text) << "row " << r << " column " << c;
        }
    }
    ASSERT_EQ(names.size(), 6u);
    EXPECT_TRUE(EqualsNoCaseAscii(names[5], "CreateCodeTime")) << names[5];

    // A real number as a number, on both engines.
    double real = 0;
    EXPECT_EQ(ReadCells(m_connection, "select cast(1.25 as real) as R from ProductGroupTable where ProductCount=0",
                        [&real](const DbCells& row) {
                            EXPECT_EQ(row[0].kind, K::Real);
                            real = row[0].real;
                            return true;
                        }),
              1)
        << m_connection.GetErrorsText();
    EXPECT_EQ(real, 1.25);
}

TEST_P(ReadRowsTest, AFailureIsNeverTakenForRowsAlsoWhenItComesAfterSome)
{
    // The third row's value has no absolute value of its width: both engines fail there,
    // after the first rows went out.
    ASSERT_TRUE(m_connection.Provider()->ExecuteScript(
        "create table Numbers (k integer, v bigint);"
        "insert into Numbers values (1,-1),(2,-2),(3,-9223372036854775807-1),(4,4);"))
        << m_connection.GetErrorsText();
    for (const Reader reader : kReaders) {
        SCOPED_TRACE(NameOf(reader));
        long long handed = 0;
        const auto count = [&handed](long long) { return ++handed > 0; };
        EXPECT_EQ(ReadFirst(reader, "select nothing from nowhere", count), -1);
        EXPECT_EQ(handed, 0);
        EXPECT_NE(m_connection.GetErrorsText(), "");

        EXPECT_EQ(ReadFirst(reader, "select abs(v) as A from Numbers order by k", count), -1);
        EXPECT_LE(handed, 2);
        EXPECT_NE(m_connection.GetErrorsText(), "");
        // The connection serves the next statement.
        EXPECT_EQ(Value("select count(*) as N from Numbers", "N"), "4");
    }
}

TEST_P(ReadRowsTest, StoppingEarlyLeavesTheConnectionReady)
{
    ASSERT_TRUE(m_connection.Provider()->ExecuteScript(
        "create table Numbers (k integer);"
        "insert into Numbers select * from (with recursive n(i) as (select 1 union all select i+1 from n where i<20000)"
        " select i from n) as s;"))
        << m_connection.GetErrorsText();
    for (const Reader reader : kReaders) {
        SCOPED_TRACE(NameOf(reader));
        long long sum = 0;
        EXPECT_EQ(ReadFirst(reader, "select k from Numbers order by k",
                            [&sum](long long k) {
                                sum += k;
                                return sum < 6; // 1+2+3
                            }),
                  3);
        EXPECT_EQ(sum, 6);
        EXPECT_EQ(Value("select max(k) as M from Numbers", "M"), "20000");

        // And a long read to its end: every row, once, in order.
        long long count = 0;
        bool ordered = true;
        EXPECT_EQ(ReadFirst(reader, "select k from Numbers order by k",
                            [&](long long k) {
                                ordered = ordered && k == ++count;
                                return true;
                            }),
                  20000);
        EXPECT_TRUE(ordered);
    }
}

TEST_P(ReadRowsTest, TheReaderCannotUseTheConnectionItReadsFrom)
{
    ExecuteSql("insert into ProductGroupTable (ProductName,ProductCount) values ('a',1)");
    for (const Reader reader : kReaders) {
        SCOPED_TRACE(NameOf(reader));
        std::string nestedError;
        bool nestedRan = true;
        bool closed = true;
        bool began = true;
        EXPECT_EQ(ReadFirst(reader, "select ProductCount from ProductGroupTable",
                            [&](long long) {
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
    }
    std::string error;
    EXPECT_TRUE(RunSql(m_connection, "delete from ProductGroupTable", error)) << error;
}

} // namespace

KELVANE_DB_ENGINE_TEST_SUITE(ReadRowsTest);
