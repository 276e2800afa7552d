#pragma once

#include <cstdint>
#include <functional>
#include <map>

#include "timer_host.h"

// Timers on virtual time for tests: nothing fires until the test advances the time, and
// then every timer that falls due fires in time order, synchronously.
class ManualTimerHost final : public TimerHost {
public:
    void SetClient(Client* client) override { m_client = client; }
    void Start(int id, int intervalMs) override;
    void Stop(int id) override;

    std::int64_t NowMs() const { return m_nowMs; }
    bool IsRunning(int id) const { return m_timers.count(id) != 0; }
    // 0 when not running.
    int IntervalOf(int id) const;
    // How often the timer has fired so far.
    int FireCount(int id) const;

    // Moves virtual time forward, firing whatever falls due on the way.
    void Advance(std::int64_t ms);
    void AdvanceTo(std::int64_t ms);
    // Advances in steps of tickMs (the engine tick) n times.
    void RunTicks(int n, int tickMs = 100);
    // Advances tick by tick until done() holds or limitMs have passed; true when it held.
    bool RunUntil(const std::function<bool()>& done, std::int64_t limitMs, int tickMs = 100);

private:
    struct Timer {
        int intervalMs = 0;
        std::int64_t dueMs = 0;
        std::uint64_t order = 0; // breaks ties between timers due at the same moment
    };

    Client* m_client = nullptr;
    std::map<int, Timer> m_timers;
    std::map<int, int> m_fireCounts;
    std::int64_t m_nowMs = 0;
    std::uint64_t m_nextOrder = 0;
};
