#pragma once

#include <cstdint>
#include <ctime>

// Local time and time() for the code generator and timestamps, replaceable in tests.
class Clock {
public:
    virtual ~Clock() = default;
    // Seconds since 1970-01-01 00:00:00 UTC, as the standard time() answers.
    virtual std::int64_t Now() const = 0;
    // The broken-down local time of Now().
    virtual std::tm LocalNow() const;
};

class SystemClock final : public Clock {
public:
    std::int64_t Now() const override;
};

// A clock that answers what it was set to; Advance moves it.
class FixedClock final : public Clock {
public:
    explicit FixedClock(std::int64_t now) : m_now(now) {}
    std::int64_t Now() const override { return m_now; }
    void Set(std::int64_t now) { m_now = now; }
    void Advance(std::int64_t seconds) { m_now += seconds; }

private:
    std::int64_t m_now;
};

// The process-wide real clock.
const Clock& TheSystemClock();
