// Hostile modems: buffers stay bounded, malformed notifications are handled, and random
// modem output cannot crash a connected engine.
#include "engine_fixture.h"

#include <random>
#include <string>
#include <vector>

#include "engine_fuzz.h"
#include "engine_text.h"

namespace {

using Hostile = EngineFixture;

TEST_F(Hostile, ReceiveBufferKeepsOnlyTheNewestBytesOfAnEndlessLine)
{
    ConnectReady();
    modem->Push("\r\n+CMTI: \"SM\",");
    for (int i = 0; i < 300; ++i) {
        modem->Push(std::string(BytePort::kReadChunk, 'x'));
        Ticks(1);
        ASSERT_LE(engine.Link().ReceiveBuffer().size(), engine_text::kBufferLimit);
    }
    // The notification has long scrolled out; a good one still gets through.
    modem->Push("\r\n+CMTI: \"SM\",1\r\n");
    Ticks(2);
    EXPECT_EQ(engine.GetTaskCount(), 1);
}

TEST_F(Hostile, TaskBufferStaysBoundedWhileTheModemStreamsWithoutAnAnswer)
{
    ConnectReady();
    modem->On(FakeModem::kPdu).Silence();
    engine.SendSms("13812345678", "x", 1);
    RunUntil([&] { return modem->CountOf(FakeModem::kPdu) == 1; });
    for (int i = 0; i < 300; ++i) {
        modem->Push(std::string(BytePort::kReadChunk, '7'));
        Ticks(1);
        ASSERT_NE(engine.Link().Current(), nullptr);
        ASSERT_LE(engine.Link().Current()->Buffer().size(), engine_text::kBufferLimit);
    }
    ASSERT_TRUE(RunUntilIdle());
    ASSERT_EQ(events.sendResults.size(), 1u);
    EXPECT_EQ(events.sendResults[0].result, 0);
}

TEST_F(Hostile, MalformedNotifications)
{
    struct Case {
        const char* name;
        std::string line;
        std::vector<std::string> commands; // what the engine writes for it
    };
    const Case cases[] = {
        {"no comma", "\r\n+CMTI: \"SM\"\r\n", {}},
        {"comma only on a later line", "\r\n+CMTI: \"SM\"\r\n,3\r\n", {}},
        {"huge index saturates", "\r\n+CMTI: \"SM\",99999999999999\r\n", {"AT+CPMS=\"SM\"", "AT+CMGR=2147483647"}},
        {"negative index is never read", "\r\n+CMTI: \"SM\",-3\r\n", {}},
        {"no storage", "\r\n+CMTI: ,5\r\n", {"AT+CPMS=\"\"", "AT+CMGR=5"}},
        {"short report line", "+CDS\r\n\r\n", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ConnectReady();
        modem->ClearRules();
        modem->On("AT+CMGR").Error();
        modem->Push(c.line);
        modem->Push("\r\n", 1);
        ASSERT_TRUE(RunUntilIdle());
        std::vector<std::string> commands;
        for (const auto& command : modem->Commands())
            commands.push_back(command.text);
        EXPECT_EQ(commands, c.commands);
        EXPECT_TRUE(events.log.empty());
    }
}

TEST_F(Hostile, ZeroByteEndsTheChunk)
{
    ConnectReady();
    engine.SendSms("13812345678", "x", 1);
    modem->On("AT+CMGS").Reply(std::string("\r\n\0> ", 5));
    ASSERT_TRUE(RunUntilIdle(100000));
    ASSERT_EQ(events.sendResults.size(), 1u);
    EXPECT_EQ(events.sendResults[0].result, -1); // the prompt after the zero is never seen
}

TEST(EngineFuzz, RandomModemOutputNeverBreaksTheEngine)
{
    std::mt19937 random(20261209);
    for (int round = 0; round < 150; ++round) {
        std::vector<std::uint8_t> script(64 + random() % 1500);
        for (auto& byte : script)
            byte = static_cast<std::uint8_t>(random());
        FuzzEngineOnce(script.data(), script.size());
    }
}

} // namespace
