#include "timerfd_timer_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <poll.h>
#include <vector>

namespace {

// Records the order of callbacks; may stop or restart timers from inside one.
class Recorder final : public TimerHost::Client {
public:
    explicit Recorder(TimerfdTimerHost& host) : m_host(host) {}
    void OnTimer(int id) override
    {
        fired.push_back(id);
        if (id == stopSelf)
            m_host.Stop(id);
    }
    std::vector<int> fired;
    int stopSelf = -1;

private:
    TimerfdTimerHost& m_host;
};

bool WaitReadable(int fd, int ms)
{
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, ms) == 1;
}

TEST(TimerfdTimerHost, DescriptorTurnsReadableWhenATimerIsDue)
{
    TimerfdTimerHost host;
    Recorder r(host);
    host.SetClient(&r);
    ASSERT_TRUE(host.IsValid());
    EXPECT_EQ(host.NextTimeoutMs(), -1);
    EXPECT_FALSE(WaitReadable(host.Fd(), 0));
    host.Start(1, 30);
    const auto wait = host.NextTimeoutMs();
    EXPECT_GT(wait, 0);
    EXPECT_LE(wait, 30);
    EXPECT_EQ(host.Dispatch(), 0); // nothing due yet
    ASSERT_TRUE(WaitReadable(host.Fd(), 1000));
    EXPECT_EQ(host.Dispatch(), 1);
    EXPECT_EQ(r.fired, std::vector<int>{1});
    EXPECT_FALSE(WaitReadable(host.Fd(), 0)); // dispatch drained it and rearmed
    host.Stop(1);
    EXPECT_EQ(host.NextTimeoutMs(), -1);
}

TEST(TimerfdTimerHost, RepeatsUntilStoppedAndFiresEarliestFirst)
{
    TimerfdTimerHost host;
    Recorder r(host);
    host.SetClient(&r);
    host.Start(2, 40);
    host.Start(3, 10);
    r.stopSelf = 3; // a one-shot, stopped by its client as it fires
    const std::int64_t end = TimerfdTimerHost::NowMs() + 150;
    while (TimerfdTimerHost::NowMs() < end) {
        if (WaitReadable(host.Fd(), 10))
            host.Dispatch();
    }
    ASSERT_GE(r.fired.size(), 3u);
    EXPECT_EQ(r.fired[0], 3);
    EXPECT_EQ(std::count(r.fired.begin(), r.fired.end(), 3), 1);
    EXPECT_GE(std::count(r.fired.begin(), r.fired.end(), 2), 2);
}

TEST(TimerfdTimerHost, RestartPushesTheDueTimeBack)
{
    TimerfdTimerHost host;
    Recorder r(host);
    host.SetClient(&r);
    host.Start(1, 20);
    host.Start(1, 500);
    EXPECT_GT(host.NextTimeoutMs(), 400);
    EXPECT_FALSE(WaitReadable(host.Fd(), 60));
}

} // namespace
