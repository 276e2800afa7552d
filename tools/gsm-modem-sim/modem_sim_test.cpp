#include "modem_sim.h"
#include "sim_control.h"

#include <gtest/gtest.h>

namespace gsmsim {
namespace {

const std::string kOk = "\r\nOK\r\n";
const std::string kError = "\r\nERROR\r\n";
// The SMS-SUBMIT units of the examples: "abc" without and "你好" with a status report request.
const std::string kAbc = "0011000D91683118325476F80000000361F118";
const std::string kNiHaoReport = "0031000D91683118325476F8000800044F60597D";

class ModemSimTest : public testing::Test {
protected:
    ModemSimTest()
        : m_sim(
              {}, [this](const std::string& line) { m_log.push_back(line); },
              [] { return static_cast<std::time_t>(1773549296); })
    {}

    std::string Say(const std::string& bytes)
    {
        m_sim.Feed(bytes, m_now);
        return m_sim.TakeOutput(m_now);
    }
    std::string Advance(int ms)
    {
        m_now += ms;
        return m_sim.TakeOutput(m_now);
    }
    std::string Control(const std::string& line) { return m_control.Handle(line, m_now).text; }
    // The session start of the gateway: echo off, PDU mode, phase 2+, notifications.
    void Initialise()
    {
        Say("ATE\r\n");
        Say("AT+CMGF=0\r\n");
        Say("AT+CSMS=1\r\n");
        Say("AT+CNMI=1,1,0,2,1\r\n");
    }
    std::string Send(const std::string& pdu)
    {
        const std::string prompt = Say("AT+CMGS=" + std::to_string(pdu.size() / 2 - 1) + "\r");
        if (prompt != "\r\n> ")
            return "no prompt: " + prompt;
        return Say(pdu + "\x1A\r");
    }

