#pragma once

#include <string>

// How a list shows a QueryStatus: 1 "正确", n > 1 "重复查询<n-1>次", negative "查询码值错误",
// anything that reads as 0 unchanged.
std::string RenderQueryStatus(const std::string& queryStatus);
