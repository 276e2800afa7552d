#include "rate_limiter.h"

#include <algorithm>

namespace {
constexpr std::int64_t kHour = 3600;
constexpr std::int64_t kDay = 24 * kHour;
} // namespace

bool RateLimiter::TryAnswer(const std::string& sender, std::int64_t now)
{
    // Now and then forget senders silent for a day, so the map does not grow without end.
    if (now - m_lastSweep > kHour) {
        std::erase_if(m_answers,
                      [now](const auto& entry) { return entry.second.empty() || now - entry.second.back() >= kDay; });
        m_lastSweep = now;
    }
    std::deque<std::int64_t>& times = m_answers[sender];
    while (!times.empty() && now - times.front() >= kDay)
        times.pop_front();
    const auto inLastHour =
        std::count_if(times.begin(), times.end(), [now](std::int64_t t) { return now - t < kHour; });
    if (m_perHour > 0 && inLastHour >= m_perHour)
        return false;
    if (m_perDay > 0 && static_cast<int>(times.size()) >= m_perDay)
        return false;
    times.push_back(now);
    return true;
}
