#pragma once

#include <string>

// One SendSmsTable row as the console shows it: display texts of five columns.
struct SmsRecord {
    std::string smsIndex;
    std::string sendStatus;
    std::string sendTime;
    std::string phoneNumber;
    std::string smsContent;

    bool operator==(const SmsRecord&) const = default;
};

// The decimal value of an SmsIndex text: leading blanks and a sign allowed, digits up to
// the first other character; no digits read as 0.
int SmsIndexValue(const std::string& text);

// The status texts of the queue.
inline constexpr const char* kSmsPending = "待发";
inline constexpr const char* kSmsSending = "发送中";
inline constexpr const char* kSmsSent = "成功";
inline constexpr const char* kSmsFailed = "失败";
inline constexpr const char* kSmsReceived = "接收";
