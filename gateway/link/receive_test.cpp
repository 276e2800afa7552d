// Receiving: notifications, the read task, the list task, delivery reports and their events.
#include "engine_fixture.h"

#include <string>
#include <vector>

#include "test_pdus.h"

namespace {

using Receiving = EngineFixture;

const std::string kHello = "\xC4\xE3\xBA\xC3"; // two GBK characters

std::vector<std::string> CommandTexts(const FakeModem& modem)
{
    std::vector<std::string> texts;
    for (const auto& command : modem.Commands())
        texts.push_back(command.text);
    return texts;
}

TEST_F(Receiving, NotifiedMessageIsReadDeletedAndReported)
{
    ConnectReady();
    const int index = modem->Deliver(test_pdus::Deliver("13812345678", kHello, "260315123456"));
    ASSERT_TRUE(RunUntil([&] { return !events.received.empty(); }));
    EXPECT_EQ(CommandTexts(*modem), (std::vector<std::string>{"AT+CPMS=\"SM\"", "AT+CMGR=1", "AT+CMGD=1"}));
    EXPECT_FALSE(modem->Holds("SM", index));
    const auto& message = events.received[0];
    EXPECT_EQ(message.number, "13812345678");
    EXPECT_EQ(message.text, kHello);
    EXPECT_EQ(
        std::vector<int>({message.year, message.month, message.day, message.hour, message.minute, message.second}),
        std::vector<int>({2026, 3, 15, 12, 34, 56}));
    EXPECT_EQ(engine.SelectedStorage(), "SM");

    // The storage is selected already: straight to the read.
    modem->ClearLog();
    modem->Deliver(test_pdus::Deliver("10086", "hi"));
    ASSERT_TRUE(RunUntil([&] { return events.received.size() == 2; }));
    EXPECT_EQ(CommandTexts(*modem), (std::vector<std::string>{"AT+CMGR=1", "AT+CMGD=1"}));
    EXPECT_EQ(events.received[1].number, "10086");
    EXPECT_EQ(events.received[1].text, "hi");
}

TEST_F(Receiving, HourTwentyFourIsNormalisedToTheNextDay)
{
    ConnectReady();
    modem->Deliver(test_pdus::Deliver("13812345678", "x", "260331240000"));
    ASSERT_TRUE(RunUntil([&] { return !events.received.empty(); }));
    const auto& m = events.received[0];
    EXPECT_EQ(std::vector<int>({m.year, m.month, m.day, m.hour, m.minute, m.second}),
              std::vector<int>({2026, 4, 1, 0, 0, 0}));
}

TEST_F(Receiving, DeliveryReportIsReadDeletedAndReported)
{
    ConnectReady();
    const int index = modem->DeliverReport(test_pdus::StatusReport("13812345678", "260315123456", "260315123500"));
    ASSERT_TRUE(RunUntil([&] { return !events.reports.empty(); }));
    EXPECT_EQ(events.log, (std::vector<std::string>{"SendReport 13812345678"}));
    EXPECT_EQ(events.reports[0].sendTime, "20260315123456");
    EXPECT_EQ(events.reports[0].recvTime, "20260315123500");
    EXPECT_FALSE(modem->Holds("SM", index));
    EXPECT_EQ(modem->CountOf("AT+CMGD="), 1);
}

TEST_F(Receiving, NotificationSplitAcrossReadsActsOnlyOnceItsLineEnds)
{
    ConnectReady();
    modem->Store(test_pdus::Deliver("13812345678", "x"));
    modem->Push("\r\n+CMTI: \"SM\",");
    Ticks(1);
    EXPECT_EQ(engine.GetTaskCount(), 0);
    EXPECT_EQ(engine.Link().ReceiveBuffer(), "\r\n+CMTI: \"SM\",");
    modem->Push("1");
    Ticks(3);
    EXPECT_EQ(engine.GetTaskCount(), 0);
    modem->Push("\r\n");
    Ticks(1);
    EXPECT_EQ(engine.GetTaskCount(), 1);
    ASSERT_TRUE(RunUntilIdle());
    EXPECT_EQ(events.received.size(), 1u);
}

TEST_F(Receiving, TwoNotificationsInOneReadAreTakenOnePerRead)
{
    ConnectReady();
    modem->Store(test_pdus::Deliver("13812345678", "one"));
    modem->Store(test_pdus::Deliver("13812345678", "two"));
    modem->On("AT+CPMS").Silence(); // keep the port quiet after the notifications
    modem->Push("\r\n+CMTI: \"SM\",1\r\n\r\n+CMTI: \"SM\",2\r\n");
    Ticks(1);
    EXPECT_EQ(engine.GetTaskCount(), 1);
    Ticks(5); // no data: the second waits
    EXPECT_EQ(engine.GetTaskCount(), 1);
    modem->Push("\r\n");
    Ticks(1);
    EXPECT_EQ(engine.GetTaskCount(), 2);
}

// Listing the unread marks them read, so the second listing names them again; those
// second reads find nothing and end quietly.
TEST_F(Receiving, ListTaskQueuesAReadForEveryListedIndex)
{
    modem->Store(test_pdus::Deliver("13800000001", "unread one"), "SM", 0);
    modem->Store(test_pdus::Deliver("13800000002", "read one"), "SM", 1);
    modem->Store(test_pdus::Deliver("13800000003", "unread two"), "SM", 0);
    Connect();
    ASSERT_TRUE(RunUntilIdle());
    ASSERT_EQ(events.received.size(), 3u);
    EXPECT_EQ(events.received[0].number, "13800000001");
    EXPECT_EQ(events.received[1].number, "13800000003");
    EXPECT_EQ(events.received[2].number, "13800000002");
    EXPECT_EQ(modem->StoredCount(), 0u);
}

TEST_F(Receiving, ListingParsesIndexesAndToleratesOddAnswers)
{
    struct Case {
        const char* name;
        std::string first;  // answer to AT+CMGL=0
        std::string second; // answer to AT+CMGL=1
        std::vector<std::string> reads;
        bool reachesSecond;
    };
    const Case cases[] = {
        {"two entries then none",
         "\r\n+CMGL: 3,0,,24\r\nAB\r\n+CMGL: 12,0,,24\r\nCD\r\n\r\nOK\r\n",
         "\r\nOK\r\n",
         {"AT+CMGR=3", "AT+CMGR=12"},
         true},
        {"entries in both",
         "\r\n+CMGL: 1,0,,24\r\nAB\r\n\r\nOK\r\n",
         "\r\n+CMGL: 7,1,,24\r\nAB\r\n\r\nOK\r\n",
         {"AT+CMGR=1", "AT+CMGR=7"},
         true},
        {"error after a listing goes on", "\r\n+CMGL: 4,0,,24\r\nAB\r\n\r\nERROR\r\n", "\r\nOK\r\n", {}, true},
        {"bare error waits for the limit", "\r\nERROR\r\n", "", {}, false},
        {"entry without a comma", "\r\n+CMGL: 5\r\n\r\nOK\r\n", "\r\nOK\r\n", {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        modem->ClearRules();
        ConnectReady();
        modem->On("AT+CMGL=0").Reply(c.first);
        modem->On("AT+CMGL=1").Reply(c.second);
        modem->On("AT+CMGR").Error();
        engine.ScanTimer();
        const std::int64_t start = Now();
        ASSERT_TRUE(RunUntilIdle());
        std::vector<std::string> reads;
        for (const auto& text : CommandTexts(*modem)) {
            if (text.rfind("AT+CMGR", 0) == 0)
                reads.push_back(text);
        }
        EXPECT_EQ(reads, c.reads);
        EXPECT_EQ(modem->CountOf("AT+CMGL=1"), c.reachesSecond ? 1 : 0);
        if (!c.reachesSecond) {
            EXPECT_GE(Now() - start, 50 * kTickMs);
        }
        EXPECT_TRUE(events.log.empty()); // reads answered ERROR raise nothing
    }
}

TEST_F(Receiving, StorageFullReadsAndDeletesWhatIsStored)
{
    struct Case {
        const char* name;
        bool asSendAnswer; // else unsolicited
    };
    for (const Case c : {Case{"unsolicited", false}, Case{"answer to a send", true}}) {
        SCOPED_TRACE(c.name);
        ConnectReady();
        for (int i = 0; i < 3; ++i)
            modem->Store(test_pdus::Deliver("1380000000" + std::to_string(i), "stored"));
        if (c.asSendAnswer) {
            modem->On("AT+CMGS").CmsError(322).Times(1);
            engine.SendSms("13812345678", "out", 1);
        } else {
            modem->Push("\r\n+CMS ERROR: 322\r\n");
        }
        const std::int64_t start = Now();
        ASSERT_TRUE(RunUntilIdle());
        EXPECT_LT(Now() - start, 100 * kTickMs); // not the three-minute scan
        EXPECT_EQ(events.received.size(), 3u);
        EXPECT_EQ(modem->StoredCount(), 0u);
        EXPECT_EQ(modem->CountOf("AT+CMGL=0"), 1);
        if (c.asSendAnswer) {
            ASSERT_EQ(events.sendResults.size(), 1u);
            EXPECT_EQ(events.sendResults[0].result, 0);
        }
    }
}

TEST_F(Receiving, ListedReadsNameSmAndSwitchTheStorageBack)
{
    ConnectReady();
    modem->Deliver(test_pdus::Deliver("13812345678", "in me"), "ME");
    ASSERT_TRUE(RunUntil([&] { return events.received.size() == 1; }));
    EXPECT_EQ(engine.SelectedStorage(), "ME");
    EXPECT_EQ(modem->CountOf("AT+CPMS=\"ME\""), 1);

    // The modem lists what it has selected (ME), the reads ask for SM.
    modem->Store(test_pdus::Deliver("13812345678", "also in me"), "ME");
    modem->Store(test_pdus::Deliver("13812345678", "in sm"), "SM");
    modem->ClearLog();
    engine.ScanTimer();
    ASSERT_TRUE(RunUntilIdle());
    EXPECT_EQ(CommandTexts(*modem), (std::vector<std::string>{"AT+CMGL=0", "AT+CMGL=1", "AT+CPMS=\"SM\"", "AT+CMGR=1",
                                                              "AT+CMGD=1", "AT+CMGR=1"}));
    EXPECT_EQ(engine.SelectedStorage(), "SM");
    ASSERT_EQ(events.received.size(), 2u);
    EXPECT_EQ(events.received[1].text, "in sm");
}

TEST_F(Receiving, FailedOrUndecodableReadsRaiseNothing)
{
    struct Case {
        const char* name;
        std::string answer; // to AT+CMGR
        bool deleted;
    };
    const Case cases[] = {
        {"error", "\r\nERROR\r\n", false},
        {"cms error", "\r\n+CMS ERROR: 321\r\n", false},
        {"cme error", "\r\n+CME ERROR: 10\r\n", false},
        {"undecodable data unit", "\r\n+CMGR: 0,,24\r\nZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZ\r\n\r\nOK\r\n", true},
        {"reply too short to decode", "\r\n+CMGR: 0,,1\r\n00\r\n\r\nOK\r\n", true},
        {"empty data unit", "\r\n+CMGR: 0,,0\r\n\r\n\r\nOK\r\n", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        modem->ClearRules();
        ConnectReady(); // also reads and deletes what the previous case left
        modem->On("AT+CMGR").Reply(c.answer);
        const int index = modem->Deliver(test_pdus::Deliver("13812345678", "x"));
        const std::int64_t start = Now();
        ASSERT_TRUE(RunUntilIdle());
        EXPECT_TRUE(events.log.empty());
        EXPECT_EQ(modem->Holds("SM", index), !c.deleted);
        EXPECT_EQ(modem->CountOf("AT+CMGD="), c.deleted ? 1 : 0);
        // Every answer ends the read: none waits out its 60-tick limit.
        EXPECT_LT(Now() - start, 20 * kTickMs);
    }
}

TEST_F(Receiving, DeleteIsDoneWhateverTheModemAnswers)
{
    for (const char* answer : {"\r\nERROR\r\n", "\r\n+CMS ERROR: 321\r\n"}) {
        SCOPED_TRACE(answer);
        ConnectReady();
        modem->On("AT+CMGD").Reply(answer);
        modem->Deliver(test_pdus::Deliver("13812345678", "x"));
        const std::int64_t start = Now();
        ASSERT_TRUE(RunUntilIdle());
        EXPECT_EQ(events.received.size(), 1u);
        EXPECT_LT(Now() - start, 20 * kTickMs);
    }
}

TEST_F(Receiving, MessagesArriveWhileASendIsUnderWay)
{
    ConnectReady();
    engine.SendSms("13812345678", "out", 1);
    RunUntil([&] { return modem->CountOf("AT+CMGS") == 1; });
    modem->Deliver(test_pdus::Deliver("13812345679", "in"));
    ASSERT_TRUE(RunUntilIdle());
    EXPECT_EQ(events.log, (std::vector<std::string>{"SendSmsResult 1 1", "Recvsms 13812345679"}));
}

} // namespace
