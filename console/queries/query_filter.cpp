#include "query_filter.h"

#include "sql_text.h"

#include <cstdio>

std::string QueryFilter::TimeRangeClause() const
{
    char from[48];
    char to[48];
    std::snprintf(from, sizeof from, "%04d-%02d-%02d 0:0:1", fromDate.year, fromDate.month, fromDate.day);
    std::snprintf(to, sizeof to, "%04d-%02d-%02d 23:59:59", toDate.year, toDate.month, toDate.day);
    return std::string(" where QueryTime>#") + from + "# and QueryTime<#" + to + "# ";
}

std::string QueryFilter::WhereClause() const
{
    std::string clause = TimeRangeClause();
    // Names come from lists filled from the database, so a stored name with an apostrophe
    // must still make a valid literal.
    if (!province.empty())
        clause += " and  QueryProv='" + SqlQuote(province) + "' ";
    if (!city.empty())
        clause += " and  QueryCity='" + SqlQuote(city) + "' ";
    if (!product.empty())
        clause += " and  ProductName='" + SqlQuote(product) + "' ";
    clause += StatusCondition(statusText);
    return clause;
}

std::string StatusCondition(const std::string& statusText)
{
    if (statusText == "码值错误")
        return " and QueryStatus<0 ";
    if (statusText == "重复查询")
        return " and QueryStatus>1 ";
    if (statusText == "正确查询")
        return " and QueryStatus=1 ";
    return std::string();
}