    std::vector<std::string> m_log;
    std::int64_t m_now = 1000;
    ModemSim m_sim;
    SimControl m_control{m_sim};
};

TEST_F(ModemSimTest, AnswersTheInitialisationSequence)
{
    EXPECT_EQ(Say("ATE\r\n"), "ATE\r" + kOk); // echoed until the command takes effect
    EXPECT_EQ(Say("AT+CMGF=0\r\n"), kOk);
    EXPECT_EQ(Say("AT+CSMS=1\r\n"), "\r\n+CSMS: 1,1,1\r\n" + kOk);
    EXPECT_EQ(Say("AT+CNMI=1,1,0,2,1\r\n"), kOk);
    EXPECT_EQ(Say("AT+CNMI?\r"), "\r\n+CNMI: 1,1,0,2,1\r\n" + kOk);
}

struct Exchange {
    const char* name;
    const char* command;
    std::string answer;
};

class CommandAnswerTest : public ModemSimTest, public testing::WithParamInterface<Exchange> {};

TEST_P(CommandAnswerTest, Answers)
{
    Say("ATE0\r");
    EXPECT_EQ(Say(std::string(GetParam().command) + "\r"), GetParam().answer);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CommandAnswerTest,
    testing::Values(
        Exchange{"Attention", "AT", kOk}, Exchange{"LowerCase", "at+cmgf=0", kOk},
        Exchange{"TextModeRefused", "AT+CMGF=1", "\r\n+CMS ERROR: 303\r\n"},
        Exchange{"ModeQuery", "AT+CMGF?", "\r\n+CMGF: 0\r\n" + kOk}, Exchange{"UnknownCommand", "AT+BOGUS", kError},
        Exchange{"NotACommand", "hello", ""}, Exchange{"SetServiceCentre", "AT+CSCA=\"+8613800000500\",145", kOk},
        Exchange{"EmptyServiceCentre", "AT+CSCA=", kError},
        Exchange{"UnsupportedNotification", "AT+CNMI=1,4", "\r\n+CMS ERROR: 303\r\n"},
        Exchange{"StorageQuery", "AT+CPMS?", "\r\n+CPMS: \"SM\",0,30,\"SM\",0,30,\"SM\",0,30\r\n" + kOk},
        Exchange{"StorageChoices", "AT+CPMS=?",
                 "\r\n+CPMS: (\"SM\",\"ME\",\"SR\"),(\"SM\",\"ME\",\"SR\"),(\"SM\",\"ME\",\"SR\")\r\n" + kOk},
        Exchange{"PhoneStorage", "AT+CPMS=\"ME\"", "\r\n+CPMS: 0,50,0,30,0,30\r\n" + kOk},
        Exchange{"UnknownStorage", "AT+CPMS=\"XX\"", "\r\n+CMS ERROR: 302\r\n"},
        Exchange{"ReadEmptySlot", "AT+CMGR=1", "\r\n+CMS ERROR: 321\r\n"},
        Exchange{"ReadPastLastSlot", "AT+CMGR=31", "\r\n+CMS ERROR: 321\r\n"},
        Exchange{"DeleteEmptySlot", "AT+CMGD=1", kOk},
        Exchange{"DeleteSlotZero", "AT+CMGD=0", "\r\n+CMS ERROR: 321\r\n"}, Exchange{"DeleteAll", "AT+CMGD=1,4", kOk},
        Exchange{"ListUnread", "AT+CMGL=0", kOk}, Exchange{"ListUnknownStatus", "AT+CMGL=7", "\r\n+CMS ERROR: 302\r\n"},
        Exchange{"SendNothing", "AT+CMGS=0", "\r\n+CMS ERROR: 304\r\n"},
        Exchange{"SendPrompt", "AT+CMGS=18", "\r\n> "}),
    [](const testing::TestParamInfo<Exchange>& info) { return std::string(info.param.name); });

TEST_F(ModemSimTest, SubmitIsDecodedLoggedAndNumbered)
{
    Initialise();
    EXPECT_EQ(Send(kAbc), "\r\n+CMGS: 1\r\n" + kOk);
    EXPECT_EQ(Send(kNiHaoReport), "\r\n+CMGS: 2\r\n" + kOk);
    ASSERT_EQ(m_log.size(), 2u);
    EXPECT_NE(m_log[0].find("\"ref\":1,\"number\":\"+8613812345678\",\"text\":\"abc\",\"status_report\":false"),
              std::string::npos)
        << m_log[0];
    EXPECT_NE(m_log[1].find("\"text\":\"你好\",\"status_report\":true,\"encoding\":\"ucs2\""), std::string::npos)
        << m_log[1];
}

TEST_F(ModemSimTest, SubmitWithWrongLengthOrBadDataIsRefused)
{
    Initialise();
    EXPECT_EQ(Say("AT+CMGS=17\r"), "\r\n> ");
    EXPECT_EQ(Say(kAbc + "\x1A"), "\r\n+CMS ERROR: 304\r\n");
    EXPECT_EQ(Say("AT+CMGS=3\r"), "\r\n> ");
    EXPECT_EQ(Say("00ZZ00\x1A"), "\r\n+CMS ERROR: 304\r\n");
    ASSERT_EQ(m_log.size(), 2u);
    EXPECT_NE(m_log[0].find("length 17 given, data unit has 18"), std::string::npos) << m_log[0];
    // Escape abandons the message.
    EXPECT_EQ(Say("AT+CMGS=18\r"), "\r\n> ");
    EXPECT_EQ(Say(kAbc + "\x1B"), kOk);
    EXPECT_EQ(Say("AT\r"), kOk);
}

TEST_F(ModemSimTest, DeliveredMessageIsAnnouncedReadAndDeleted)
{
    Initialise();
    EXPECT_EQ(Control("deliver +8613812345678 2026-03-15T12:34:56+08:00 你好"), "ok SM 1");
    EXPECT_EQ(Advance(0), "\r\n+CMTI: \"SM\",1\r\n");
    const std::string read = "\r\n+CMGR: 0,,24\r\n00040D91683118325476F8000862305121436523044F60597D\r\n" + kOk;
    EXPECT_EQ(Say("AT+CMGR=1\r\n"), read);
    EXPECT_EQ(Say("AT+CMGR=1\r\n").substr(0, 14), "\r\n+CMGR: 1,,24"); // now read
    EXPECT_EQ(Control("slots SM"), "ok SM=1");
    EXPECT_EQ(Say("AT+CMGD=1\r\n"), kOk);
    EXPECT_EQ(Control("slots"), "ok SM= ME= SR=");
}

TEST_F(ModemSimTest, NothingIsAnnouncedBeforeNotificationsAreSwitchedOn)
{
    EXPECT_EQ(Control("deliver 10086 now hello"), "ok SM 1");
    EXPECT_EQ(Advance(0), "");
    Say("ATE0\r");
    EXPECT_EQ(Say("AT+CMGL=4\r").substr(0, 32), "\r\n+CMGL: 1,0,,21\r\n000405810180F6");
}

TEST_F(ModemSimTest, NotificationWaitsWhileAMessageIsTyped)
{
    Initialise();
    EXPECT_EQ(Say("AT+CMGS=18\r"), "\r\n> ");
    EXPECT_EQ(Say(kAbc.substr(0, 10)), "");
    EXPECT_EQ(Control("deliver 10086 now hi"), "ok SM 1");
    EXPECT_EQ(Advance(0), "");
    EXPECT_EQ(Say(kAbc.substr(10) + "\x1A"), "\r\n+CMGS: 1\r\n" + kOk + "\r\n+CMTI: \"SM\",1\r\n");
}

TEST_F(ModemSimTest, ListingMarksMessagesRead)
{
    Initialise();
    Control("deliver 10086 2026-03-15T12:34:56+08:00 one");
    Control("deliver 10086 2026-03-15T12:34:56+08:00 two");
    Advance(0);
    const std::string unread = Say("AT+CMGL=0\r\n");
    EXPECT_NE(unread.find("+CMGL: 1,0,,19\r\n"), std::string::npos) << unread;
    EXPECT_NE(unread.find("+CMGL: 2,0,,19\r\n"), std::string::npos) << unread;
    EXPECT_EQ(unread.substr(unread.size() - 8), "\r\n" + kOk);
    EXPECT_EQ(Say("AT+CMGL=0\r\n"), kOk);
    EXPECT_NE(Say("AT+CMGL=1\r\n").find("+CMGL: 2,1,,19"), std::string::npos);
    EXPECT_EQ(Say("AT+CMGD=1,1\r\n"), kOk);
    EXPECT_EQ(Control("slots SM"), "ok SM=");
}

TEST_F(ModemSimTest, StoragesAreSeparate)
{
    Initialise();
    EXPECT_EQ(Control("deliver --mem=ME 10086 now hi"), "ok ME 1");
    EXPECT_EQ(Advance(0), "\r\n+CMTI: \"ME\",1\r\n");
    EXPECT_EQ(Say("AT+CMGR=1\r\n"), "\r\n+CMS ERROR: 321\r\n");
    EXPECT_EQ(Say("AT+CPMS=\"ME\"\r\n"), "\r\n+CPMS: 1,50,0,30,0,30\r\n" + kOk);
    EXPECT_EQ(Say("AT+CMGR=1\r\n").substr(0, 10), "\r\n+CMGR: 0");
    EXPECT_EQ(Control("set capacity SM 1"), "ok");
    EXPECT_EQ(Control("deliver 10086 now a"), "ok SM 1");
    EXPECT_EQ(Control("deliver 10086 now b"), "error storage SM full");
}

TEST_F(ModemSimTest, AFullMemoryHoldsWhatArrivesUntilADeleteMakesRoom)
{
    Initialise();
    EXPECT_EQ(Control("set capacity SM 1"), "ok");
    EXPECT_EQ(Control("set when-full hold"), "ok");
    EXPECT_EQ(Control("deliver 10086 now a"), "ok SM 1");
    EXPECT_EQ(Advance(0), "\r\n+CMTI: \"SM\",1\r\n");
    for (const char* text : {"b", "c"}) {
        EXPECT_EQ(Control(std::string("deliver 10086 now ") + text), "ok SM held");
        EXPECT_EQ(Advance(0), "\r\n+CMS ERROR: 322\r\n");
    }
    const auto lastDelivered = [&] {
        std::string text;
        for (const std::string& line : m_log)
            if (line.find("\"event\":\"deliver\"") != std::string::npos)
                text = line.substr(line.find("\"text\":\"") + 8, 1);
        return text;
    };
    // Each delete makes room for the next held message, in the order they came.
    for (const char* text : {"b", "c"}) {
        EXPECT_EQ(Say("AT+CMGD=1\r\n"), kOk + "\r\n+CMTI: \"SM\",1\r\n");
        EXPECT_EQ(lastDelivered(), text);
    }
    EXPECT_EQ(Say("AT+CMGD=1\r\n"), kOk);
    EXPECT_EQ(Control("set when-full refuse"), "ok");
    EXPECT_EQ(Control("deliver 10086 now d"), "ok SM 1");
    EXPECT_EQ(Control("deliver 10086 now e"), "error storage SM full");
}

TEST_F(ModemSimTest, StatusReportForASentMessage)
{
    Initialise();
    Send(kNiHaoReport);
    EXPECT_EQ(Control("report --time=2026-03-15T12:35:10+08:00 1"), "ok SM 1");
    EXPECT_EQ(Advance(0), "\r\n+CDSI: \"SM\",1\r\n");
    const std::string read = Say("AT+CMGR=1\r\n");
    // Reference 1, recipient as submitted, discharge time as given, status delivered.
    EXPECT_NE(read.find("\r\n0006010D91683118325476F8"), std::string::npos) << read;
    EXPECT_NE(read.find("6230512153012300\r\n"), std::string::npos) << read;
    EXPECT_EQ(Control("report 9"), "error no message sent with reference 9");
    EXPECT_EQ(Control("set report-storage SR"), "ok");
    EXPECT_EQ(Control("report 1"), "ok SR 1");
    EXPECT_EQ(Advance(0), "\r\n+CDSI: \"SR\",1\r\n");
}

TEST_F(ModemSimTest, AutomaticReportFollowsAfterTheDelay)
{
    Initialise();
    Control("set auto-report 500");
    Send(kAbc); // asks for no report
    Send(kNiHaoReport);
    EXPECT_EQ(Advance(499), "");
    EXPECT_EQ(m_sim.NextDueMs(), m_now + 1);
    EXPECT_EQ(Advance(1), "\r\n+CDSI: \"SM\",1\r\n");
    EXPECT_EQ(Advance(1000), "");
}

TEST_F(ModemSimTest, ErrorFaultsHitTheNamedCommandForTheirCount)
{
    Initialise();
    EXPECT_EQ(Control("error AT+CSMS 1"), "ok");
    EXPECT_EQ(Control("cms-error +CMGR 500"), "ok");
    EXPECT_EQ(Say("AT+CSMS=1\r"), kError);
    EXPECT_EQ(Say("AT+CSMS=1\r"), "\r\n+CSMS: 1,1,1\r\n" + kOk);
    EXPECT_EQ(Say("AT+CMGR=1\r"), "\r\n+CMS ERROR: 500\r\n");
    EXPECT_EQ(Say("AT+CMGR=1\r"), "\r\n+CMS ERROR: 500\r\n");
    EXPECT_EQ(Control("clear"), "ok");
    EXPECT_EQ(Say("AT+CMGR=1\r"), "\r\n+CMS ERROR: 321\r\n");
}

TEST_F(ModemSimTest, ErrorToTheMessageBodyRejectsIt)
{
    Initialise();
    Control("cms-error PDU 500 1");
    EXPECT_EQ(Send(kAbc), "\r\n+CMS ERROR: 500\r\n");
    EXPECT_EQ(Send(kAbc), "\r\n+CMGS: 1\r\n" + kOk);
    ASSERT_EQ(m_log.size(), 2u);
    EXPECT_NE(m_log[0].find("submit-rejected"), std::string::npos);
}

TEST_F(ModemSimTest, MissingPromptLeavesTheModemInCommandMode)
{
    Initialise();
    Control("prompt none 2");
    EXPECT_EQ(Say("AT+CMGS=18\r"), "");
    EXPECT_EQ(Say("AT+CMGS=18\r"), "");
    EXPECT_EQ(Say("AT\r"), kOk);
    EXPECT_EQ(Send(kAbc), "\r\n+CMGS: 1\r\n" + kOk);
}

TEST_F(ModemSimTest, SlowPromptAndSlowAnswers)
{
    Initialise();
    Control("prompt delay 3000 1");
    Control("delay +CPMS 200");
    EXPECT_EQ(Say("AT+CMGS=18\r"), "");
    EXPECT_EQ(Advance(2999), "");
    EXPECT_EQ(Advance(1), "\r\n> ");
    EXPECT_EQ(Say(kAbc + "\x1A"), "\r\n+CMGS: 1\r\n" + kOk);
    EXPECT_EQ(Say("AT+CPMS?\r"), "");
    EXPECT_EQ(Say("AT\r"), ""); // output keeps its order behind the slow answer
    const std::string late = Advance(200);
    EXPECT_EQ(late.substr(0, 9), "\r\n+CPMS: ");
    EXPECT_EQ(late.substr(late.size() - 12), kOk + kOk);
}

TEST_F(ModemSimTest, SilenceSwallowsEverything)
{
    Initialise();
    Control("silence on");
    EXPECT_EQ(Say("ATE1\rAT\r"), "");
    Control("deliver 10086 now hi");
    EXPECT_EQ(Advance(0), "");
    Control("silence off");
    EXPECT_EQ(Say("AT\r"), kOk); // ATE1 was never heard: still no echo
}

TEST_F(ModemSimTest, GarbageRawAndVendorQuirks)
{
    Initialise();
    Control("garbage 10");
    EXPECT_EQ(Advance(0).size(), 10u);
    Control("raw \\r\\nRING\\r\\n\\x00");
    EXPECT_EQ(Advance(0), std::string("\r\nRING\r\n\0", 9));
    Control("quirk cmti-suffix ,\"extra\"");
    Control("quirk urc-space on");
    Control("deliver 10086 now hi");
    EXPECT_EQ(Advance(0), "\r\n+CMTI: \"SM\", 1,\"extra\"\r\n");
}

TEST_F(ModemSimTest, HangUpForgetsHalfTypedInput)
{
    Initialise();
    EXPECT_EQ(Say("AT+CMGS=18\r"), "\r\n> ");
    Say(kAbc.substr(0, 6));
    m_sim.LineDropped();
    EXPECT_EQ(Say("AT\r"), kOk);
}

TEST_F(ModemSimTest, MalformedControlLinesAreRefused)
{
    for (const char* line :
         {"deliver", "deliver 10086 yesterday hi", "deliver --fast 10086 now hi", "deliver --7bit 10086 now 中文",
          "report x", "report --status=999 1", "error", "error +CMGS 0", "cms-error +CMGS", "prompt maybe", "silence",
          "garbage -1", "raw \\q", "quirk odd", "set echo maybe", "bogus", "slots XX", "show SM 1"}) {
        const std::string reply = Control(line);
        EXPECT_EQ(reply.rfind("error ", 0), 0u) << line << " -> " << reply;
    }
    EXPECT_EQ(Control(""), "");
    EXPECT_EQ(Control("# a comment"), "");
    EXPECT_EQ(Control("ping"), "ok pong");
}

} // namespace
} // namespace gsmsim
