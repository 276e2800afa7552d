// The modem session: connect, the initialisation sequence, timers, disconnect, the single
// command task and the non-re-entrant tick.
#include "engine_fixture.h"

#include <algorithm>
#include <vector>

#include "init_task.h"

namespace {

using Session = EngineFixture;

TEST_F(Session, InitialisationRunsTheFourCommandsThenListsStoredMessages)
{
    Connect();
    EXPECT_EQ(engine.IsConnecting(), 1);
    EXPECT_TRUE(timers.IsRunning(CModemEngine::kConnectTimer));
    EXPECT_FALSE(timers.IsRunning(CModemEngine::kEngineTimer));

    Ticks(5); // the connect timer fires once, 500 ms on
    EXPECT_FALSE(timers.IsRunning(CModemEngine::kConnectTimer));
    EXPECT_EQ(timers.IntervalOf(CModemEngine::kEngineTimer), 100);
    EXPECT_EQ(engine.GetTaskCount(), 1);

    ASSERT_TRUE(RunUntil([&] { return !events.connectStatus.empty(); }));
    EXPECT_EQ(events.log, (std::vector<std::string>{"ConnectStatus 1"}));
    EXPECT_EQ(engine.IsConnected(), 1);
    EXPECT_EQ(engine.IsConnecting(), 0);
    EXPECT_EQ(engine.IsFreeStatus(), 1);
    EXPECT_EQ(engine.GetConnectComName(), kPortName);
    ASSERT_TRUE(RunUntilIdle());

    std::vector<std::string> commands;
    for (const auto& command : modem->Commands())
        commands.push_back(command.text);
    EXPECT_EQ(commands, (std::vector<std::string>{"ATE", "AT+CPIN?", "AT+CMGF=0", "AT+CSMS=1", "AT+CNMI=1,1,0,2,1",
                                                  "AT+CMGL=0", "AT+CMGL=1"}));
    EXPECT_EQ(modem->OpenedName(), kPortName);
    EXPECT_EQ(modem->OpenedBaud(), 19200);
}

TEST_F(Session, EchoCommandIsRepeatedEveryTickUntilTheModemAnswers)
{
    modem->SetEcho(true);
    modem->On("ATE").Silence().Times(2);
    Connect();
    ASSERT_TRUE(RunUntil([&] { return !events.connectStatus.empty(); }));
    EXPECT_EQ(events.connectStatus, std::vector<std::int32_t>{1});
    const auto echoes = modem->TimesOf("ATE");
    ASSERT_EQ(echoes.size(), 3u);
    EXPECT_EQ(echoes[1] - echoes[0], 100);
    EXPECT_EQ(echoes[2] - echoes[1], 100);
    EXPECT_EQ(modem->CountOf("AT+CSMS=1"), 1);
}

TEST_F(Session, SilentModemFailsThirtyOneTicksAfterTheInitialisationStarts)
{
    modem->On("AT").Silence();
    Connect();
    ASSERT_TRUE(RunUntil([&] { return !events.connectStatus.empty(); }));
    const auto echoes = modem->TimesOf("ATE");
    ASSERT_FALSE(echoes.empty());
    EXPECT_EQ(Now() - echoes.front(), 31 * kTickMs);
    EXPECT_EQ(echoes.size(), 20u); // written at ticks 0 to 19
    EXPECT_EQ(events.connectStatus, std::vector<std::int32_t>{0});
    EXPECT_FALSE(modem->IsOpen());
    EXPECT_EQ(engine.IsConnected(), 0);
    EXPECT_EQ(engine.IsConnecting(), 0);
    EXPECT_TRUE(RunUntilIdle(1000));
}

TEST_F(Session, ErrorToAnyOfTheFirstThreeCommandsFailsTheConnection)
{
    for (const char* command : {"ATE", "AT+CMGF=0", "AT+CSMS=1"}) {
        for (const char* answer : {"\r\nERROR\r\n", "\r\n+CMS ERROR: 500\r\n"}) {
            SCOPED_TRACE(std::string(command) + " answered " + answer);
            modem->ClearRules();
            modem->ClearLog();
            events.Clear();
            modem->On(command).Reply(answer);
            Connect();
            ASSERT_TRUE(RunUntil([&] { return !events.connectStatus.empty(); }, 10000));
            EXPECT_EQ(events.connectStatus, std::vector<std::int32_t>{0});
            EXPECT_FALSE(modem->IsOpen());
            EXPECT_EQ(modem->CountOf("AT+CNMI"), 0);
        }
    }
}

TEST_F(Session, SimThatIsNotReadyFailsTheConnectionAndSaysWhy)
{
    struct Case {
        const char* name;
        std::vector<std::string> answers; // to AT+CPIN?, one per ask; the last repeats
        std::int32_t status;
        std::int32_t sim;
        int asks;
    };
    const std::string ok = "\r\nOK\r\n";
    const Case cases[] = {
        {"ready", {"\r\n+CPIN: READY\r\n" + ok}, 1, CInitTask::kSimReady, 1},
        {"pin", {"\r\n+CPIN: SIM PIN\r\n" + ok}, 0, CInitTask::kSimPinRequired, 1},
        {"puk", {"\r\n+CPIN: SIM PUK\r\n" + ok}, 0, CInitTask::kSimPukRequired, 1},
        {"no sim", {"\r\n+CME ERROR: 10\r\n"}, 0, CInitTask::kSimNotInserted, 1},
        {"question unknown", {"\r\nERROR\r\n"}, 1, CInitTask::kSimUnknown, 1},
        {"starting, then ready",
         {"\r\n+CPIN: NOT READY\r\n" + ok, "\r\n+CME ERROR: 14\r\n", "\r\n+CPIN: READY\r\n" + ok},
         1,
         CInitTask::kSimReady,
         3},
        {"never ready", {"\r\n+CPIN: NOT READY\r\n" + ok}, 0, CInitTask::kSimNotReady, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        modem->ClearRules();
        modem->ClearLog();
        events.Clear();
        std::size_t asked = 0;
        modem->On("AT+CPIN?").Answer([&](const std::string&) {
            return c.answers[std::min(asked++, c.answers.size() - 1)];
        });
        Connect();
        ASSERT_TRUE(RunUntil([&] { return !events.connectStatus.empty(); }, 20000));
        EXPECT_EQ(events.connectStatus, std::vector<std::int32_t>{c.status});
        EXPECT_EQ(engine.SimStatus(), c.sim);
        EXPECT_EQ(modem->CountOf("AT+CPIN?"), c.asks);
        // No waiting out the step's limit: the answer decides.
        const auto pins = modem->TimesOf("AT+CPIN?");
        EXPECT_LE(Now() - pins.back(), 5 * kTickMs);
        EXPECT_EQ(modem->CountOf("AT+CMGF"), c.status);
    }
}

TEST_F(Session, EachLaterStepHasThirtyTicksFromThePreviousReply)
{
    struct Case {
        int delayTicks;
        int status;
    };
    for (const Case c : {Case{30, 1}, Case{31, 0}}) {
        SCOPED_TRACE(c.delayTicks);
        modem->ClearRules();
        events.Clear();
        modem->On("AT+CSMS").Reply("\r\nOK\r\n").After(c.delayTicks);
        Connect();
        ASSERT_TRUE(RunUntil([&] { return !events.connectStatus.empty(); }, 10000));
        EXPECT_EQ(events.connectStatus, std::vector<std::int32_t>{c.status});
    }
}

TEST_F(Session, ConnectRefusalsAndPortFailure)
{
    EXPECT_EQ(engine.Connect(kPortName, 9600, 0), 0); // modem type 0 runs at 19200 only
    EXPECT_EQ(modem->OpenCount(), 0);
    EXPECT_FALSE(timers.IsRunning(CModemEngine::kConnectTimer));

    modem->FailOpen(true);
    EXPECT_EQ(engine.Connect(kPortName, 19200, 0), -1);
    EXPECT_EQ(engine.IsConnecting(), 0);
    EXPECT_EQ(engine.GetConnectComName(), "");
    Ticks(20);
    EXPECT_TRUE(events.log.empty());

    modem->FailOpen(false);
    EXPECT_EQ(engine.SetModemType(1), 0);
    EXPECT_EQ(engine.Connect(kPortName, 9600, 7), 1);
    EXPECT_EQ(modem->OpenedModemType(), 1);
    EXPECT_EQ(modem->OpenedBaud(), 9600);
    // A second connect before the initialisation has ended is refused.
    EXPECT_EQ(engine.Connect(kPortName, 9600, 7), 0);
    Ticks(8);
    EXPECT_EQ(engine.IsConnecting(), 1);
    EXPECT_EQ(engine.Connect(kPortName, 9600, 7), 0);

    engine.SetModemType(-1);
    EXPECT_EQ(engine.ModemType(), -1);
}

TEST_F(Session, MessagesQueuedBeforeConnectAreDroppedWithAFailureResultEach)
{
    EXPECT_EQ(engine.SendSms("13812345678", "hello", 1), 1);
    EXPECT_EQ(engine.SendSmsEx("13812345678", "hello", 2, true), 1);
    engine.SetSmsServerNumber("+8613800100500");
    EXPECT_EQ(engine.GetTaskCount(), 3);
    Ticks(50); // nothing starts while idle
    EXPECT_TRUE(modem->Written().empty());

    Connect();
    Ticks(5); // the connect timer drops them, before the modem is even asked
    EXPECT_EQ(events.log, (std::vector<std::string>{"SendSmsResult 0 1", "SendSmsResult 0 2"}));
    EXPECT_EQ(events.sendResults[0].number, "13812345678");
    EXPECT_EQ(events.sendResults[0].text, "hello");
    ASSERT_TRUE(RunUntil([&] { return !events.connectStatus.empty(); }));
    RunUntilIdle();
    Ticks(50);
    EXPECT_EQ(events.sendResults.size(), 2u);
    EXPECT_EQ(modem->CountOf("AT+CMGS"), 0);
    EXPECT_EQ(modem->CountOf("AT+CSCA"), 0);
}

TEST_F(Session, MessageRunningWhenTheHostReconnectsGetsItsResultThere)
{
    struct Case {
        const char* name;
        bool modemAnswers; // false: still waiting for the prompt; true: held for its pause
        const char* result;
    };
    for (const Case c : {Case{"waiting", false, "SendSmsResult 0 4"}, Case{"answered", true, "SendSmsResult 1 4"}}) {
        SCOPED_TRACE(c.name);
        ConnectReady();
        if (!c.modemAnswers)
            modem->On("AT+CMGS").Silence();
        engine.SendSms("13812345678", "in flight", 4);
        Ticks(5);
        ASSERT_EQ(modem->CountOf("AT+CMGS"), 1);
        // A handler that queues again from inside the result sees its message sent.
        events.onEvent = [&] {
            if (events.sendResults.size() == 1)
                engine.SendSms("13812345678", "again", 5);
        };
        modem->ClearRules();
        Connect();
        ASSERT_TRUE(RunUntil([&] { return events.sendResults.size() == 2; }));
        EXPECT_EQ(events.log, (std::vector<std::string>{c.result, "ConnectStatus 1", "SendSmsResult 1 5"}));
        events.onEvent = nullptr;
        RunUntilIdle();
    }
}

TEST_F(Session, ServiceCentreCommandRunsAfterTheTasksAheadOfIt)
{
    ConnectReady();
    engine.SendSms("13812345678", "first", 1);
    engine.SetSmsServerNumber("+8613800100500");
    EXPECT_EQ(engine.SmsServerNumber(), "+8613800100500");
    ASSERT_TRUE(RunUntilIdle());
    std::vector<std::string> commands;
    for (const auto& command : modem->Commands())
        commands.push_back(command.text);
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[0], "AT+CMGS=20");
    EXPECT_EQ(commands[2], "AT+CSCA=\"+8613800100500\",145");
    EXPECT_EQ(events.log, (std::vector<std::string>{"SendSmsResult 1 1"}));

    // An error answer ends it too, still without an event.
    modem->On("AT+CSCA").Error();
    engine.SetSmsServerNumber("123");
    ASSERT_TRUE(RunUntilIdle(2000));
    EXPECT_EQ(events.log.size(), 1u);
}

TEST_F(Session, DisconnectClosesThePortAndAReconnectInitialisesAgain)
{
    ConnectReady();
    EXPECT_EQ(engine.Disconnect(), 1);
    EXPECT_FALSE(modem->IsOpen());
    EXPECT_EQ(engine.GetConnectComName(), "");
    EXPECT_EQ(engine.IsConnected(), 0);
    EXPECT_EQ(engine.IsFreeStatus(), 0);
    // The engine timer keeps running; nothing starts while idle.
    EXPECT_TRUE(timers.IsRunning(CModemEngine::kEngineTimer));
    engine.SendSms("13812345678", "queued while idle", 1);
    Ticks(30);
    EXPECT_EQ(modem->CountOf("AT+CMGS"), 0);

    ConnectReady();
    EXPECT_EQ(modem->OpenCount(), 2);
    // A connect while connected reopens and initialises again.
    Connect();
    EXPECT_EQ(engine.IsConnected(), 0);
    ASSERT_TRUE(RunUntil([&] { return !events.connectStatus.empty(); }));
    EXPECT_EQ(events.connectStatus, std::vector<std::int32_t>{1});
    EXPECT_EQ(modem->OpenCount(), 3);
}

TEST_F(Session, ScanTimerListsEveryThreeMinutesWhileConnected)
{
    EXPECT_EQ(timers.IntervalOf(CModemEngine::kScanTimer), 180100);
    timers.Advance(180100); // not connected: nothing queued
    EXPECT_EQ(engine.GetTaskCount(), 0);

    ConnectReady();
    modem->On("AT+CMGL").Silence();
    const std::int64_t start = Now();
    RunUntil([&] { return engine.GetTaskCount() == 1; }, 200000);
    // Fired at a multiple of 180100 ms from the start, whatever the engine did meanwhile.
    EXPECT_EQ(Now() % 180100, 0);
    EXPECT_LE(Now() - start, 180100);
    engine.ScanTimer(); // queued even when a list task is already waiting
    EXPECT_EQ(engine.GetTaskCount(), 2);
}

TEST_F(Session, SetRecvFlagQueuesOneListTaskWhileConnected)
{
    EXPECT_EQ(engine.SetRecvFlag(0), 0);
    EXPECT_EQ(engine.GetTaskCount(), 0); // not connected
    EXPECT_EQ(engine.RecvFlag(), 0);

    ConnectReady();
    modem->On("AT+CMGL").Silence();
    EXPECT_EQ(engine.SetRecvFlag(0), 0); // FALSE still lists
    EXPECT_EQ(engine.GetTaskCount(), 1);
    engine.SetRecvFlag(1); // one is queued already
    EXPECT_EQ(engine.GetTaskCount(), 1);

    EXPECT_EQ(engine.SendFlag(), 1);
    engine.SetSendFlag(5);
    EXPECT_EQ(engine.SendFlag(), 5);
}

TEST_F(Session, TickEnteredFromAnEventHandlerDoesNothing)
{
    int innerWrites = -1;
    events.onEvent = [&] {
        const std::size_t before = modem->Written().size();
        const int taskCount = engine.GetTaskCount();
        for (int i = 0; i < 5; ++i)
            engine.OnTimer(CModemEngine::kEngineTimer); // a handler that pumps its loop
        innerWrites = static_cast<int>(modem->Written().size() - before);
        EXPECT_EQ(engine.GetTaskCount(), taskCount);
    };
    Connect();
    ASSERT_TRUE(RunUntil([&] { return !events.connectStatus.empty(); }));
    EXPECT_EQ(innerWrites, 0);
    EXPECT_TRUE(RunUntilIdle());
}

TEST_F(Session, HandlerMayReconnectOrLetTheConnectTimerFireInsideAnEvent)
{
    // A host that retries from inside ConnectStatus 0, and whose loop then runs the
    // connect timer before the handler returns: the failing task is gone by then.
    modem->On("ATE").Silence().Times(20);
    events.onEvent = [&] {
        if (events.connectStatus.size() == 1 && events.connectStatus[0] == 0) {
            EXPECT_EQ(engine.Connect(kPortName, 19200, 0), 1);
            engine.OnTimer(CModemEngine::kConnectTimer);
        }
    };
    Connect();
    ASSERT_TRUE(RunUntil([&] { return events.connectStatus.size() == 2; }));
    EXPECT_EQ(events.connectStatus, (std::vector<std::int32_t>{0, 1}));

    // The same from inside a send result.
    events.onEvent = [&] {
        if (events.sendResults.size() == 1 && events.log.back().rfind("SendSmsResult", 0) == 0) {
            engine.SendSms("13812345678", "from the handler", 9);
            engine.Connect(kPortName, 19200, 0);
            engine.OnTimer(CModemEngine::kConnectTimer);
        }
    };
    RunUntilIdle();
    engine.SendSms("13812345678", "x", 1);
    ASSERT_TRUE(RunUntil([&] { return events.connectStatus.size() == 3; }));
    // The message queued in the handler fails at that connect; the one whose result was
    // being raised is not reported twice.
    ASSERT_EQ(events.sendResults.size(), 2u);
    EXPECT_EQ(events.sendResults[0].index, 1);
    EXPECT_EQ(events.sendResults[0].result, 1);
    EXPECT_EQ(events.sendResults[1].index, 9);
    EXPECT_EQ(events.sendResults[1].result, 0);
    EXPECT_EQ(events.connectStatus.back(), 1);
}

TEST_F(Session, StopClosesThePortAndDropsTheQueue)
{
    ConnectReady();
    engine.SendSms("13812345678", "x", 1);
    Ticks(2);
    engine.Stop();
    EXPECT_FALSE(modem->IsOpen());
    EXPECT_EQ(engine.GetTaskCount(), 0);
    EXPECT_FALSE(timers.IsRunning(CModemEngine::kEngineTimer));
    EXPECT_FALSE(timers.IsRunning(CModemEngine::kScanTimer));
    Ticks(1000);
    EXPECT_TRUE(events.log.empty());
}

} // namespace
