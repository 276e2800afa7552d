#include "one_line.h"

#include <sstream>

std::string OneLine(const std::string& text)
{
    // "Description: ...\r\n\r\nState: ..., Native: ..., Source: ...\r\n" per error becomes
    // "... (State: ..., Native: ..., Source: ...)", errors separated by "; ".
    std::istringstream lines(text);
    std::string line;
    std::string result;
    bool inDescription = false;
    while (std::getline(lines, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        const auto start = line.find_first_not_of(" \t");
        if (start == std::string::npos)
            continue;
        line.erase(0, start);
        if (line.rfind("Description: ", 0) == 0) {
            if (!result.empty())
                result += "; ";
            result += line.substr(13);
            inDescription = true;
        } else if (line.rfind("State: ", 0) == 0 && inDescription) {
            result += " (" + line + ")";
            inDescription = false;
        } else {
            if (!result.empty())
                result += ' ';
            result += line;
        }
    }
    return result;
}
