// The test harness itself: the manual timers and the scripted modem other tests rely on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_modem.h"
#include "manual_clock.h"
#include "manual_timer_host.h"

namespace {

class Recorder final : public TimerHost::Client {
public:
    void OnTimer(int id) override { fired.push_back(id); }
    std::vector<int> fired;
};

TEST(ManualTimerHost, FiresDueTimersInTimeOrderAndHonoursStopsFromCallbacks)
{
    ManualTimerHost timers;
    Recorder recorder;
    timers.SetClient(&recorder);
    timers.Start(1, 100);
    timers.Start(2, 250);
    timers.Advance(500);
    EXPECT_EQ(recorder.fired, (std::vector<int>{1, 1, 2, 1, 1, 2, 1}));
    EXPECT_EQ(timers.NowMs(), 500);
    timers.Stop(2);
    timers.Start(1, 100); // restarting moves the next firing
    timers.Advance(50);
    EXPECT_EQ(recorder.fired.size(), 7u);
    EXPECT_EQ(timers.FireCount(1), 5);
}

TEST(ManualClock, FollowsVirtualTime)
{
    ManualTimerHost timers;
    ManualClock clock(ManualClock::Make(2026, 12, 31, 23, 59, 59), [&] { return timers.NowMs(); });
    timers.Advance(1500);
    const LinkTime now = clock.LocalNow();
    EXPECT_EQ(now.year, 2027);
    EXPECT_EQ(now.month, 1);
    EXPECT_EQ(now.day, 1);
    EXPECT_EQ(now.second, 0);
    EXPECT_EQ(now.milliseconds, 500);
}

class FakeModemTest : public ::testing::Test {
protected:
    FakeModemTest() { modem.Open("/dev/x", 19200, 0); }

    void Send(const std::string& text) { modem.Write(text.data(), text.size()); }
    std::string ReadNow()
    {
        char buffer[BytePort::kReadChunk];
        const int n = modem.Read(buffer, sizeof buffer);
        return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
    }
    std::string ReadAfterTicks(int ticks)
    {
        timers.Advance(ticks * FakeModem::kTickMs);
        return ReadNow();
    }

    ManualTimerHost timers;
    FakeModem modem{timers};
};

TEST_F(FakeModemTest, RulesAnswerNewestFirstWithDelaysPartsAndCounts)
{
    modem.On("AT+CSMS").Error();
    modem.On("AT+CSMS").Parts({"\r\nO", "K\r\n"}).After(3).Times(1);
    Send("AT+CSMS=1\r\n");
    EXPECT_EQ(ReadAfterTicks(2), "");
    EXPECT_EQ(ReadAfterTicks(1), "\r\nO");
    EXPECT_EQ(ReadAfterTicks(1), "K\r\n");
    Send("AT+CSMS=1\r\n"); // the counted rule is used up
    EXPECT_EQ(ReadAfterTicks(1), "\r\nERROR\r\n");
    modem.On("AT+CMGR").CmsError(321).SplitInto(2);
    Send("AT+CMGR=1\r\n");
    const std::string first = ReadAfterTicks(1);
    EXPECT_EQ(first + ReadAfterTicks(1), "\r\n+CMS ERROR: 321\r\n");
    modem.On("AT").Silence();
    Send("AT+CMGF=0\r\n");
    EXPECT_EQ(ReadAfterTicks(5), "");
}

TEST_F(FakeModemTest, EchoPromptAndDataUnit)
{
    modem.SetEcho(true);
    Send("ATE\r\n");
    EXPECT_EQ(ReadAfterTicks(1), "ATE\r\r\nOK\r\n");
    Send("AT+CMGS=5\r");
    EXPECT_EQ(ReadAfterTicks(1), "\r\n> ");
    Send("0011AABB\x1A\r");
    EXPECT_EQ(ReadAfterTicks(1), "\r\n+CMGS: 1\r\n\r\nOK\r\n");
    EXPECT_EQ(modem.SubmittedPdus(), std::vector<std::string>{"0011AABB"});
    EXPECT_EQ(modem.CountOf(FakeModem::kPdu), 1);
}

TEST_F(FakeModemTest, StoreListsReadsAndDeletes)
{
    const int first = modem.Store("00AA", "SM", 0);
    modem.Store("00BB", "SM", 1);
    modem.Store("00CC", "ME", 0);
    EXPECT_EQ(first, 1);
    Send("AT+CMGL=0\r\n");
    EXPECT_EQ(ReadAfterTicks(1), "\r\n+CMGL: 1,0,,1\r\n00AA\r\n\r\nOK\r\n");
    Send("AT+CMGR=2\r\n");
    EXPECT_EQ(ReadAfterTicks(1), "\r\n+CMGR: 1,,1\r\n00BB\r\n\r\nOK\r\n");
    Send("AT+CMGD=2\r\n");
    ReadAfterTicks(1);
    EXPECT_FALSE(modem.Holds("SM", 2));
    Send("AT+CPMS=\"ME\"\r\n");
    EXPECT_EQ(ReadAfterTicks(1), "\r\n+CPMS: 1,50,1,50,1,50\r\n\r\nOK\r\n");
    EXPECT_EQ(modem.Deliver("00DD", "ME"), 2);
    EXPECT_EQ(ReadNow(), "\r\n+CMTI: \"ME\",2\r\n");
}

TEST_F(FakeModemTest, ClosedAndDeadPorts)
{
    modem.SetDead(true);
    modem.Push("data");
    EXPECT_EQ(ReadAfterTicks(1), "");
    EXPECT_EQ(modem.Write("AT\r", 3), 1);
    modem.SetDead(false);
    modem.Close();
    char buffer[8];
    EXPECT_EQ(modem.Read(buffer, sizeof buffer), -1);
    EXPECT_EQ(modem.Write("AT\r", 3), 0);
    EXPECT_TRUE(modem.Commands().empty());
    modem.FailOpen(true);
    EXPECT_FALSE(modem.Open("/dev/x", 19200, 0));
}

} // namespace
