#include "sticker_range.h"

#include <algorithm>
#include <cctype>

bool StickerRange::Parse(const std::string& argument, std::string& error)
{
    const bool digitsOnly =
        std::all_of(argument.begin(), argument.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
    if (!digitsOnly || (argument.size() != 16 && argument.size() != 8)) {
        error = "the argument must be the first ProductID followed by the last (16 digits), "
                "or one ProductID (8 digits), not \"" +
                argument + "\"";
        return false;
    }
    m_first = argument.substr(0, 8);
    m_last = argument.size() == 16 ? argument.substr(8) : m_first;
    m_firstNumber = std::stol(m_first);
    m_lastNumber = std::stol(m_last);
    if (m_firstNumber > m_lastNumber) {
        error = "the first ProductID " + m_first + " lies after the last " + m_last;
        return false;
    }
    return true;
}
