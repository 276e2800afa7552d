#include "fake_warning.h"
#include "query_status.h"

#include "db_engine_test.h"
#include "execute_sql.h"
#include "sql_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(FakeWarningTest, ClauseSelectsRepeatsAndMinusTwoInTheRangeThenTheProvince)
{
    const std::string may = " where ( QueryStatus>1 or QueryStatus=-2 ) and QueryTime>#2004-05-01 0:0:1# and "
                            "QueryTime<#2004-05-31 23:59:59# ";
    const std::pair<std::string, std::string> cases[] = {
        {"", may},
        {"<不限>", may},
        {"广东", may + " and  QueryProv='广东' "},
        {"O'Land", may + " and  QueryProv='O''Land' "},
    };
    for (const auto& [province, clause] : cases)
        EXPECT_EQ((WarningFilter{{2004, 5, 1}, {2004, 5, 31}, province}.Clause()), clause) << province;
    const QueryListing listing = WarningFilter{{2004, 5, 1}, {2004, 5, 31}, "广东"}.Listing();
    EXPECT_EQ(listing.range, " where QueryTime>#2004-05-01 0:0:1# and QueryTime<#2004-05-31 23:59:59# ");
}

TEST(FakeWarningTest, StatusTextWithoutTheCount)
{
    const std::pair<std::string, std::string> cases[] = {
        {"1", "正确"},          {"2", "重复查询"}, {"7", "重复查询"}, {"-2", "查询码值错误"},
        {"-1", "查询码值错误"}, {"0", "0"},        {"", ""},
    };
    for (const auto& [status, text] : cases)
        EXPECT_EQ(QueryStatusText(status), text) << status;
    QueryLogRow row{"7", "2004-05-02 10:00:00", "139",  "01000001", "12345678", "12345679",
                    "3", "/dev/ttyS0",          "广东", ""};
    EXPECT_EQ(WarningCells(row), (std::vector<std::string>{"7", "重复查询", "2004-05-02 10:00:00", "139", "01000001",
                                                           "12345678", "12345679", "/dev/ttyS0", "广东", ""}));
}

TEST(FakeWarningTest, ProvinceSummaryMostFirst)
{
    struct Case {
        std::vector<ProvinceCount> counts;
        std::string summary;
    };
    const Case cases[] = {
        {{}, ""},
        {{{"广东", 37}}, "广东 37"},
        {{{"广东", 37}, {"浙江", 12}, {"", 2}}, "广东 37, 浙江 12, 未知 2"},
        {{{"a", 6}, {"b", 5}, {"c", 4}, {"d", 3}, {"e", 2}, {"f", 1}}, "a 6, b 5, c 4, d 3, e 2, ..."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ProvinceSummary(c.counts), c.summary);
}

class WarningCountTest : public DbEngineTest {
protected:
    void Log(int status, const char* province)
    {
        ExecuteSql(std::string("insert into QueryLogTable (QueryTime,QueryStatus,QueryProv) values "
                               "(#2004-05-02 10:00:00#,") +
                   std::to_string(status) + "," + (province ? "'" + SqlQuote(province) + "'" : "NULL") + ")");
        ASSERT_TRUE(m_messages.Messages().empty()) << m_messages.Messages()[0].text;
    }
};

// Counted by the database over the rows the list read: no province recorded (NULL or
// empty) is one group, letter case is folded as in the list's filter, later rows do not count.
TEST_P(WarningCountTest, CountsPerProvinceOfTheListedRows)
{
    for (const auto& [status, province] : std::vector<std::pair<int, const char*>>{{2, "浙江"},
                                                                                   {-2, "广东"},
                                                                                   {1, "广东"},
                                                                                   {3, "广东"},
                                                                                   {-1, "广东"},
                                                                                   {2, nullptr},
                                                                                   {-2, ""},
                                                                                   {2, "O'Land"},
                                                                                   {2, "o'land"},
                                                                                   {0, "浙江"}})
        Log(status, province);
    QueryListing listing = WarningFilter{{2004, 5, 1}, {2004, 5, 31}, ""}.Listing();
    listing.from = 0;
    listing.upTo = 1000;
    Log(2, "浙江");
    listing.upTo = 10;

    std::vector<ProvinceCount> counts;
    std::string error;
    ASSERT_EQ(CountWarningsByProvince(m_connection, listing, counts, error), ReadOutcome::Rows) << error;
    std::string shown = ProvinceSummary(counts, 10);
    // Which spelling names a folded group is the engine's choice.
    for (const char* spelling : {"o'land", "O'Land"})
        if (const auto at = shown.find(spelling); at != std::string::npos)
            shown.replace(at, std::string(spelling).size(), "O'Land");
    EXPECT_EQ(shown, "O'Land 2, 广东 2, 未知 2, 浙江 1");

    listing.clause = WarningFilter{{2004, 5, 3}, {2004, 5, 31}, ""}.Clause();
    EXPECT_EQ(CountWarningsByProvince(m_connection, listing, counts, error), ReadOutcome::Empty);
    EXPECT_TRUE(counts.empty());
}

KELVANE_DB_ENGINE_TEST_SUITE(WarningCountTest);

} // namespace
