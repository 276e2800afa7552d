// The real library on the real termios port against the simulator process: connect, send,
// receive, reports, and a modem that stops answering or dies.
#include "brantlet/brantlet.h"
#include "sim_process.h"

#include <gtest/gtest.h>

#include <ctime>
#include <functional>
#include <memory>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// What the four events brought, in arrival order.
struct Events {
    std::vector<int> connect;
    struct Result {
        int result;
        int index;
        std::string number;
        std::string text;
    };
    std::vector<Result> results;
    struct Received {
        std::string number;
        std::string text;
        int time[6];
    };
    std::vector<Received> received;
    std::vector<std::vector<std::string>> reports;
    std::vector<int> lateDispids;
};

struct HandleDeleter {
    void operator()(brantlet* h) const { brantlet_destroy(h); }
};

class ControlOnSimulator : public testing::Test {
protected:
    void SetUp() override
    {
        m_sim = std::make_unique<SimProcess>();
        ASSERT_TRUE(m_sim->Started());
        m_handle.reset(brantlet_create());
        ASSERT_NE(m_handle, nullptr);
        brantlet* h = m_handle.get();
        brantlet_on_ConnectStatus(
            h, [](void* u, int32_t s) { static_cast<Events*>(u)->connect.push_back(s); }, &m_events);
        brantlet_on_SendSmsResult(
            h,
            [](void* u, int16_t r, int32_t i, const char* n, const char* t) {
                static_cast<Events*>(u)->results.push_back({r, i, n, t});
            },
            &m_events);
        brantlet_on_Recvsms(
            h,
            [](void* u, const char* n, const char* t, int16_t y, int16_t mo, int16_t d, int16_t hh, int16_t mi,
               int16_t s) {
                static_cast<Events*>(u)->received.push_back({n, t, {y, mo, d, hh, mi, s}});
            },
            &m_events);
        brantlet_on_SendReport(
            h,
            [](void* u, const char* n, const char* s, const char* r) {
                static_cast<Events*>(u)->reports.push_back({n, s, r});
            },
            &m_events);
        brantlet_on_event(
            h,
            [](void* u, int32_t dispid, const brantlet_value*, size_t) {
                static_cast<Events*>(u)->lateDispids.push_back(dispid);
            },
            &m_events);
    }

    brantlet* H() { return m_handle.get(); }

    // Runs the control's loop until the condition holds or the time is up.
    bool RunUntil(const std::function<bool()>& done, int timeoutMs)
    {
        for (int waited = 0; waited < timeoutMs && !done(); waited += 50)
            brantlet_run_for(H(), 50);
        return done();
    }

    void Connect()
    {
        ASSERT_EQ(brantlet_ConnectModem(H(), m_sim->Link().c_str(), 19200, 0), 1);
        EXPECT_EQ(brantlet_IsConnecting(H()), 1);
        ASSERT_TRUE(RunUntil([&] { return !m_events.connect.empty(); }, 5000));
        ASSERT_EQ(m_events.connect.back(), 1);
        EXPECT_EQ(brantlet_IsConnected(H()), 1);
        EXPECT_EQ(brantlet_IsConnecting(H()), 0);
    }

    std::unique_ptr<SimProcess> m_sim;
    std::unique_ptr<brantlet, HandleDeleter> m_handle;
    Events m_events;
};

