#include "fake_warning.h"
#include "query_status.h"

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

// No province recorded (NULL reads as empty) is one group; letter case is folded as the
// database folds it, the group named by its most frequent spelling.
TEST(FakeWarningTest, TallyGroupsProvincesAsTheDatabaseComparesThem)
{
    ProvinceTally tally;
    for (const char* province : {"浙江", "O'Land", "广东", "", "o'land", "广东", "O'Land", "", "Ålesund", "ålesund"})
        tally.Add(province);
    EXPECT_EQ(ProvinceSummary(tally.Counts(), 10), "O'Land 3, Ålesund 2, 广东 2, 未知 2, 浙江 1");
    EXPECT_TRUE(ProvinceTally().Counts().empty());
}

} // namespace
