#include "cross_region.h"
#include "query_records.h"

#include "db_engine_test.h"
#include "execute_sql.h"
#include "sql_text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Regions = std::vector<std::pair<std::string, std::string>>;

// The lines as "region count", top to bottom.
std::vector<std::string> Shown(const Regions& regions)
{
    std::vector<std::string> shown;
    for (const CrossRegionLine& line : CrossRegionLines("金穗", regions)) {
        EXPECT_EQ(line.product, "金穗");
        shown.push_back(line.region + " " + line.count);
    }
    return shown;
}

TEST(CrossRegionTest, RunsOfTheSameRegionNewestOnTop)
{
    struct Case {
        Regions regions;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {{{"北京", "北京"}, {"北京", "北京"}, {"上海", "上海"}, {"北京", "北京"}},
         {"北京.北京 1次", "上海.上海 1次", "北京.北京 2次"}},
        {{}, {}},
        {{{"广东", ""}}, {"广东. 1次"}},
        // Other cities of one province are other regions.
        {{{"广东", "深圳"}, {"广东", "广州"}, {"广东", "广州"}}, {"广东.广州 2次", "广东.深圳 1次"}},
        // Letter case plays no part, as in the database; the run keeps its first spelling.
        {{{"Macau", "Taipa"}, {"MACAU", "taipa"}, {"Macau", "Coloane"}}, {"Macau.Coloane 1次", "Macau.Taipa 2次"}},
        // A first query with no region recorded is a run of its own, not a continuation of nothing.
        {{{"", ""}, {"", ""}, {"河南", "郑州"}}, {"河南.郑州 1次", ". 2次"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Shown(c.regions), c.shown) << ::testing::PrintToString(c.regions);
}

TEST(CrossRegionTest, ClauseNamesTheForeignRegionThenProductAndCodes)
{
    struct Case {
        CrossRegionFilter filter;
        std::string clause;
    };
    const Case cases[] = {
        {{"广东", "", "金穗", "", ""}, " where ( QueryProv > '广东' or QueryProv < '广东')  and  ProductName='金穗' "},
        {{"广东", "广州", "金穗", "01000000", "01000100"},
         " where ( QueryCity > '广州' or QueryCity < '广州')  and  ProductName='金穗'  and  QueryProductID>'01000000' "
         " and  QueryProductID<'01000100' "},
        {{"广东", "", "金穗", "", "01000100"},
         " where ( QueryProv > '广东' or QueryProv < '广东')  and  ProductName='金穗'  and  "
         "QueryProductID<'01000100' "},
        {{"O'Land", "", "O'Brien's", "", ""},
         " where ( QueryProv > 'O''Land' or QueryProv < 'O''Land')  and  ProductName='O''Brien''s' "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CrossRegionClause(c.filter), c.clause);
}

TEST(CrossRegionTest, RefusalsInTheOrderTheOperatorIsTold)
{
    struct Case {
        CrossRegionFilter filter;
        CrossRegionRefusal refusal;
    };
    const Case cases[] = {
        {{"", "", "", "123", "1"}, CrossRegionRefusal::NoProvince},
        {{"广东", "广州", "", "123", ""}, CrossRegionRefusal::NoProduct},
        {{"广东", "", "金穗", "01000", "1"}, CrossRegionRefusal::BadStartCode},
        {{"广东", "", "金穗", "010000000", ""}, CrossRegionRefusal::BadStartCode},
        {{"广东", "", "金穗", "01000000", "0100010"}, CrossRegionRefusal::BadEndCode},
        {{"广东", "", "金穗", "", ""}, CrossRegionRefusal::None},
        {{"广东", "", "金穗", "01000000", "01000100"}, CrossRegionRefusal::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckCrossRegionFilter(c.filter), c.refusal) << c.filter.startCode << "/" << c.filter.endCode;
    EXPECT_STREQ(CrossRegionRefusalText(CrossRegionRefusal::BadEndCode), "结尾编码只能为空或8位长度！");
}

class CrossRegionReadTest : public DbEngineTest {
protected:
    void Log(int index, const std::string& province, const std::string& city)
    {
        ExecuteSql("insert into QueryLogTable (QueryIndex,QueryTime,QueryProductID,QueryStatus,QueryProv,QueryCity,"
                   "ProductName) values (" +
                   std::to_string(index) + ",#2026-01-02 10:00:00#,'01000001',1,'" + SqlQuote(province) + "','" +
                   SqlQuote(city) + "','金穗')");
        ASSERT_TRUE(m_messages.Messages().empty()) << m_messages.Messages()[0].text;
    }
};

// Rows are read a window of row numbers at a time; a run that spans windows stays one run,
// and the row numbers, not the order of insertion, give the order.
TEST_P(CrossRegionReadTest, RunsSpanReadWindowsInRowNumberOrder)
{
    Log(20000, "江苏", "南京");
    Log(3, "河南", "郑州");
    Log(kQueryRecordsWindow + 3, "河南", "郑州");
    Log(kQueryRecordsWindow + 5, "广东", "深圳");
    Log(kQueryRecordsWindow + 4, "河南", "郑州");

    Regions read;
    int windows = 0;
    std::string error;
    const ReadOutcome outcome = ReadCrossRegionQueries(
        m_connection, CrossRegionFilter{"广东", "", "金穗", "", ""},
        [&read](const std::string& province, const std::string& city) { read.emplace_back(province, city); },
        [&windows] { ++windows; }, error);
    ASSERT_EQ(outcome, ReadOutcome::Rows) << error;
    EXPECT_EQ(read, (Regions{{"河南", "郑州"}, {"河南", "郑州"}, {"河南", "郑州"}, {"江苏", "南京"}}));
    EXPECT_EQ(windows, 3);
    EXPECT_EQ(Shown(read), (std::vector<std::string>{"江苏.南京 1次", "河南.郑州 3次"}));

    // A product never queried: nothing to read, no failure.
    EXPECT_EQ(ReadCrossRegionQueries(
                  m_connection, CrossRegionFilter{"广东", "", "瑞丰", "", ""},
                  [](const std::string&, const std::string&) {}, nullptr, error),
              ReadOutcome::Empty);
}

KELVANE_DB_ENGINE_TEST_SUITE(CrossRegionReadTest);

} // namespace
