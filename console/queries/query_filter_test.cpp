#include "query_filter.h"
#include "query_log.h"
#include "query_status.h"

#include <gtest/gtest.h>

namespace {

const std::string kMay = " where QueryTime>#2004-05-01 0:0:1# and QueryTime<#2004-05-31 23:59:59# ";

QueryFilter May(std::string province, std::string city, std::string product, std::string status)
{
    return QueryFilter{{2004, 5, 1},    {2004, 5, 31},      std::move(province),
                       std::move(city), std::move(product), std::move(status)};
}

TEST(QueryFilterTest, TimeRangeRunsFromOneSecondPastMidnightToOneSecondBefore)
{
    EXPECT_EQ(May("", "", "", "").TimeRangeClause(), kMay);
    // Later dates are not swapped: the range is simply empty.
    const QueryFilter backwards{{2026, 12, 9}, {2026, 1, 2}, "", "", "", ""};
    EXPECT_EQ(backwards.TimeRangeClause(), " where QueryTime>#2026-12-09 0:0:1# and QueryTime<#2026-01-02 23:59:59# ");
}

TEST(QueryFilterTest, WhereClauseAppendsTheConditionsThatAreSet)
{
    struct Case {
        QueryFilter filter;
        std::string clause;
    };
    const Case cases[] = {
        {May("广东", "深圳", "", "重复查询"),
         kMay + " and  QueryProv='广东'  and  QueryCity='深圳'  and QueryStatus>1 "},
        {May("广东", "", "", "<不限>"), kMay + " and  QueryProv='广东' "},
        {May("", "", "金穗复合肥", "正确查询"), kMay + " and  ProductName='金穗复合肥'  and QueryStatus=1 "},
        {May("", "", "", ""), kMay},
        // Stored names with an apostrophe still make one literal each.
        {May("", "O'Hara", "O'Brien's", "码值错误"),
         kMay + " and  QueryCity='O''Hara'  and  ProductName='O''Brien''s'  and QueryStatus<0 "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.filter.WhereClause(), c.clause) << c.clause;
}

TEST(QueryFilterTest, StatusConditionKnowsThreeTextsExactly)
{
    EXPECT_EQ(StatusCondition("码值错误"), " and QueryStatus<0 ");
    EXPECT_EQ(StatusCondition("重复查询"), " and QueryStatus>1 ");
    EXPECT_EQ(StatusCondition("正确查询"), " and QueryStatus=1 ");
    for (const char* other : {"<不限>", "", "错误查询", "正确查询 "})
        EXPECT_EQ(StatusCondition(other), "") << other;
}

TEST(QueryFilterTest, RenderQueryStatus)
{
    const std::pair<std::string, std::string> cases[] = {
        {"1", "正确"},
        {"2", "重复查询1次"},
        {"3", "重复查询2次"},
        {"-2", "查询码值错误"},
        {"-1", "查询码值错误"},
        {"0", "0"},
        {"", ""},
        {"abc", "abc"},
        {"12x", "重复查询11次"},
        {"99999999999", "重复查询2147483646次"},
    };
    for (const auto& [status, shown] : cases)
        EXPECT_EQ(RenderQueryStatus(status), shown) << status;
}

TEST(QueryFilterTest, QueryLogSelectTakesTheClauseAsItIs)
{
    EXPECT_EQ(QueryLogSelect(kMay),
              "select QueryIndex,QueryTime,QueryPhoneNumber,QueryProductID,QueryProductCode,RealProductCode,"
              "QueryStatus,QueryComm,QueryProv,QueryCity from QueryLogTable " +
                  kMay + " ");
}

} // namespace
