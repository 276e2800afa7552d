// Sending: queueing rules, the exchange with the modem, the pause between sends, results,
// prompt failures and the free flag.
#include "engine_fixture.h"

#include <string>
#include <vector>

namespace {

using Sending = EngineFixture;

const std::string kChinese2 = "\xC4\xE3\xBA\xC3"; // two GBK characters

TEST_F(Sending, OneMessageGoesThroughPromptAndOk)
{
    ConnectReady();
    EXPECT_EQ(engine.SendSms("13812345678", "abc", 42), 1);
    EXPECT_EQ(engine.IsFreeStatus(), 0);
    ASSERT_TRUE(RunUntilIdle());
    EXPECT_EQ(modem->Written(), "AT+CMGS=18\r0011000D91683118325476F80000000361F118\x1A\r");
    ASSERT_EQ(events.sendResults.size(), 1u);
    EXPECT_EQ(events.sendResults[0].result, 1);
    EXPECT_EQ(events.sendResults[0].index, 42);
    EXPECT_EQ(events.sendResults[0].number, "13812345678");
    EXPECT_EQ(events.sendResults[0].text, "abc");
    EXPECT_EQ(engine.IsFreeStatus(), 1);
}

TEST_F(Sending, QueueingTrimsCutsAndRefusesAnEmptyNumber)
{
    struct Case {
        std::string number, text;
        std::int32_t answer;
        std::string queuedNumber, queuedText;
    };
    const std::string longAscii(200, 'x');
    std::string longChinese;
    for (int i = 0; i < 100; ++i)
        longChinese += "\xC4\xE3";
    const Case cases[] = {
        {"", "text", 0, "", ""},
        {" \t\r\n", "text", 0, "", ""},
        {" 13812345678\n", "\t hi \r\n", 1, "13812345678", "hi"},
        {"10086", "", 1, "10086", "   "},
        {"10086", "  \t ", 1, "10086", "   "},
        {"10086", longAscii, 1, "10086", std::string(160, 'x')},
        {"10086", longChinese, 1, "10086", longChinese.substr(0, 160)},
        // 1 + 2 * 80 bytes: the 80th character would end past 160 bytes and is left out whole.
        {"10086", "a" + longChinese, 1, "10086", ("a" + longChinese).substr(0, 159)},
        {"123456789012345678901234", "t", 1, "12345678901234567890", "t"},
    };
    ConnectReady();
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number + "/" + c.text);
        events.Clear();
        EXPECT_EQ(engine.SendSms(c.number, c.text, ++index), c.answer);
        if (c.answer == 0) {
            EXPECT_EQ(engine.GetTaskCount(), 0);
            continue;
        }
        ASSERT_TRUE(RunUntilIdle());
        ASSERT_EQ(events.sendResults.size(), 1u);
        EXPECT_EQ(events.sendResults[0].number, c.queuedNumber);
        EXPECT_EQ(events.sendResults[0].text, c.queuedText);
    }
    // The three blanks go as 7-bit with three septets.
    EXPECT_NE(modem->Written().find("00000003"), std::string::npos);
}

TEST_F(Sending, StatusReportIsAskedOnlyForElevenCharacterNumbers)
{
    ConnectReady();
    engine.SendSmsEx("13812345678", kChinese2, 1, true);
    engine.SendSmsEx("10086", "x", 2, true);
    engine.SendSms("13812345678", "x", 3);
    ASSERT_TRUE(RunUntilIdle());
    const auto& pdus = modem->SubmittedPdus();
    ASSERT_EQ(pdus.size(), 3u);
    EXPECT_EQ(pdus[0], "0031000D91683118325476F8000800044F60597D");
    EXPECT_EQ(modem->CountOf("AT+CMGS=19"), 1);
    EXPECT_EQ(pdus[1].substr(0, 4), "0011");
    EXPECT_EQ(pdus[2].substr(0, 4), "0011");
}

