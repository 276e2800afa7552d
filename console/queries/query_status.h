#pragma once

#include <string>

// How a list shows a QueryStatus: 1 "正确", n > 1 "重复查询<n-1>次", negative "查询码值错误",
// anything that reads as 0 unchanged.
std::string RenderQueryStatus(const std::string& queryStatus);

// What a query came to, by the sign of its QueryStatus and whether it is 1.
enum class QueryResultClass { Correct = 0, Repeated = 1, Wrong = 2, Other = 3 };
QueryResultClass ClassifyQueryStatus(const std::string& queryStatus);

// The status text of the statistics and warning lists: "正确", "重复查询" (without the count
// RenderQueryStatus adds), "查询码值错误", anything that reads as 0 unchanged.
std::string QueryStatusText(const std::string& queryStatus);
