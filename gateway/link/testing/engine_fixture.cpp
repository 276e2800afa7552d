#include "engine_fixture.h"

std::unique_ptr<BytePort> EngineFixture::Keep(std::unique_ptr<FakeModem> fake, FakeModem*& raw)
{
    raw = fake.get();
    return fake;
}

EngineFixture::EngineFixture()
    : clock(ManualClock::DefaultStart(), [this] { return timers.NowMs(); }),
      modem(nullptr),
      port(Keep(std::make_unique<FakeModem>(timers), modem)),
      engine(port, timers, clock, events)
{
    engine.Start();
}

void EngineFixture::Connect()
{
    ASSERT_EQ(engine.Connect(kPortName, 19200, 0), 1);
}

void EngineFixture::ConnectReady()
{
    Connect();
    ASSERT_TRUE(RunUntil([this] { return !events.connectStatus.empty(); }, 10000));
    ASSERT_EQ(events.connectStatus.back(), 1);
    ASSERT_TRUE(RunUntilIdle(10000));
    modem->ClearLog();
    events.Clear();
}

bool EngineFixture::RunUntil(const std::function<bool()>& done, std::int64_t limitMs)
{
    return timers.RunUntil(done, limitMs);
}

bool EngineFixture::RunUntilIdle(std::int64_t limitMs)
{
    return RunUntil(
        [this] {
            return engine.GetTaskCount() == 0 && !modem->HasPending() && !timers.IsRunning(CModemEngine::kConnectTimer);
        },
        limitMs);
}