TEST_F(ControlOnSimulator, SendsReceivesAndReports)
{
    Connect();
    EXPECT_EQ(std::string(brantlet_GetConnectComName(H())), m_sim->Link());
    brantlet_SetSendRate(H(), 1);
    ASSERT_EQ(brantlet_SendSms(H(), "13812345678", "hello $@_{€}", 1), 1);
    ASSERT_EQ(brantlet_SendSms(H(), "13812345678", "你好世界", 2), 1);
    ASSERT_EQ(brantlet_SendSignifySms(H(), "13812345678", "report me", 3), 1);
    ASSERT_TRUE(RunUntil([&] { return m_events.results.size() == 3; }, 10000));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(m_events.results[i].result, 1);
        EXPECT_EQ(m_events.results[i].index, i + 1);
        EXPECT_EQ(m_events.results[i].number, "13812345678");
    }
    EXPECT_EQ(m_events.results[1].text, "你好世界");

    std::vector<std::string> submits;
    for (const std::string& line : m_sim->LogLines()) {
        if (line.find("\"event\":\"submit\"") != std::string::npos)
            submits.push_back(line);
    }
    ASSERT_EQ(submits.size(), 3u);
    // The GSM alphabet and its extension table, as a phone shows them.
    EXPECT_NE(submits[0].find("\"number\":\"+8613812345678\",\"text\":\"hello $@_{€}\",\"status_report\":false"),
              std::string::npos)
        << submits[0];
    EXPECT_NE(submits[1].find("\"text\":\"你好世界\",\"status_report\":false,\"encoding\":\"ucs2\""), std::string::npos)
        << submits[1];
    EXPECT_NE(submits[2].find("\"text\":\"report me\",\"status_report\":true"), std::string::npos) << submits[2];

    // An incoming message, stamped with the current local time (the control checks the year).
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &t);
    ASSERT_EQ(m_sim->Control(std::string("deliver +8613912345678 ") + stamp + " 验证 1234567890123456"), "ok SM 1");
    ASSERT_TRUE(RunUntil([&] { return !m_events.received.empty(); }, 5000));
    EXPECT_EQ(m_events.received[0].number, "13912345678");
    EXPECT_EQ(m_events.received[0].text, "验证 1234567890123456");
    const int expected[6] = {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(m_events.received[0].time[i], expected[i]) << i;
    EXPECT_EQ(m_sim->Control("slots SM"), "ok SM=");

    // The delivery report of the third message (reference 3).
    ASSERT_EQ(m_sim->Control("report --time=2026-03-15T12:35:10+08:00 3"), "ok SM 1");
    ASSERT_TRUE(RunUntil([&] { return !m_events.reports.empty(); }, 5000));
    EXPECT_EQ(m_events.reports[0][0], "13812345678");
    EXPECT_EQ(m_events.reports[0][1].size(), 14u);
    EXPECT_EQ(m_events.reports[0][2], "20260315123510");
    EXPECT_EQ(m_sim->Control("slots SM"), "ok SM=");

    // Every typed event also reached the late-bound callback.
    EXPECT_EQ(m_events.lateDispids.size(), 1u + 3u + 1u + 1u);
    EXPECT_EQ(brantlet_DisconnectModem(H()), 1);
    EXPECT_STREQ(brantlet_GetConnectComName(H()), "");
    EXPECT_EQ(brantlet_IsConnected(H()), 0);
}

TEST_F(ControlOnSimulator, OtherStorageAndExtraNotificationFieldsStillDeliver)
{
    Connect();
    ASSERT_EQ(m_sim->Control("set deliver-storage ME"), "ok");
    ASSERT_EQ(m_sim->Control("quirk cmti-suffix ,\"extra\""), "ok");
    ASSERT_EQ(m_sim->Control("quirk urc-space on"), "ok");
    ASSERT_EQ(m_sim->Control("deliver 10086 now 余额 12.5"), "ok ME 1");
    ASSERT_TRUE(RunUntil([&] { return !m_events.received.empty(); }, 5000));
    EXPECT_EQ(m_events.received[0].number, "10086");
    EXPECT_EQ(m_events.received[0].text, "余额 12.5");
    EXPECT_EQ(m_sim->Control("slots"), "ok SM= ME= SR=");
}

