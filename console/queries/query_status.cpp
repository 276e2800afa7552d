#include "query_status.h"

#include <cctype>
#include <climits>

namespace {

// The value of the text's leading number, as the C library reads an int (blanks, a sign,
// digits; 0 when there are none), held at the int range instead of overflowing.
long long LeadingNumber(const std::string& text)
{
    std::size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        negative = text[at++] == '-';
    long long value = 0;
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
        value = value * 10 + (text[at] - '0');
        if (value > INT_MAX)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    return negative ? -value : (value > INT_MAX ? INT_MAX : value);
}

} // namespace

std::string RenderQueryStatus(const std::string& queryStatus)
{
    const long long value = LeadingNumber(queryStatus);
    if (value == 1)
        return "正确";
    if (value > 1)
        return "重复查询" + std::to_string(value - 1) + "次";
    if (value < 0)
        return "查询码值错误";
    return queryStatus;
}

QueryResultClass ClassifyQueryStatus(const std::string& queryStatus)
{
    const long long value = LeadingNumber(queryStatus);
    if (value == 1)
        return QueryResultClass::Correct;
    if (value > 1)
        return QueryResultClass::Repeated;
    if (value < 0)
        return QueryResultClass::Wrong;
    return QueryResultClass::Other;
}

std::string QueryStatusText(const std::string& queryStatus)
{
    switch (ClassifyQueryStatus(queryStatus)) {
    case QueryResultClass::Correct:
        return "正确";
    case QueryResultClass::Repeated:
        return "重复查询";
    case QueryResultClass::Wrong:
        return "查询码值错误";
    case QueryResultClass::Other:
        break;
    }
    return queryStatus;
}
