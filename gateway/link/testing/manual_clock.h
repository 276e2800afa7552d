#pragma once

#include <cstdint>
#include <functional>

#include "link_clock.h"

// A local clock for tests: a fixed start time, optionally moving on with a virtual time
// source (for example ManualTimerHost::NowMs).
class ManualClock final : public LinkClock {
public:
    explicit ManualClock(LinkTime start = DefaultStart(), std::function<std::int64_t()> elapsedMs = {});

    LinkTime LocalNow() const override;
    void Set(LinkTime start);
    void FollowTime(std::function<std::int64_t()> elapsedMs);

    // 2026-03-15 08:00:00, a Sunday.
    static LinkTime DefaultStart();
    static LinkTime Make(int year, int month, int day, int hour, int minute, int second);

private:
    LinkTime m_start;
    std::function<std::int64_t()> m_elapsedMs;
};
