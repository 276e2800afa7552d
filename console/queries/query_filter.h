#pragma once

#include <string>

// A day of the calendar, as a date picker gives it; its time of day plays no part.
struct CalendarDate {
    int year = 0;
    int month = 0;
    int day = 0;
};

// The values of the query pages' filter controls when a query runs, and the where clause
// built from them. An empty text means no condition for that control.
struct QueryFilter {
    CalendarDate fromDate;
    CalendarDate toDate;
    std::string province;
    std::string city;
    std::string product;
    std::string statusText;

    // " where QueryTime>#from 0:0:1# and QueryTime<#to 23:59:59# ": both ends excluded, so
    // a query logged at exactly midnight falls in no range.
    std::string TimeRangeClause() const;
    // The time range, then the province, city, product and status conditions that are set.
    std::string WhereClause() const;
};

// The status list's condition: " and QueryStatus<0 " for "码值错误", " and QueryStatus>1 "
// for "重复查询", " and QueryStatus=1 " for "正确查询", nothing for any other text.
std::string StatusCondition(const std::string& statusText);
