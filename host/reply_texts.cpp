#include "reply_texts.h"

#include "query_outcome.h"

#include <string_view>

std::string FillReply(const std::string& pattern, const ReplyValues& values)
{
    const std::pair<std::string_view, std::string> fills[] = {
        {"{product}", values.product},
        {"{count}", std::to_string(values.count)},
        {"{first}", values.firstTime},
        {"{code}", values.code},
    };
    std::string out;
    std::size_t i = 0;
    while (i < pattern.size()) {
        bool filled = false;
        if (pattern[i] == '{') {
            for (const auto& [name, value] : fills) {
                if (std::string_view(pattern).substr(i, name.size()) == name) {
                    out += value;
                    i += name.size();
                    filled = true;
                    break;
                }
            }
        }
        if (!filled)
            out.push_back(pattern[i++]);
    }
    return out;
}

const std::string& ReplyFor(const ReplyTexts& texts, int queryStatus)
{
    if (queryStatus == 1)
        return texts.genuine;
    if (queryStatus > 1)
        return texts.repeated;
    if (queryStatus == kNotEnabled)
        return texts.notEnabled;
    return texts.wrong;
}
