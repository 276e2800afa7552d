#pragma once

#include "timer_host.h"

#include <cstdint>
#include <map>

// The control's timers: one timerfd, armed for the earliest running timer, which the host
// polls. Dispatch runs every due timer on the caller's thread; nothing runs anywhere else.
// A late timer fires once and then keeps its period from the moment it fired, without
// catching up, so a host that was busy gets one tick rather than a burst.
class TimerfdTimerHost final : public TimerHost {
public:
    TimerfdTimerHost();
    ~TimerfdTimerHost() override;
    TimerfdTimerHost(const TimerfdTimerHost&) = delete;
    TimerfdTimerHost& operator=(const TimerfdTimerHost&) = delete;

    bool IsValid() const { return m_fd >= 0; }
    int Fd() const { return m_fd; }

    void SetClient(Client* client) override { m_client = client; }
    void Start(int id, int intervalMs) override;
    void Stop(int id) override;

    // Milliseconds until the next timer is due: 0 when one is due, -1 when none runs.
    std::int32_t NextTimeoutMs() const;
    // Fires every timer due now, earliest first; returns how many fired.
    int Dispatch();

    static std::int64_t NowMs();

private:
    struct Timer {
        int intervalMs;
        std::int64_t dueMs;
    };
    void Rearm();

    int m_fd = -1;
    Client* m_client = nullptr;
    std::map<int, Timer> m_timers;
};
