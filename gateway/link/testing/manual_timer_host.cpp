#include "manual_timer_host.h"

void ManualTimerHost::Start(int id, int intervalMs)
{
    Timer timer;
    timer.intervalMs = intervalMs > 0 ? intervalMs : 1;
    timer.dueMs = m_nowMs + timer.intervalMs;
    timer.order = m_nextOrder++;
    m_timers[id] = timer;
}

void ManualTimerHost::Stop(int id)
{
    m_timers.erase(id);
}

int ManualTimerHost::IntervalOf(int id) const
{
    const auto it = m_timers.find(id);
    return it == m_timers.end() ? 0 : it->second.intervalMs;
}

int ManualTimerHost::FireCount(int id) const
{
    const auto it = m_fireCounts.find(id);
    return it == m_fireCounts.end() ? 0 : it->second;
}

void ManualTimerHost::Advance(std::int64_t ms)
{
    AdvanceTo(m_nowMs + ms);
}

void ManualTimerHost::AdvanceTo(std::int64_t ms)
{
    for (;;) {
        int nextId = 0;
        const Timer* next = nullptr;
        for (const auto& [id, timer] : m_timers) {
            if (timer.dueMs > ms)
                continue;
            if (next == nullptr || timer.dueMs < next->dueMs ||
                (timer.dueMs == next->dueMs && timer.order < next->order)) {
                next = &timer;
                nextId = id;
            }
        }
        if (next == nullptr)
            break;
        m_nowMs = next->dueMs;
        Timer& due = m_timers[nextId];
        due.dueMs += due.intervalMs;
        due.order = m_nextOrder++;
        ++m_fireCounts[nextId];
        // The callback may stop or restart any timer, this one included.
        if (m_client != nullptr)
            m_client->OnTimer(nextId);
    }
    if (ms > m_nowMs)
        m_nowMs = ms;
}

void ManualTimerHost::RunTicks(int n, int tickMs)
{
    for (int i = 0; i < n; ++i)
        Advance(tickMs);
}

bool ManualTimerHost::RunUntil(const std::function<bool()>& done, std::int64_t limitMs, int tickMs)
{
    const std::int64_t end = m_nowMs + limitMs;
    while (!done()) {
        if (m_nowMs >= end)
            return false;
        Advance(tickMs);
    }
    return true;
}