TEST_F(ControlOnSimulator, InvokeByDispidDrivesTheModem)
{
    const brantlet_value connect[] = {
        {BRANTLET_VT_BSTR, 0, {.str = nullptr}}, {BRANTLET_VT_I4, 0, {.i4 = 19200}}, {BRANTLET_VT_I4, 0, {.i4 = 0}}};
    const std::string link = m_sim->Link();
    brantlet_value args[3] = {connect[0], connect[1], connect[2]};
    args[0].u.str = link.c_str();
    brantlet_value r{};
    ASSERT_EQ(brantlet_invoke(H(), BRANTLET_DISPID_ConnectModem, args, 3, &r), BRANTLET_OK);
    EXPECT_EQ(r.u.i4, 1);
    ASSERT_TRUE(RunUntil([&] { return !m_events.connect.empty(); }, 5000));
    ASSERT_EQ(brantlet_invoke(H(), BRANTLET_DISPID_IsConnected, nullptr, 0, &r), BRANTLET_OK);
    EXPECT_EQ(r.u.boolean, 1);
    brantlet_value send[3] = {
        {BRANTLET_VT_BSTR, 0, {.str = "10086"}}, {BRANTLET_VT_BSTR, 0, {.str = "ye"}}, {BRANTLET_VT_I2, 0, {.i2 = 9}}};
    ASSERT_EQ(brantlet_invoke(H(), BRANTLET_DISPID_SendSms, send, 3, &r), BRANTLET_OK);
    ASSERT_TRUE(RunUntil([&] { return !m_events.results.empty(); }, 5000));
    EXPECT_EQ(m_events.results[0].result, 1);
    EXPECT_EQ(m_events.results[0].index, 9);
}

TEST_F(ControlOnSimulator, FiveMissingPromptsDropTheConnection)
{
    Connect();
    brantlet_SetSendRate(H(), 1);
    ASSERT_EQ(m_sim->Control("prompt none"), "ok");
    for (int i = 1; i <= 5; ++i)
        ASSERT_EQ(brantlet_SendSms(H(), "13812345678", "x", i), 1);
    // Each send waits 15 s of silence for its prompt.
    ASSERT_TRUE(RunUntil([&] { return m_events.connect.size() == 2; }, 150000));
    ASSERT_EQ(m_events.results.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(m_events.results[i].result, -1);
        EXPECT_EQ(m_events.results[i].index, i + 1);
    }
    EXPECT_EQ(m_events.connect.back(), 0);
    EXPECT_EQ(brantlet_IsConnected(H()), 0);
}

TEST_F(ControlOnSimulator, ModemDyingMidSendIsReportedAndARestartReconnects)
{
    Connect();
    brantlet_SetSendRate(H(), 1);
    ASSERT_EQ(m_sim->Control("prompt none"), "ok");
    ASSERT_EQ(brantlet_SendSms(H(), "13812345678", "lost", 1), 1);
    brantlet_run_for(H(), 1000); // the send command is out, the prompt never comes
    const std::string folder = m_sim->Folder();
    m_sim->KeepFolder();
    m_sim.reset(); // killed
    ASSERT_TRUE(RunUntil([&] { return !m_events.results.empty(); }, 30000));
    EXPECT_EQ(m_events.results[0].result, -1);

    m_sim = std::make_unique<SimProcess>(folder);
    ASSERT_TRUE(m_sim->Started());
    m_events.connect.clear();
    Connect();
    ASSERT_EQ(brantlet_SendSms(H(), "13812345678", "back again", 2), 1);
    ASSERT_TRUE(RunUntil([&] { return m_events.results.size() == 2; }, 5000));
    EXPECT_EQ(m_events.results[1].result, 1);
}

// The value of "key":"..." in one log line (the simulator escapes no Chinese text).
std::string LogField(const std::string& line, const std::string& key)
{
    const std::string open = "\"" + key + "\":\"";
    const std::size_t at = line.find(open);
    if (at == std::string::npos)
        return {};
    const std::size_t begin = at + open.size();
    return line.substr(begin, line.find('"', begin) - begin);
}

