#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>

// Answers per sender within the last hour and the last day, so a number that pumps
// queries stops costing SMS. Counts only what this process answered.
class RateLimiter final {
public:
    RateLimiter(int perHour, int perDay) : m_perHour(perHour), m_perDay(perDay) {}

    // True when an answer to this sender at time now (seconds) stays within both limits;
    // the answer is then counted. A limit of 0 or less means no limit.
    bool TryAnswer(const std::string& sender, std::int64_t now);

private:
    int m_perHour;
    int m_perDay;
    std::map<std::string, std::deque<std::int64_t>> m_answers;
    std::int64_t m_lastSweep = 0;
};
