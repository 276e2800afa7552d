#pragma once

#include <string>

// The texts the host answers with. Placeholders: {product} the batch name, {count} the
// times the code has been queried (this query included), {first} the time of its first
// query, {code} the 16 digits as read.
struct ReplyTexts {
    std::string genuine = "您查询的{product}是正品，此防伪码为首次查询，感谢您的支持。";
    std::string repeated = "此防伪码已被查询{count}次，首次查询时间{first}，谨防假冒。";
    std::string wrong = "您查询的防伪码不存在，谨防假冒。请核对产品上的16位防伪码后重发。";
    std::string notEnabled = "您查询的防伪码尚未启用，请稍后再查或咨询商家。";
    std::string help = "请发送产品标签上的16位防伪码查询真伪。";
    bool helpEnabled = true;
};

struct ReplyValues {
    std::string product;
    int count = 0;
    std::string firstTime;
    std::string code;
};

// The template with its placeholders filled; unknown braces stay as they are.
std::string FillReply(const std::string& pattern, const ReplyValues& values);

// The template that answers a query of that QueryStatus.
const std::string& ReplyFor(const ReplyTexts& texts, int queryStatus);