TEST_F(ControlOnSimulator, LongChineseReplyArrivesAsLinkedPartsTheModemJoins)
{
    Connect();
    brantlet_SetSendRate(H(), 1);
    std::string text;
    for (int i = 0; i < 30; ++i)
        text += "您的防伪码验证通过谢谢"; // 300 characters
    ASSERT_EQ(brantlet_SendLongSms(H(), "13812345678", text.c_str(), 42, 0), 1);
    ASSERT_TRUE(RunUntil([&] { return !m_events.results.empty(); }, 20000));
    ASSERT_EQ(m_events.results.size(), 1u);
    EXPECT_EQ(m_events.results[0].result, 1);
    EXPECT_EQ(m_events.results[0].index, 42);
    EXPECT_EQ(m_events.results[0].text, text);

    // The simulator reads each part with its own decoder: 5 parts of one reference, in order.
    std::string joined;
    std::vector<std::string> headers;
    for (const std::string& line : m_sim->LogLines()) {
        if (line.find("\"event\":\"submit\"") == std::string::npos)
            continue;
        joined += LogField(line, "text");
        headers.push_back(LogField(line, "udh"));
    }
    ASSERT_EQ(headers.size(), 5u);
    for (std::size_t i = 0; i < headers.size(); ++i) {
        ASSERT_EQ(headers[i].size(), 12u) << headers[i];
        EXPECT_EQ(headers[i].substr(0, 6), "050003");
        EXPECT_EQ(headers[i].substr(6, 2), headers[0].substr(6, 2)); // one reference
        EXPECT_EQ(headers[i].substr(8, 4), "050" + std::to_string(i + 1));
    }
    EXPECT_EQ(joined, text);
}

TEST_F(ControlOnSimulator, PulledAndReplugedModemIsPickedUpAgainUnderItsName)
{
    Connect();
    const std::string device = m_sim->Device();
    const std::string hangup = m_sim->Control("hangup");
    ASSERT_EQ(hangup.rfind("ok /dev/", 0), 0u) << hangup;
    ASSERT_NE(hangup.substr(3), device); // a new device behind the same link
    ASSERT_TRUE(RunUntil([&] { return m_events.connect.size() == 3; }, 15000));
    EXPECT_EQ(m_events.connect, (std::vector<int>{1, 0, 1}));
    EXPECT_EQ(std::string(brantlet_GetConnectComName(H())), m_sim->Link());
    ASSERT_EQ(brantlet_SendSms(H(), "13812345678", "after the re-plug", 1), 1);
    ASSERT_TRUE(RunUntil([&] { return !m_events.results.empty(); }, 5000));
    EXPECT_EQ(m_events.results[0].result, 1);
}

TEST_F(ControlOnSimulator, SimWantingItsPinFailsTheConnectionAtOnceAndSaysSo)
{
    ASSERT_EQ(m_sim->Control("set sim pin"), "ok");
    ASSERT_EQ(brantlet_ConnectModem(H(), m_sim->Link().c_str(), 19200, 0), 1);
    ASSERT_TRUE(RunUntil([&] { return !m_events.connect.empty(); }, 10000));
    EXPECT_EQ(m_events.connect.back(), 0);
    EXPECT_EQ(brantlet_GetSimStatus(H()), BRANTLET_SIM_PIN_REQUIRED);

    ASSERT_EQ(m_sim->Control("set sim ready"), "ok");
    m_events.connect.clear();
    Connect();
    EXPECT_EQ(brantlet_GetSimStatus(H()), BRANTLET_SIM_READY);
}

TEST_F(ControlOnSimulator, FullStorageIsReadAndEmptiedWithoutWaitingForTheScan)
{
    Connect();
    brantlet_run_for(H(), 1500); // past the scan that follows the connect
    ASSERT_EQ(m_sim->Control("set capacity SM 3"), "ok");
    ASSERT_EQ(m_sim->Control("set when-full hold"), "ok");
    // Stored while the modem announced nothing: the control does not know of them.
    ASSERT_EQ(m_sim->Control("silence on"), "ok");
    for (int i = 1; i <= 3; ++i)
        ASSERT_EQ(m_sim->Control("deliver 1380000000" + std::to_string(i) + " now 存储" + std::to_string(i)),
                  "ok SM " + std::to_string(i));
    ASSERT_EQ(m_sim->Control("silence off"), "ok");
    brantlet_run_for(H(), 500);
    ASSERT_TRUE(m_events.received.empty());

    // The next message finds the memory full: +CMS ERROR: 322. The control reads and deletes
    // what is stored, which lets the held message in; the next scan is three minutes away.
    ASSERT_EQ(m_sim->Control("deliver 13900000000 now 第四条"), "ok SM held");
    ASSERT_TRUE(RunUntil([&] { return m_events.received.size() == 4; }, 20000)) << m_events.received.size();
    std::vector<std::string> texts;
    for (const auto& r : m_events.received)
        texts.push_back(r.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"存储1", "存储2", "存储3", "第四条"}));
    EXPECT_EQ(m_sim->Control("slots SM"), "ok SM=");
    EXPECT_EQ(m_events.connect, (std::vector<int>{1}));
}

