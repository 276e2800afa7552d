#include "message_record.h"

#include "gbk_text.h"

#include <algorithm>
#include <cstring>

namespace {

void StoreZeroTerminated(char* field, std::size_t fieldSize, std::string_view value)
{
    std::memset(field, 0, fieldSize);
    // An empty view may carry no pointer at all; memcpy must not see it.
    if (!value.empty()) {
        std::memcpy(field, value.data(), std::min(value.size(), fieldSize - 1));
    }
}

std::string ReadZeroTerminated(const char* field, std::size_t fieldSize)
{
    // The field may have been filled by hand; never run past its end.
    return std::string(field, strnlen(field, fieldSize));
}

} // namespace

void MessageRecord::SetNumber(std::string_view value)
{
    StoreZeroTerminated(number, kNumberSize, value.substr(0, kMaxNumberDigits));
}

void MessageRecord::SetText(std::string_view gbk)
{
    StoreZeroTerminated(text, kTextSize, CutGbk(gbk, kTextSize - 1));
}

std::string MessageRecord::Number() const
{
    return ReadZeroTerminated(number, kNumberSize);
}

std::string MessageRecord::Text() const
{
    return ReadZeroTerminated(text, kTextSize);
}
