#include "timerfd_timer_host.h"

#include <algorithm>
#include <ctime>
#include <sys/timerfd.h>
#include <unistd.h>
#include <vector>

TimerfdTimerHost::TimerfdTimerHost()
{
    m_fd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
}

TimerfdTimerHost::~TimerfdTimerHost()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::int64_t TimerfdTimerHost::NowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

void TimerfdTimerHost::Start(int id, int intervalMs)
{
    intervalMs = std::max(intervalMs, 1);
    m_timers[id] = Timer{intervalMs, NowMs() + intervalMs};
    Rearm();
}

void TimerfdTimerHost::Stop(int id)
{
    if (m_timers.erase(id) != 0)
        Rearm();
}

std::int32_t TimerfdTimerHost::NextTimeoutMs() const
{
    if (m_timers.empty())
        return -1;
    std::int64_t due = m_timers.begin()->second.dueMs;
    for (const auto& [id, t] : m_timers)
        due = std::min(due, t.dueMs);
    return static_cast<std::int32_t>(std::max<std::int64_t>(0, due - NowMs()));
}

void TimerfdTimerHost::Rearm()
{
    if (m_fd < 0)
        return;
    itimerspec spec{};
    if (!m_timers.empty()) {
        std::int64_t due = m_timers.begin()->second.dueMs;
        for (const auto& [id, t] : m_timers)
            due = std::min(due, t.dueMs);
        // An absolute time in the past fires at once; zero would disarm, so use 1 ns.
        spec.it_value.tv_sec = due / 1000;
        spec.it_value.tv_nsec = (due % 1000) * 1000000;
        if (spec.it_value.tv_sec == 0 && spec.it_value.tv_nsec == 0)
            spec.it_value.tv_nsec = 1;
    }
    timerfd_settime(m_fd, TFD_TIMER_ABSTIME, &spec, nullptr);
}

int TimerfdTimerHost::Dispatch()
{
    std::uint64_t expirations = 0;
    if (m_fd >= 0) {
        [[maybe_unused]] const ssize_t n = ::read(m_fd, &expirations, sizeof expirations);
    }
    const std::int64_t now = NowMs();
    std::vector<std::pair<std::int64_t, int>> due;
    for (const auto& [id, t] : m_timers) {
        if (t.dueMs <= now)
            due.emplace_back(t.dueMs, id);
    }
    std::sort(due.begin(), due.end());
    int fired = 0;
    for (const auto& [dueMs, id] : due) {
        // A callback may have stopped or restarted this timer meanwhile.
        const auto it = m_timers.find(id);
        if (it == m_timers.end() || it->second.dueMs != dueMs)
            continue;
        it->second.dueMs = now + it->second.intervalMs;
        ++fired;
        if (m_client)
            m_client->OnTimer(id);
    }
    Rearm();
    return fired;
}
