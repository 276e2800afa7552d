// A week of virtual time against a modem that misbehaves at random: garbage on the line,
// silence, error answers, late prompts, the port pulled and plugged back. Nothing may
// crash or leak (the sanitizer build runs this too), the queue must drain, and every
// message queued must get exactly one result.
#include "engine_fixture.h"

#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <string>

#include "pdu_codec.h"
#include "test_pdus.h"

namespace {

using Soak = EngineFixture;

// Simulated days; VARNHOLT_SOAK_DAYS changes it for a longer run by hand.
int SoakDays()
{
    const char* days = std::getenv("VARNHOLT_SOAK_DAYS");
    return days != nullptr && std::atoi(days) > 0 ? std::atoi(days) : 7;
}

TEST_F(Soak, AWeekOfRandomFaultsEndsWithEveryMessageAnswered)
{
    std::mt19937 random(20261210);
    auto chance = [&](double p) { return std::uniform_real_distribution<double>(0, 1)(random) < p; };
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };

    std::map<std::int32_t, int> results;      // index -> results seen
    std::map<std::string, int> receivedTexts; // text -> Recvsms seen
    std::int32_t queued = 0;
    events.onEvent = [&] {
        for (const auto& result : events.sendResults)
            ++results[result.index];
        for (const auto& message : events.received)
            ++receivedTexts[message.text];
        events.sendResults.clear();
        events.received.clear();
        events.log.clear();
    };
    engine.SetResetAfterTimeouts(3);
    engine.SetSendRate(2);
    ConnectReady();

    std::set<std::string> delivered;
    int faults = 0;
    int unplugs = 0;
    const int minutes = SoakDays() * 24 * 60;
    for (int minute = 0; minute < minutes; ++minute) {
        // Traffic: a few messages a minute, now and then a long one; a consumer writes in.
        for (int n = pick(0, 2); n > 0; --n) {
            ++queued;
            if (chance(0.1))
                engine.SendLongSms("13812345678", std::string(pick(161, 500), 'x'), queued, chance(0.5));
            else
                engine.SendSms("13812345678", "reply " + std::to_string(queued), queued);
        }
        if (chance(0.2)) {
            const std::string text = "code " + std::to_string(minute);
            delivered.insert(text);
            modem->Deliver(test_pdus::Deliver("13912345678", text));
        }
        if (chance(0.02)) {
            const std::string text = std::string(200, 'L') + std::to_string(minute);
            delivered.insert(text);
            const auto parts = BuildLongSubmitPdus("13912345678", text, false, minute & 0xFF);
            for (auto it = parts.rbegin(); it != parts.rend(); ++it) // out of order
                modem->Deliver(test_pdus::DeliverFromSubmit("13912345678", *it));
        }

        // Faults, at rates a bad USB modem shows in a week, at any moment of the minute.
        const int before = pick(0, 12); // mostly while the minute's messages go out
        Ticks(before);
        if (chance(0.01)) {
            ++faults;
            std::string garbage;
            for (int i = pick(1, 300); i > 0; --i)
                garbage.push_back(static_cast<char>(pick(1, 255)));
            modem->Push(garbage, pick(0, 50));
        }
        if (chance(0.005)) {
            ++faults;
            modem->On("AT+CMGS").Silence().Times(pick(1, 4));
        }
        if (chance(0.01)) {
            ++faults;
            modem->On(FakeModem::kPdu).CmsError(500).Times(1);
        }
        if (chance(0.005)) {
            ++faults;
            modem->On("AT+CMGS").Reply("\r\n> ").After(pick(20, 200)).Times(1);
        }
        if (chance(0.001)) {
            ++faults;
            ++unplugs;
            modem->Unplug();
            Ticks(pick(1, 600));
            modem->Replug();
        }

        Ticks(600 - before);
        // A host reconnects when the engine gave up (five prompts missing in a row).
        if (!engine.IsConnected() && !engine.IsConnecting())
            Connect();
        ASSERT_LT(engine.GetTaskCount(), 400) << "queue stuck at minute " << minute;
        if (minute % 60 == 0)
            modem->ClearLog();
    }

    // Faults off: everything drains and every message has had exactly one result.
    modem->ClearRules();
    ASSERT_TRUE(RunUntil([&] { return engine.IsConnected() == 1; }, 60000));
    ASSERT_TRUE(RunUntilIdle(30 * 60 * 1000));
    Ticks(engine.LongSmsTimeout() * 10 + 20);
    EXPECT_EQ(engine.GetTaskCount(), 0);
    EXPECT_EQ(engine.PendingLongMessages(), 0u);
    EXPECT_EQ(static_cast<std::int32_t>(results.size()), queued);
    for (const auto& [index, count] : results)
        EXPECT_EQ(count, 1) << "message " << index;
    EXPECT_EQ(receivedTexts.size(), delivered.size());
    for (const std::string& text : delivered)
        EXPECT_EQ(receivedTexts[text], 1) << text.substr(0, 20);
    EXPECT_GT(faults, 100);
    EXPECT_GT(unplugs, 0);
    RecordProperty("messages", queued);
    RecordProperty("faults", faults);
}

} // namespace
