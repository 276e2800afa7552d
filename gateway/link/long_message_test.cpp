// Long messages: sent as linked parts with one result, received parts joined into one
// Recvsms whatever their order, once each, or after the time limit with what came.
#include "engine_fixture.h"

#include <cstdio>
#include <string>
#include <vector>

#include "gbk_text.h"
#include "pdu_codec.h"
#include "test_pdus.h"

namespace {

using LongMessage = EngineFixture;

std::string Repeat(const std::string& piece, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i)
        out += piece;
    return out;
}

const std::string kHan = Utf8ToGbk("验");

TEST_F(LongMessage, GoesOutAsLinkedPartsWithOneResult)
{
    struct Case {
        const char* name;
        std::string text;
        std::size_t parts;
        int failingPart; // 0: none
        std::int16_t result;
    };
    const Case cases[] = {
        {"fits one", "short", 1, 0, 1},
        {"300 Chinese characters", Repeat(kHan, 300), 5, 0, 1},
        {"second part refused", Repeat(kHan, 300), 5, 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        modem->ClearRules();
        ConnectReady();
        engine.SetSendRate(1);
        int written = 0;
        std::vector<std::string> pdus;
        modem->On(FakeModem::kPdu).Answer([&](const std::string& pdu) {
            pdus.push_back(pdu);
            return ++written == c.failingPart ? std::string("\r\n+CMS ERROR: 500\r\n")
                                              : std::string("\r\n+CMGS: 1\r\n\r\nOK\r\n");
        });
        ASSERT_EQ(engine.SendLongSms("13812345678", c.text, 7, false), 1);
        EXPECT_EQ(engine.GetTaskCount(), static_cast<int>(c.parts));
        ASSERT_TRUE(RunUntilIdle());
        ASSERT_EQ(events.sendResults.size(), 1u);
        EXPECT_EQ(events.sendResults[0].result, c.result);
        EXPECT_EQ(events.sendResults[0].index, 7);
        EXPECT_EQ(events.sendResults[0].text, c.text);
        // The parts after a failing one are not sent.
        EXPECT_EQ(static_cast<std::size_t>(written), c.failingPart ? c.failingPart : c.parts);
        // In order, each numbered within its message (header at TP-UD for a home number).
        for (std::size_t i = 0; c.parts > 1 && i < pdus.size(); ++i) {
            char place[5];
            std::snprintf(place, sizeof place, "%02X%02X", static_cast<unsigned>(c.parts),
                          static_cast<unsigned>(i + 1));
            EXPECT_EQ(pdus[i].substr(40, 4), place);
        }
    }
}

TEST_F(LongMessage, RefusalsAndAConnectThatStartsOver)
{
    EXPECT_EQ(engine.SendLongSms("  ", "x", 1, false), 0);
    EXPECT_EQ(engine.SendLongSms("10086", std::string(255 * 153 + 1, 'x'), 2, false), -1);
    EXPECT_EQ(engine.GetTaskCount(), 0);

    // Queued before the modem is ready: one failure for the message, not one per part.
    EXPECT_EQ(engine.SendLongSms("10086", std::string(400, 'x'), 3, false), 1);
    EXPECT_EQ(engine.GetTaskCount(), 3);
    Connect();
    ASSERT_TRUE(RunUntil([&] { return !events.connectStatus.empty(); }));
    ASSERT_TRUE(RunUntilIdle());
    EXPECT_EQ(events.log, (std::vector<std::string>{"SendSmsResult 0 3", "ConnectStatus 1"}));
    EXPECT_EQ(events.sendResults[0].text, std::string(400, 'x'));
    EXPECT_EQ(modem->SubmittedPdus().size(), 0u);
}

TEST_F(LongMessage, ReceivedPartsAreJoinedInAnyOrderOnceEach)
{
    const std::string text = Repeat(kHan, 150); // three parts
    const std::vector<std::string> pdus = BuildLongSubmitPdus("13812345678", text, false, 9);
    ASSERT_EQ(pdus.size(), 3u);
    struct Case {
        const char* name;
        std::vector<int> order; // parts delivered, by position
        bool whole;
    };
    const Case cases[] = {
        {"in order", {0, 1, 2}, true},
        {"reversed", {2, 1, 0}, true},
        {"a part twice", {0, 1, 1, 2}, true},
        {"a part missing", {2, 0}, false},
    };
    engine.SetLongSmsTimeout(30);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ConnectReady();
        for (const int i : c.order) {
            modem->Deliver(test_pdus::DeliverFromSubmit("13812345678", pdus[i]));
            ASSERT_TRUE(RunUntilIdle());
        }
        EXPECT_EQ(modem->StoredCount(), 0u); // every part's slot deleted as it is read
        if (!c.whole) {
            EXPECT_TRUE(events.received.empty());
            Ticks(250);
            EXPECT_TRUE(events.received.empty()); // 30 s from the first part
            Ticks(60);
        }
        ASSERT_EQ(events.received.size(), 1u);
        EXPECT_EQ(events.received[0].number, "13812345678");
        EXPECT_EQ(events.received[0].text, c.whole ? text : Repeat(kHan, 67) + Repeat(kHan, 16));
        EXPECT_EQ(events.received[0].day, 15);
        EXPECT_EQ(engine.PendingLongMessages(), 0u);
    }
}

TEST_F(LongMessage, PartsOfDifferentSendersOrReferencesStayApart)
{
    ConnectReady();
    const auto a = BuildLongSubmitPdus("13812345678", std::string(200, 'a'), false, 5);
    const auto b = BuildLongSubmitPdus("13812345678", std::string(200, 'b'), false, 6);
    const auto c = BuildLongSubmitPdus("10086", std::string(200, 'c'), false, 5);
    modem->Deliver(test_pdus::DeliverFromSubmit("13812345678", a[0]));
    modem->Deliver(test_pdus::DeliverFromSubmit("13812345678", b[1]));
    modem->Deliver(test_pdus::DeliverFromSubmit("10086", c[0]));
    modem->Deliver(test_pdus::DeliverFromSubmit("13812345678", b[0]));
    modem->Deliver(test_pdus::DeliverFromSubmit("10086", c[1]));
    modem->Deliver(test_pdus::DeliverFromSubmit("13812345678", a[1]));
    ASSERT_TRUE(RunUntilIdle());
    ASSERT_EQ(events.received.size(), 3u);
    EXPECT_EQ(events.received[0].text, std::string(200, 'b'));
    EXPECT_EQ(events.received[1].text, std::string(200, 'c'));
    EXPECT_EQ(events.received[2].text, std::string(200, 'a'));
}

} // namespace
