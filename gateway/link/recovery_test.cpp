// A modem that goes away or hangs: the port is opened again under its name, the modem
// initialised anew and the queue carried on; every message still gets one result.
#include "engine_fixture.h"

#include <string>
#include <vector>

#include "test_pdus.h"

namespace {

using Recovery = EngineFixture;

TEST_F(Recovery, VanishedPortIsReopenedUnderItsNameAndTheQueueGoesOn)
{
    ConnectReady();
    modem->On("AT+CMGS").Silence();
    engine.SendSms("13812345678", "in flight", 1);
    Ticks(3);
    ASSERT_EQ(modem->CountOf("AT+CMGS"), 1);

    modem->Unplug();
    Ticks(1);
    // The message that never got its prompt is reported at once, then the loss.
    EXPECT_EQ(events.log, (std::vector<std::string>{"SendSmsResult -1 1", "ConnectStatus 0"}));
    EXPECT_EQ(engine.IsConnected(), 0);
    EXPECT_EQ(engine.IsConnecting(), 1);
    EXPECT_TRUE(engine.IsRecovering());
    EXPECT_FALSE(modem->IsOpen());

    modem->ClearRules();
    engine.SendSms("13812345678", "queued while away", 2);
    const int opensBefore = modem->OpenCount();
    Ticks(50);
    EXPECT_EQ(modem->OpenCount() - opensBefore, 5); // one try a second
    EXPECT_EQ(engine.GetTaskCount(), 1);

    modem->Replug();
    ASSERT_TRUE(RunUntil([&] { return events.sendResults.size() == 2; }, 10000));
    EXPECT_EQ(events.log, (std::vector<std::string>{"SendSmsResult -1 1", "ConnectStatus 0", "ConnectStatus 1",
                                                    "SendSmsResult 1 2"}));
    EXPECT_EQ(modem->OpenedName(), kPortName);
    EXPECT_FALSE(engine.IsRecovering());
    EXPECT_EQ(engine.GetConnectComName(), kPortName);
}

TEST_F(Recovery, ReadCutByTheLossIsRaisedOnceWhateverItsStep)
{
    struct Case {
        const char* name;
        const char* lastCommand; // written just before the port goes
        bool answered;           // the modem carried it out (its answer is lost)
    };
    for (const Case c : {Case{"before the reply", "AT+CMGR", false}, Case{"after the delete", "AT+CMGD", true}}) {
        SCOPED_TRACE(c.name);
        modem->ClearRules();
        ConnectReady();
        if (!c.answered)
            modem->On(c.lastCommand).Silence().Times(1);
        modem->Deliver(test_pdus::Deliver("13812345678", "cut"));
        ASSERT_TRUE(RunUntil([&] { return modem->CountOf(c.lastCommand) == 1; }));
        modem->Unplug();
        Ticks(1);
        modem->Replug();
        ASSERT_TRUE(RunUntil([&] { return events.connectStatus.size() == 2; }));
        ASSERT_TRUE(RunUntilIdle());
        ASSERT_EQ(events.received.size(), 1u); // by the cut read, or by the listing after
        EXPECT_EQ(events.received[0].text, "cut");
        EXPECT_EQ(modem->StoredCount(), 0u);
    }
}

TEST_F(Recovery, ModemStillStartingAfterTheReopenIsTriedAgainQuietly)
{
    ConnectReady();
    modem->Unplug();
    Ticks(1);
    modem->Replug();
    modem->On("ATE").Silence().Times(20); // one whole initialisation goes unanswered
    ASSERT_TRUE(RunUntil([&] { return events.connectStatus.size() == 2; }, 30000));
    EXPECT_EQ(events.connectStatus, (std::vector<std::int32_t>{0, 1}));
    EXPECT_EQ(engine.IsConnected(), 1);
}

TEST_F(Recovery, HostsOwnConnectOrDisconnectEndsTheRecovery)
{
    ConnectReady();
    modem->Unplug();
    Ticks(1);
    ASSERT_TRUE(engine.IsRecovering());
    EXPECT_EQ(engine.Disconnect(), 1);
    EXPECT_FALSE(engine.IsRecovering());
    const int opens = modem->OpenCount();
    Ticks(100);
    EXPECT_EQ(modem->OpenCount(), opens);

    modem->Replug();
    events.Clear();
    ConnectReady();
    modem->Unplug();
    Ticks(1);
    modem->Replug();
    Connect(); // taken, not refused as a connect under way would be
    ASSERT_TRUE(RunUntil([&] { return events.connectStatus.size() == 2; }));
    EXPECT_EQ(events.connectStatus, (std::vector<std::int32_t>{0, 1}));
}

TEST_F(Recovery, HungModemIsResetAfterTheConfiguredRunOfTimeOuts)
{
    struct Case {
        const char* name;
        int resetAfter;
        bool answerSecond; // one read in the middle is answered
        bool reset;
    };
    const Case cases[] = {
        {"off by default", 0, false, false},
        {"three in a row", 3, false, true},
        {"an answer breaks the run", 3, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        modem->ClearRules();
        ConnectReady();
        engine.SetResetAfterTimeouts(c.resetAfter);
        modem->On("AT+CMGR").Silence();
        if (c.answerSecond)
            modem->On("AT+CMGR=2").Error();
        const int opens = modem->OpenCount();
        for (int i = 1; i <= 3; ++i)
            modem->Push("\r\n+CMTI: \"SM\"," + std::to_string(i) + "\r\n", (i - 1) * 2);
        Ticks(3 * 62 + 5); // three reads of 60 ticks' silence each
        EXPECT_EQ(engine.IsRecovering(), c.reset);
        modem->ClearRules();
        if (c.reset) {
            ASSERT_TRUE(RunUntil([&] { return events.connectStatus.size() == 2; }));
        }
        ASSERT_TRUE(RunUntilIdle());
        EXPECT_EQ(modem->OpenCount() - opens, c.reset ? 1 : 0);
        EXPECT_EQ(engine.IsConnected(), 1);
        const std::vector<std::int32_t> expected =
            c.reset ? std::vector<std::int32_t>{0, 1} : std::vector<std::int32_t>{};
        EXPECT_EQ(events.connectStatus, expected);
    }
}

} // namespace
