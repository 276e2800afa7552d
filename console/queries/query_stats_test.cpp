#include "query_chart_data.h"
#include "query_stats.h"

#include "case_fold.h"
#include "db_engine_test.h"
#include "db_provider.h"
#include "db_recordset.h"
#include "execute_sql.h"
#include "sql_text.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::array<std::string, 4>>;

// The lines as the default layout shows them: product, region, status, count.
Lines Shown(const std::vector<StatsLine>& lines, int choice = 0)
{
    Lines shown;
    for (const StatsLine& line : lines)
        shown.push_back(line.Cells(choice));
    return shown;
}

StatsRow Row(std::string product, std::string province, std::string city, std::string status, long long count = 1)
{
    return {std::move(product), std::move(province), std::move(city), std::move(status), count};
}

TEST(StatsGroupingTest, RunsOfNeighboursWithOneKey)
{
    struct Case {
        const char* what;
        std::vector<StatsRow> rows;
        Lines lines;
    };
    const Case cases[] = {
        {"nothing read", {}, {}},
        {"statuses 2 and 3 of one product and region are one repeated-query line",
         {Row("金穗", "广东", "深圳", "2"), Row("金穗", "广东", "深圳", "3")},
         {{"金穗", "广东.深圳", "重复查询", "2次"}}},
        {"status 0 is shown as it reads and is a group of its own",
         {Row("金穗", "广东", "深圳", "0"), Row("金穗", "广东", "深圳", "1"), Row("金穗", "广东", "深圳", "1")},
         {{"金穗", "广东.深圳", "0", "1次"}, {"金穗", "广东.深圳", "正确", "2次"}}},
        {"every wrong code is one class",
         {Row("A", "广东", "深圳", "-1"), Row("A", "广东", "深圳", "-2")},
         {{"A", "广东.深圳", "查询码值错误", "2次"}}},
        {"an empty city leaves the full stop", {Row("金穗", "广东", "", "1")}, {{"金穗", "广东.", "正确", "1次"}}},
        {"the same key further on is another line",
         {Row("A", "广东", "深圳", "2"), Row("B", "广东", "深圳", "2"), Row("A", "广东", "深圳", "3")},
         {{"A", "广东.深圳", "重复查询", "1次"},
          {"B", "广东.深圳", "重复查询", "1次"},
          {"A", "广东.深圳", "重复查询", "1次"}}},
        {"letter case aside, with the texts of the run's first row",
         {Row("Gold", "Ürümqi", "x", "1"), Row("GOLD", "üRÜMQI", "X", "1")},
         {{"Gold", "Ürümqi.x", "正确", "2次"}}},
        {"counted groups add up",
         {Row("A", "江苏", "南京", "1", 3), Row("A", "江苏", "南京", "1", 4)},
         {{"A", "江苏.南京", "正确", "7次"}}},
        {"a different city is another line",
         {Row("A", "江苏", "南京", "1"), Row("A", "江苏", "苏州", "1")},
         {{"A", "江苏.南京", "正确", "1次"}, {"A", "江苏.苏州", "正确", "1次"}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Shown(GroupStatsRows(c.rows)), c.lines) << c.what;
}

TEST(StatsGroupingTest, SortChoicesPlaceTheKeysAndColumns)
{
    const StatsLine line{"金穗", "广东.深圳", "正确", 12};
    struct Case {
        const char* label;
        const char* order;
        std::array<std::string, 4> cells;
        std::array<std::string, 3> headings;
    };
    const Case cases[] = {
        {"产品-地域-状态",
         " order by ProductName,QueryProv,QueryCity,QueryStatus ",
         {"金穗", "广东.深圳", "正确", "12次"},
         {"产品", "地域", "状态"}},
        {"产品-状态-地域",
         " order by ProductName,QueryStatus,QueryProv,QueryCity ",
         {"金穗", "正确", "广东.深圳", "12次"},
         {"产品", "状态", "地域"}},
        {"地域-产品-状态",
         " order by QueryProv,QueryCity,ProductName,QueryStatus ",
         {"广东.深圳", "金穗", "正确", "12次"},
         {"地域", "产品", "状态"}},
        {"地域-状态-产品",
         " order by QueryProv,QueryCity,QueryStatus,ProductName ",
         {"广东.深圳", "正确", "金穗", "12次"},
         {"地域", "状态", "产品"}},
        {"状态-地域-产品",
         " order by QueryStatus,QueryProv,QueryCity,ProductName ",
         {"正确", "广东.深圳", "金穗", "12次"},
         {"状态", "地域", "产品"}},
        {"状态-产品-地域",
         " order by QueryStatus,ProductName,QueryProv,QueryCity ",
         {"正确", "金穗", "广东.深圳", "12次"},
         {"状态", "产品", "地域"}},
    };
    for (int choice = 0; choice < kStatsSortChoiceCount; ++choice) {
        const Case& c = cases[choice];
        EXPECT_STREQ(StatsSortChoices()[static_cast<std::size_t>(choice)].label, c.label);
        EXPECT_EQ(StatsOrderClause(choice), c.order) << c.label;
        EXPECT_EQ(line.Cells(choice), c.cells) << c.label;
        const std::array<StatsColumn, 4> columns = StatsColumns(choice);
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_STREQ(columns[i].heading, c.headings[i].c_str()) << c.label;
            EXPECT_EQ(columns[i].width, c.headings[i] == "状态" ? 120 : 150) << c.label;
        }
        EXPECT_STREQ(columns[3].heading, "查询次数");
        EXPECT_EQ(columns[3].width, 150);
    }
}

TEST(StatsGroupingTest, ConditionOfTheFilterControls)
{
    const std::string may = " where QueryTime>#2004-05-01 0:0:1# and QueryTime<#2004-05-31 23:59:59# ";
    struct Case {
        StatsFilter filter;
        std::string condition;
    };
    const auto May = [](std::string province, std::string city, std::string product, std::string result) {
        return StatsFilter{{2004, 5, 1}, {2004, 5, 31}, province, city, product, result};
    };
    const Case cases[] = {
        {May("<不限>", "", "", "<不限>"), may},
        {May("", "", "", ""), may},
        {May("广东", "深圳", "金穗", "错误查询"),
         may + " and  QueryProv='广东'  and  QueryCity='深圳'  and  ProductName='金穗'  and QueryStatus<0 "},
        {May("", "", "", "重复查询"), may + " and QueryStatus>1 "},
        {May("", "", "", "正确查询"), may + " and QueryStatus=1 "},
        // The records page's name for wrong codes is not one of this list's.
        {May("", "", "", "码值错误"), may},
        {May("O'Land", "", "O'Brien's", ""), may + " and  QueryProv='O''Land'  and  ProductName='O''Brien''s' "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.filter.Condition(), c.condition) << c.condition;
}

TEST(ChartDataTest, DaysOfTheRangeAndTheTopProvinces)
{
    EXPECT_EQ(DaysOfRange({2024, 2, 27}, {2024, 3, 2}),
              (std::vector<std::string>{"2024-02-27", "2024-02-28", "2024-02-29", "2024-03-01", "2024-03-02"}));
    EXPECT_EQ(DaysOfRange({2025, 12, 31}, {2026, 1, 1}), (std::vector<std::string>{"2025-12-31", "2026-01-01"}));
    EXPECT_TRUE(DaysOfRange({2026, 1, 2}, {2026, 1, 1}).empty());

    // Beyond a year only the days with queries stand on the axis.
    const StatsFilter years{{2020, 1, 1}, {2026, 12, 31}, "", "", "", ""};
    const QueryChartData sparse = BuildChartData(years, {{"2021-03-04", "广东", QueryResultClass::Correct, 2},
                                                         {"2020-01-05", "广东", QueryResultClass::Wrong, 1}});
    ASSERT_EQ(sparse.days.size(), 2u);
    EXPECT_EQ(sparse.days[0].day, "2020-01-05");
    EXPECT_EQ(sparse.days[0].counts[QueryResultClass::Wrong], 1);
    EXPECT_EQ(sparse.days[1].counts[QueryResultClass::Correct], 2);
}

class StatsEngineTest : public DbEngineTest {
protected:
    void Log(const std::string& time, const std::string& status, const std::string& province, const std::string& city,
             const std::string& product)
    {
        const auto text = [](const std::string& value) {
            return value == "NULL" ? value : "'" + SqlQuote(value) + "'";
        };
        ExecuteSql("insert into QueryLogTable (QueryTime,QueryPhoneNumber,QueryProductID,QueryProductCode,"
                   "RealProductCode,QueryStatus,QueryComm,QueryProv,QueryCity,ProductName) values (#" +
                   time + "#,'13900000000','01000001','12345678','12345678'," + status + ",'/dev/ttyUSB0'," +
                   text(province) + "," + text(city) + "," + text(product) + ")");
        ASSERT_TRUE(m_messages.Messages().empty()) << m_messages.Messages()[0].text;
    }

    // The log of the examples: a few products, regions and statuses spread over days, with
    // cities that are NULL or empty and names in two letter cases.
    void LogExamples()
    {
        struct Entry {
            const char* time;
            const char* status;
            const char* province;
            const char* city;
            const char* product;
        };
        const Entry entries[] = {
            {"2004-05-01 00:00:00", "1", "广东", "深圳", "A"}, // midnight: outside every range
            {"2004-05-01 08:00:00", "2", "广东", "深圳", "A"},
            {"2004-05-01 09:00:00", "1", "广东", "深圳", "B"},
            {"2004-05-02 10:00:00", "3", "广东", "深圳", "A"},
            {"2004-05-02 11:00:00", "2", "广东", "深圳", "B"},
            {"2004-05-02 12:00:00", "-2", "江苏", "南京", "A"},
            {"2004-05-02 13:00:00", "-1", "江苏", "南京", "A"},
            {"2004-05-03 14:00:00", "0", "江苏", "南京", "a"},
            {"2004-05-03 15:00:00", "1", "广东", "", "A"},
            {"2004-05-03 16:00:00", "1", "广东", "NULL", "A"},
            {"2004-05-03 17:00:00", "1", "O'Land", "x", "A"},
            {"2004-05-04 18:00:00", "5", "广东", "深圳", "a"},
            {"2004-06-01 10:00:00", "1", "广东", "深圳", "A"}, // after the range
        };
        for (const Entry& entry : entries)
            Log(entry.time, entry.status, entry.province, entry.city, entry.product);
    }

    std::vector<StatsLine> Read(const StatsFilter& filter, int choice, ReadOutcome expected = ReadOutcome::Rows)
    {
        std::vector<StatsLine> lines;
        std::string error;
        EXPECT_EQ(ReadStatsLines(m_connection, filter, choice, lines, error), expected) << error;
        return lines;
    }

    // Every row of the filter read and grouped one by one, sorted by the choice's order.
    std::vector<StatsLine> ReadRowByRow(const StatsFilter& filter, int choice)
    {
        CDbRecordset read;
        read.SetConnection(&m_connection);
        std::vector<StatsRow> rows;
        if (read.Open("select QueryIndex,QueryTime,QueryPhoneNumber,QueryProductID,QueryProductCode,RealProductCode,"
                      "QueryStatus,QueryComm,QueryProv,QueryCity,ProductName from QueryLogTable " +
                          filter.Condition() + StatsOrderClause(choice) + " ",
                      1, 3, 3) != 1)
            return {};
        for (; !read.IsEOF(); read.MoveNext()) {
            StatsRow& row = rows.emplace_back();
            read.GetFieldValue("ProductName", row.product);
            read.GetFieldValue("QueryProv", row.province);
            read.GetFieldValue("QueryCity", row.city);
            read.GetFieldValue("QueryStatus", row.status);
        }
        return GroupStatsRows(rows);
    }

    static StatsFilter May(std::string province = "<不限>", std::string result = "<不限>")
    {
        return StatsFilter{{2004, 5, 1}, {2004, 5, 31}, std::move(province), "", "", std::move(result)};
    }
};

// Which of two names in different letter case leads a run is the engine's choice.
Lines Folded(const std::vector<StatsLine>& lines, int choice)
{
    Lines folded;
    for (const StatsLine& line : lines) {
        std::array<std::string, 4> cells = line.Cells(choice);
        for (std::string& cell : cells)
            cell = FoldCase(cell);
        folded.push_back(cells);
    }
    return folded;
}

TEST_P(StatsEngineTest, CountedGroupsGiveTheLinesOfEveryRowInEveryOrder)
{
    LogExamples();
    // A NULL city sorts apart from the empty one (first on one engine, last on the other),
    // and statuses of the same text around it make the difference seen.
    Log("2004-05-03 16:30:00", "2", "广东", "NULL", "A");
    Log("2004-05-03 16:40:00", "2", "广东", "", "A");
    for (const StatsFilter& filter : {May(), May("广东"), May("<不限>", "重复查询"), May("O'Land")}) {
        for (int choice = 0; choice < kStatsSortChoiceCount; ++choice) {
            const std::vector<StatsLine> rowByRow = ReadRowByRow(filter, choice);
            ASSERT_FALSE(rowByRow.empty()) << filter.Condition();
            EXPECT_EQ(Folded(Read(filter, choice), choice), Folded(rowByRow, choice))
                << filter.Condition() << StatsOrderClause(choice);
        }
    }
}

TEST_P(StatsEngineTest, RepeatedQueriesOfOneProductAndRegion)
{
    LogExamples();
    const StatsFilter repeated = May("广东", "重复查询");
    // Product first: statuses 2, 3 and 5 of A in 广东.深圳 stand together, whatever the
    // letter case of the product.
    const Lines byProduct = Folded(Read(repeated, 0), 0);
    EXPECT_EQ(byProduct, (Lines{{"a", "广东.深圳", "重复查询", "3次"}, {"b", "广东.深圳", "重复查询", "1次"}}));
    // Status first: B's status 2 stands between A's 2 and A's 3.
    const Lines byStatus = Folded(Read(repeated, 5), 5);
    EXPECT_EQ(byStatus, (Lines{{"重复查询", "a", "广东.深圳", "1次"},
                               {"重复查询", "b", "广东.深圳", "1次"},
                               {"重复查询", "a", "广东.深圳", "2次"}}));
}

TEST_P(StatsEngineTest, NothingMatchesAndAFailureAreToldApart)
{
    LogExamples();
    EXPECT_TRUE(Read(StatsFilter{{2004, 5, 2}, {2004, 5, 1}, "", "", "", ""}, 0, ReadOutcome::Empty).empty());
    QueryChartData chart;
    std::string error;
    EXPECT_EQ(ReadQueryChartData(m_connection, StatsFilter{{2003, 1, 1}, {2003, 1, 2}, "", "", "", ""}, chart, error),
              ReadOutcome::Empty);
    EXPECT_EQ(chart.days.size(), 2u);

    ASSERT_TRUE(m_connection.Provider()->ExecuteScript("drop table QueryLogTable"));
    std::vector<StatsLine> lines;
    EXPECT_EQ(ReadStatsLines(m_connection, May(), 0, lines, error), ReadOutcome::Failed);
    EXPECT_NE(FoldCase(error).find("querylogtable"), std::string::npos) << error;
    error.clear();
    EXPECT_EQ(ReadQueryChartData(m_connection, May(), chart, error), ReadOutcome::Failed);
    EXPECT_FALSE(error.empty());
}

TEST_P(StatsEngineTest, ChartCountsPerDayClassAndProvince)
{
    LogExamples();
    // Twelve more provinces with fewer queries each, so only some make the top ten.
    const char* const others[] = {"安徽", "北京", "福建", "甘肃", "广西", "贵州",
                                  "海南", "河北", "河南", "湖北", "湖南", "吉林"};
    for (int i = 0; i < 12; ++i)
        for (int n = 0; n < (i < 2 ? 2 : 1); ++n)
            Log("2004-05-05 10:00:0" + std::to_string(n), "1", others[i], "", "A");

    QueryChartData chart;
    std::string error;
    const StatsFilter week{{2004, 5, 1}, {2004, 5, 6}, "<不限>", "", "", "<不限>"};
    // Read by one connection, and by two (on SQLite each counts half the days: 1-3 and 4-6).
    for (const ChartReaders readers : {ChartReaders::One, ChartReaders::Two}) {
        SCOPED_TRACE(readers == ChartReaders::One ? "one reader" : "two readers");
        ASSERT_EQ(ReadQueryChartData(m_connection, week, chart, error, readers), ReadOutcome::Rows) << error;

        struct Day {
            std::string day;
            std::array<long long, 4> counts; // correct, repeated, wrong, other
        };
        const Day days[] = {
            {"2004-05-01", {1, 1, 0, 0}}, {"2004-05-02", {0, 2, 2, 0}},  {"2004-05-03", {3, 0, 0, 1}},
            {"2004-05-04", {0, 1, 0, 0}}, {"2004-05-05", {14, 0, 0, 0}}, {"2004-05-06", {0, 0, 0, 0}},
        };
        ASSERT_EQ(chart.days.size(), std::size(days));
        for (std::size_t i = 0; i < std::size(days); ++i) {
            EXPECT_EQ(chart.days[i].day, days[i].day);
            EXPECT_EQ(chart.days[i].counts.byClass, days[i].counts) << days[i].day;
        }
        EXPECT_EQ(chart.total.byClass, (std::array<long long, 4>{18, 4, 2, 1}));

        // 广东 7 (5 of them 深圳, one empty city, one NULL), 江苏 3, then the two with 2, then
        // those with 1 by name.
        std::vector<std::string> top;
        for (const ProvinceCounts& province : chart.provinces)
            top.push_back(province.province + " " + std::to_string(province.counts.Total()));
        ASSERT_EQ(top.size(), kChartProvinces);
        EXPECT_EQ(std::vector<std::string>(top.begin(), top.begin() + 4),
                  (std::vector<std::string>{"广东 7", "江苏 3", "北京 2", "安徽 2"}));
        EXPECT_EQ(chart.provinces[0].counts.byClass, (std::array<long long, 4>{3, 4, 0, 0}));
        EXPECT_EQ(chart.provinces[1].counts.byClass, (std::array<long long, 4>{0, 0, 2, 1}));
        for (std::size_t i = 5; i < top.size(); ++i)
            EXPECT_LT(top[i - 1], top[i]);
    }

    // The filter applies as it does to the table.
    ASSERT_EQ(ReadQueryChartData(m_connection, StatsFilter{{2004, 5, 1}, {2004, 5, 6}, "广东", "", "", "重复查询"},
                                 chart, error),
              ReadOutcome::Rows)
        << error;
    ASSERT_EQ(chart.provinces.size(), 1u);
    EXPECT_EQ(chart.total.byClass, (std::array<long long, 4>{0, 4, 0, 0}));

    // A spelling in the other half of the range is the same province, and a query at the
    // middle day's midnight (where the halves meet) counts once.
    Log("2004-05-04 00:00:00", "-1", "o'LAND", "x", "A");
    for (const ChartReaders readers : {ChartReaders::One, ChartReaders::Two}) {
        ASSERT_EQ(ReadQueryChartData(m_connection, week, chart, error, readers), ReadOutcome::Rows) << error;
        const auto land = std::find_if(chart.provinces.begin(), chart.provinces.end(),
                                       [](const ProvinceCounts& p) { return FoldCase(p.province) == "o'land"; });
        ASSERT_NE(land, chart.provinces.end());
        EXPECT_EQ(land->counts.byClass, (std::array<long long, 4>{1, 0, 1, 0}));
        EXPECT_EQ(chart.total.byClass, (std::array<long long, 4>{18, 4, 3, 1}));
        EXPECT_EQ(chart.days[3].counts.byClass, (std::array<long long, 4>{0, 1, 1, 0}));
        EXPECT_EQ(std::count_if(chart.provinces.begin(), chart.provinces.end(),
                                [](const ProvinceCounts& p) { return FoldCase(p.province) == "o'land"; }),
                  1);
    }
}

// A range longer than the pieces two readers share is cut at midnights between whole days:
// queries at either side of every cut count once, on the day they fall on, and the range's
// own bounds (after 0:00:01 of its first day, before 23:59:59 of its last) hold as for one.
TEST_P(StatsEngineTest, ChartOfALongRangeCountsEveryQueryOnce)
{
    const StatsFilter forty{{2004, 6, 1}, {2004, 7, 10}, "<不限>", "", "", "<不限>"};
    const std::vector<std::string> days = DaysOfRange(forty.fromDate, forty.toDate);
    ASSERT_EQ(days.size(), 40u);
    for (const std::string& day : days)
        for (const char* time : {" 00:00:00", " 00:00:01", " 12:00:00", " 23:59:59"})
            Log(day + time, "1", "广东", "", "A");
    // Times as another program may have written them: a bare day sorts before the day's
    // midnight, a 'T' after it; both fall on their day.
    for (const char* time : {"2004-06-05", "2004-06-05T23:00:00"})
        ExecuteSql(std::string("insert into QueryLogTable (QueryTime,QueryStatus,QueryProv) values ('") + time +
                   "',1,'广东')");
    for (const ChartReaders readers : {ChartReaders::One, ChartReaders::Two}) {
        SCOPED_TRACE(readers == ChartReaders::One ? "one reader" : "two readers");
        QueryChartData chart;
        std::string error;
        ASSERT_EQ(ReadQueryChartData(m_connection, forty, chart, error, readers), ReadOutcome::Rows) << error;
        ASSERT_EQ(chart.days.size(), days.size());
        for (std::size_t day = 0; day < days.size(); ++day) {
            EXPECT_EQ(chart.days[day].day, days[day]);
            EXPECT_EQ(chart.days[day].counts.Total(), day == 0                 ? 2
                                                      : day + 1 == days.size() ? 3
                                                      : day == 4               ? 6
                                                                               : 4)
                << days[day];
        }
        EXPECT_EQ(chart.total.Total(), 159);
    }

    // Over two years the pieces are of several days, and the rows tell their day themselves.
    const StatsFilter years{{2003, 7, 1}, {2005, 6, 30}, "<不限>", "", "", "<不限>"};
    for (const ChartReaders readers : {ChartReaders::One, ChartReaders::Two}) {
        SCOPED_TRACE(readers == ChartReaders::One ? "one reader, two years" : "two readers, two years");
        QueryChartData chart;
        std::string error;
        ASSERT_EQ(ReadQueryChartData(m_connection, years, chart, error, readers), ReadOutcome::Rows) << error;
        ASSERT_EQ(chart.days.size(), days.size());
        for (std::size_t day = 0; day < days.size(); ++day) {
            EXPECT_EQ(chart.days[day].day, days[day]);
            EXPECT_EQ(chart.days[day].counts.Total(), day == 4 ? 6 : 4) << days[day];
        }
    }
}

// Cells the table shows alike count alike: a NULL, empty, blank or "NULL" province is the
// unknown one, blanks around a name fall away, a NULL status is neither class, and on SQLite
// (whose integer column keeps a text that is no number) a status counts by its leading number.
TEST_P(StatsEngineTest, ChartCountsOddCellsAsTheTableShowsThem)
{
    Log("2004-05-02 10:00:00", "1", "NULL", "", "A");
    Log("2004-05-02 10:00:01", "1", "", "", "A");
    Log("2004-05-02 10:00:02", "-1", "  ", "", "A");
    Log("2004-05-02 10:00:03", "2", " 广东 ", "", "A");
    Log("2004-05-05 10:00:00", "1", "广东", "", "A");
    Log("2004-05-05 10:00:01", "NULL", "广东", "", "A");
    Log("2004-05-05 10:00:02", "1", "", "", "A");
    ExecuteSql("update QueryLogTable set QueryProv='NULL' where QueryTime=#2004-05-05 10:00:02#");
    std::array<long long, 4> guangdong{1, 1, 0, 1};
    if (Engine() == SqlDialect::SQLite) {
        Log("2004-05-04 09:00:00", "'2 times'", "广东", "", "A");
        Log("2004-05-04 09:00:01", "'-3x'", "广东", "", "A");
        Log("2004-05-04 09:00:02", "'x'", "广东", "", "A");
        guangdong = {1, 2, 1, 2};
    }
    const StatsFilter week{{2004, 5, 1}, {2004, 5, 6}, "<不限>", "", "", "<不限>"};
    for (const ChartReaders readers : {ChartReaders::One, ChartReaders::Two}) {
        SCOPED_TRACE(readers == ChartReaders::One ? "one reader" : "two readers");
        QueryChartData chart;
        std::string error;
        ASSERT_EQ(ReadQueryChartData(m_connection, week, chart, error, readers), ReadOutcome::Rows) << error;
        std::map<std::string, std::array<long long, 4>> byName;
        for (const ProvinceCounts& province : chart.provinces)
            byName[province.province] = province.counts.byClass;
        EXPECT_EQ(byName, (std::map<std::string, std::array<long long, 4>>{{"", {3, 0, 1, 0}}, {"广东", guangdong}}));
    }
}

TEST(ChartDataTest, DescriptionGivesTheFigures)
{
    const StatsFilter two{{2004, 5, 1}, {2004, 5, 2}, "", "", "", ""};
    EXPECT_EQ(DescribeChart(BuildChartData(two, {})), "查询图表：无符合条件的记录。");
    const QueryChartData data = BuildChartData(two, {{"2004-05-02", "广东", QueryResultClass::Correct, 3},
                                                     {"2004-05-02", "广东", QueryResultClass::Repeated, 1},
                                                     {"2004-05-02", "", QueryResultClass::Wrong, 1}});
    EXPECT_EQ(DescribeChart(data), "查询图表，共5次：正确3，重复查询1，查询码值错误1。"
                                   "每日查询（无查询的日期不列）：2004-05-02 共5次：正确3，重复查询1，查询码值错误1。"
                                   "查询最多的省份：广东 共4次：正确3，重复查询1，查询码值错误0；"
                                   "未知地域 共1次：正确0，重复查询0，查询码值错误1。");
}

KELVANE_DB_ENGINE_TEST_SUITE(StatsEngineTest);

} // namespace