TEST_F(Sending, PauseAfterEachSendFollowsTheSendRate)
{
    struct Case {
        std::int16_t rate;
        std::int64_t gapMs; // from the modem's final OK to the next send command
    };
    for (const Case c : {Case{15, 1600}, Case{0, 200}, Case{-5, 200}, Case{1, 200}, Case{3, 400}}) {
        SCOPED_TRACE(c.rate);
        ConnectReady();
        engine.SetSendRate(c.rate);
        EXPECT_EQ(engine.SendRate(), c.rate <= 0 ? 1 : c.rate);
        engine.SendSms("13812345678", "one", 1);
        engine.SendSms("13812345678", "two", 2);
        std::int64_t firstResult = -1;
        events.onEvent = [&] {
            if (firstResult < 0)
                firstResult = Now();
        };
        ASSERT_TRUE(RunUntilIdle());
        events.onEvent = nullptr;
        const auto pdus = modem->TimesOf(FakeModem::kPdu);
        const auto sends = modem->TimesOf("AT+CMGS=");
        ASSERT_EQ(sends.size(), 2u);
        const std::int64_t ok = pdus[0] + kTickMs; // the modem answers on the next tick
        EXPECT_EQ(sends[1] - ok, c.gapMs);
        // The result is raised one tick before the next task starts.
        EXPECT_EQ(sends[1] - firstResult, kTickMs);
    }
}

TEST_F(Sending, FreeStatusStaysFalseWhileMoreThanFourTasksAreQueued)
{
    ConnectReady();
    EXPECT_EQ(engine.IsFreeStatus(), 1);
    for (int i = 1; i <= 5; ++i)
        engine.SendSms("13812345678", "m", i);
    EXPECT_EQ(engine.GetTaskCount(), 5);
    EXPECT_EQ(engine.IsFreeStatus(), 0);

    std::vector<std::pair<int, int>> insideEvents; // task count, free status
    events.onEvent = [&] { insideEvents.emplace_back(engine.GetTaskCount(), engine.IsFreeStatus()); };
    ASSERT_TRUE(RunUntil([&] { return events.sendResults.size() == 1; }));
    // During the first result the finished task is still queued: five, so not free.
    EXPECT_EQ(insideEvents.front(), std::make_pair(5, 0));
    EXPECT_EQ(engine.GetTaskCount(), 4);
    EXPECT_EQ(engine.IsFreeStatus(), 1);
    Ticks(1); // the next send starts; the flag stays until a message is queued
    EXPECT_EQ(engine.IsFreeStatus(), 1);
    engine.SendSms("13812345678", "m", 6);
    EXPECT_EQ(engine.IsFreeStatus(), 0);
}

TEST_F(Sending, ErrorAnswersAndSilenceGiveResultZero)
{
    struct Case {
        const char* name;
        const char* command;
        int kind; // 0 ERROR, 1 +CMS ERROR, 2 silence
        int discards;
    };
    const Case cases[] = {
        {"error to the command", "AT+CMGS", 0, 0},           {"cms error to the command", "AT+CMGS", 1, 0},
        {"error to the message", FakeModem::kPdu, 0, 1},     {"cms error to the message", FakeModem::kPdu, 1, 1},
        {"no final answer for 60 s", FakeModem::kPdu, 2, 0},
    };
    ConnectReady();
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        modem->ClearRules();
        events.Clear();
        const int discardsBefore = modem->DiscardCount();
        FakeModem::Rule& rule = modem->On(c.command);
        if (c.kind == 0)
            rule.Error();
        else if (c.kind == 1)
            rule.CmsError(500);
        else
            rule.Silence();
        engine.SendSms("13812345678", "x", ++index);
        ASSERT_TRUE(RunUntilIdle(100000));
        ASSERT_EQ(events.sendResults.size(), 1u);
        EXPECT_EQ(events.sendResults[0].result, 0);
        EXPECT_EQ(events.sendResults[0].index, index);
        EXPECT_EQ(modem->DiscardCount() - discardsBefore, c.discards);
        EXPECT_EQ(engine.IsConnected(), 1);
        EXPECT_EQ(engine.PromptFailures(), 0);
    }
}

