#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "fake_modem.h"
#include "manual_clock.h"
#include "manual_timer_host.h"
#include "modem_engine.h"
#include "recording_event_sink.h"
#include "serial_port.h"

// An engine on virtual time with a scripted modem behind its port.
class EngineFixture : public ::testing::Test {
protected:
    static constexpr const char* kPortName = "/dev/ttyFAKE0";
    static constexpr int kTickMs = 100;

    EngineFixture();

    // Connect at 19200 and expect 1.
    void Connect();
    // Connect and run until ConnectStatus arrives and the start-up listing has finished.
    void ConnectReady();
    // Runs tick by tick until the queue is empty, no modem output is waiting to be read and
    // no connect is pending (or limitMs pass); true when that was reached.
    bool RunUntilIdle(std::int64_t limitMs = 120000);
    bool RunUntil(const std::function<bool()>& done, std::int64_t limitMs = 120000);
    void Ticks(int n) { timers.RunTicks(n); }
    std::int64_t Now() const { return timers.NowMs(); }

    ManualTimerHost timers;
    ManualClock clock;
    FakeModem* modem; // owned by port
    CSerialPort port;
    RecordingEventSink events;
    CModemEngine engine;

private:
    static std::unique_ptr<BytePort> Keep(std::unique_ptr<FakeModem> fake, FakeModem*& raw);
};