TEST_F(ControlOnSimulator, AReadAnsweredWithAnErrorEndsAtOnceAndTheMessageIsReadLater)
{
    struct Case {
        const char* name;
        const char* fault;
        std::vector<int> connect; // a read that waits out its limit counts as a silent modem
    };
    const Case cases[] = {
        {"+CMS ERROR", "cms-error +CMGR 500 1", {1}},
        {"no answer (for contrast)", "ignore +CMGR 1", {1, 0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_events = Events{};
        Connect();
        brantlet_run_for(H(), 1500); // past the scan that follows the connect
        brantlet_SetResetAfterTimeouts(H(), 1);
        ASSERT_EQ(m_sim->Control(c.fault), "ok");
        ASSERT_EQ(m_sim->Control("deliver 13812345678 now 稍后读取"), "ok SM 1");
        brantlet_run_for(H(), 9000); // beyond the read's limit of 6 s and a reopening
        EXPECT_EQ(m_events.connect, c.connect);
        // The message stays stored until a list reads it again: here asked for at once.
        brantlet_SetRecvFlag(H(), 1);
        ASSERT_TRUE(RunUntil([&] { return !m_events.received.empty(); }, 10000));
        EXPECT_EQ(m_events.received.size(), 1u);
        EXPECT_EQ(m_events.received[0].text, "稍后读取");
        EXPECT_EQ(m_sim->Control("slots SM"), "ok SM=");
        brantlet_DisconnectModem(H());
    }
}

TEST_F(ControlOnSimulator, DestroyFromInsideAnEventIsDeferred)
{
    brantlet* h = m_handle.release();
    brantlet_on_ConnectStatus(
        h, [](void* u, int32_t) { brantlet_destroy(static_cast<brantlet*>(u)); }, h);
    ASSERT_EQ(brantlet_ConnectModem(h, m_sim->Link().c_str(), 19200, 0), 1);
    // run_for returns as soon as the handle is gone; nothing touches it afterwards.
    EXPECT_EQ(brantlet_run_for(h, 5000), BRANTLET_OK);
}

} // namespace

namespace {

// The plain C host sends, then receives what the simulator delivers once it is connected.
TEST(CHost, SendsAndReceivesThroughTheSimulator)
{
    SimProcess sim;
    ASSERT_TRUE(sim.Started());
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    const std::string link = sim.Link();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        close(out[0]);
        execl(BRANTLET_C_HOST_EXAMPLE, BRANTLET_C_HOST_EXAMPLE, link.c_str(), "13812345678", "hello from C", "10",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string text;
    auto waitFor = [&](const std::string& want) {
        char buf[256];
        for (int i = 0; i < 200 && text.find(want) == std::string::npos; ++i) {
            pollfd p{out[0], POLLIN, 0};
            if (poll(&p, 1, 100) > 0) {
                const ssize_t n = read(out[0], buf, sizeof buf);
                if (n <= 0)
                    break;
                text.append(buf, static_cast<std::size_t>(n));
            }
        }
        return text.find(want) != std::string::npos;
    };
    EXPECT_TRUE(waitFor("connected 1\n")) << text;
    EXPECT_TRUE(waitFor("result 1 1 13812345678 hello from C\n")) << text;
    EXPECT_TRUE(waitFor("tasks ")) << text;
    EXPECT_EQ(sim.Control("deliver 13912345678 now hi C"), "ok SM 1");
    EXPECT_TRUE(waitFor("received 13912345678 hi C ")) << text;
    int status = 0;
    waitpid(pid, &status, 0);
    close(out[0]);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << text;
    bool logged = false;
    for (const std::string& line : sim.LogLines())
        logged |= line.find("\"text\":\"hello from C\"") != std::string::npos;
    EXPECT_TRUE(logged);
}

} // namespace