TEST_F(Sending, FivePromptTimeoutsInARowDropTheConnection)
{
    ConnectReady();
    modem->On("AT+CMGS").Silence();
    for (int i = 1; i <= 7; ++i)
        engine.SendSms("13812345678", "x", i);
    ASSERT_TRUE(RunUntil([&] { return !events.connectStatus.empty(); }, 200000));
    EXPECT_EQ(events.log, (std::vector<std::string>{"SendSmsResult -1 1", "SendSmsResult -1 2", "SendSmsResult -1 3",
                                                    "SendSmsResult -1 4", "SendSmsResult -1 5", "ConnectStatus 0"}));
    const auto sends = modem->TimesOf("AT+CMGS");
    ASSERT_EQ(sends.size(), 5u);
    // 15 s of silence after the command: the 151st tick gives up.
    EXPECT_EQ(sends[1] - sends[0], (151 + 1) * kTickMs);
    EXPECT_FALSE(modem->IsOpen());
    EXPECT_EQ(engine.IsConnected(), 0);
    // Nothing more starts; the rest waits for the next connect, which drops it.
    Ticks(3000);
    EXPECT_EQ(events.log.size(), 6u);
    EXPECT_EQ(engine.GetTaskCount(), 2);
}

TEST_F(Sending, ASuccessBetweenPromptTimeoutsResetsTheCount)
{
    ConnectReady();
    modem->On("AT+CMGS").Silence().Times(4);
    for (int i = 1; i <= 5; ++i)
        engine.SendSms("13812345678", "x", i);
    ASSERT_TRUE(RunUntilIdle(200000));
    modem->On("AT+CMGS").Silence().Times(4);
    for (int i = 6; i <= 9; ++i)
        engine.SendSms("13812345678", "x", i);
    ASSERT_TRUE(RunUntilIdle(200000));
    EXPECT_TRUE(events.connectStatus.empty());
    ASSERT_EQ(events.sendResults.size(), 9u);
    EXPECT_EQ(events.sendResults[4].result, 1);
    EXPECT_EQ(engine.PromptFailures(), 4);
    EXPECT_EQ(engine.IsConnected(), 1);
}

TEST_F(Sending, APortThatDiesMidSendStillReportsByTheTimeLimit)
{
    struct Case {
        const char* name;
        bool afterPrompt;
        std::int16_t result;
    };
    for (const Case c : {Case{"before the prompt", false, -1}, Case{"after the prompt", true, 0}}) {
        SCOPED_TRACE(c.name);
        ConnectReady();
        engine.SendSms("13812345678", "x", 1);
        if (c.afterPrompt)
            RunUntil([&] { return modem->CountOf(FakeModem::kPdu) == 1; });
        else
            RunUntil([&] { return modem->CountOf("AT+CMGS") == 1; });
        modem->SetDead(true);
        ASSERT_TRUE(RunUntilIdle(100000));
        ASSERT_EQ(events.sendResults.size(), 1u);
        EXPECT_EQ(events.sendResults[0].result, c.result);
        modem->SetDead(false);
    }
}

TEST_F(Sending, DisconnectDuringASendLetsTheTaskRunOutItsLimit)
{
    ConnectReady();
    engine.SendSms("13812345678", "x", 3);
    RunUntil([&] { return modem->CountOf("AT+CMGS") == 1; });
    engine.Disconnect();
    ASSERT_TRUE(RunUntilIdle(100000));
    ASSERT_EQ(events.sendResults.size(), 1u);
    EXPECT_EQ(events.sendResults[0].result, -1);
    EXPECT_EQ(events.sendResults[0].index, 3);
    EXPECT_EQ(engine.IsFreeStatus(), 1);
}

} // namespace
