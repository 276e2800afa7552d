#include "termios_port.h"

#include "pty_pair.h"
#include "termios_probe.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

class TermiosPortTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_pty.Valid()); }

    std::string ReadPort(std::size_t count)
    {
        return ReadUntil([this](char* buffer, std::size_t size) { return m_port.Read(buffer, size); }, count);
    }

    LineProbe Probe()
    {
        LineProbe probe;
        EXPECT_TRUE(ProbeLine(m_pty.Master(), probe));
        return probe;
    }

    PtyPair m_pty;
    TermiosPort m_port;
};

TEST_F(TermiosPortTest, AnswersOfTheFiveOperations)
{
    char buffer[2000];
    EXPECT_EQ(m_port.Read(buffer, sizeof buffer), -1);
    EXPECT_EQ(m_port.Write("AT\r", 3), 0);
    m_port.DiscardOutput();
    EXPECT_TRUE(m_port.Close());

    ASSERT_TRUE(m_port.Open(m_pty.DeviceName(), 19200, 0));
    const auto before = Clock::now();
    EXPECT_EQ(m_port.Read(buffer, sizeof buffer), 0);
    EXPECT_LT(Clock::now() - before, milliseconds(100));

    m_pty.Send("\r\nOK\r\n");
    EXPECT_EQ(ReadPort(6), "\r\nOK\r\n");
    EXPECT_EQ(m_port.Write("ATE\r\n", 5), 0);
    EXPECT_EQ(m_pty.Receive(5), "ATE\r\n");

    // Binary bytes pass unchanged: no CR/LF translation, no flow-control characters.
    const std::string binary("\x00\x11\x13\x1A\r\n\x7F\xFF", 8);
    m_pty.Send(binary);
    EXPECT_EQ(ReadPort(binary.size()), binary);
    m_port.Write(binary.data(), binary.size());
    EXPECT_EQ(m_pty.Receive(binary.size()), binary);

    // One read hands over at most 1000 bytes, whatever the buffer.
    m_pty.Send(std::string(1500, 'x'));
    int queued = 0;
    for (int i = 0; i < 200 && queued < 1500; ++i) {
        ioctl(m_port.Descriptor(), FIONREAD, &queued);
        std::this_thread::sleep_for(milliseconds(5));
    }
    ASSERT_EQ(queued, 1500);
    EXPECT_EQ(m_port.Read(buffer, sizeof buffer), 1000);
    EXPECT_EQ(m_port.Read(buffer, sizeof buffer), 500);

    EXPECT_TRUE(m_port.Close());
    EXPECT_EQ(m_port.Read(buffer, sizeof buffer), -1);
    EXPECT_EQ(m_port.Write("AT\r", 3), 0);
    EXPECT_TRUE(m_port.Close());
    EXPECT_EQ(m_port.Descriptor(), -1);
}

TEST_F(TermiosPortTest, SetsTheBaudRateOfTheTable)
{
    struct Case {
        int requested;
        unsigned expected;
    };
    const Case cases[] = {
        {19200, 19200},   {14400, 19200},   {0, 19200},       {-9600, 19200},   {2400, 2400},
        {4800, 4800},     {9600, 9600},     {38400, 38400},   {57600, 57600},   {115200, 115200},
        {128000, 128000}, {230400, 230400}, {238000, 238000}, {256000, 256000}, {460800, 19200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.requested);
        ASSERT_TRUE(m_port.Open(m_pty.DeviceName(), c.requested, 1));
        const LineProbe line = Probe();
        EXPECT_EQ(line.baud, c.expected);
        EXPECT_EQ(TermiosPort::EffectiveBaud(c.requested), static_cast<int>(c.expected));
        // Raw 8N1 whatever the rate.
        EXPECT_TRUE(line.eightBits);
        EXPECT_FALSE(line.parity);
        EXPECT_FALSE(line.twoStopBits);
        EXPECT_FALSE(line.canonical);
        EXPECT_FALSE(line.echo);
        EXPECT_FALSE(line.softwareFlow);
        EXPECT_FALSE(line.outputProcessing);
        EXPECT_TRUE(line.ignoreCarrier);
        m_port.Close();
    }
}

TEST_F(TermiosPortTest, HandshakeFollowsTheModemType)
{
    struct Case {
        int modemType;
        bool rtsCts;
    };
    const Case cases[] = {{0, false}, {1, true}, {2, true}, {3, true}, {-1, true}, {0, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.modemType);
        ASSERT_TRUE(m_port.Open(m_pty.DeviceName(), 19200, c.modemType));
        EXPECT_EQ(Probe().rtsCtsHandshake, c.rtsCts);
        m_port.Close();
    }
}

TEST_F(TermiosPortTest, OpenIsExclusiveAndReopeningReleasesTheOldHandle)
{
    ASSERT_TRUE(m_port.Open(m_pty.DeviceName(), 19200, 1));
    TermiosPort second;
    EXPECT_FALSE(second.Open(m_pty.DeviceName(), 19200, 1));
    EXPECT_EQ(second.Descriptor(), -1);

    // Opening again without a close must not leave the first handle holding the device.
    ASSERT_TRUE(m_port.Open(m_pty.DeviceName(), 9600, 1));
    m_port.Close();
    EXPECT_TRUE(second.Open(m_pty.DeviceName(), 19200, 1));
}

TEST_F(TermiosPortTest, NamesThatAreNoSerialDeviceFail)
{
    char file[] = "/tmp/termios-port-test-XXXXXX";
    const int fd = mkstemp(file);
    ASSERT_GE(fd, 0);
    ::close(fd);
    for (const std::string& name : {std::string("COM1"), std::string(""), std::string("/dev/null"),
                                    std::string("/nonexistent/ttyUSB0"), std::string(file)}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(m_port.Open(name, 19200, 1));
        char buffer[16];
        EXPECT_EQ(m_port.Read(buffer, sizeof buffer), -1);
    }
    std::remove(file);
}

TEST_F(TermiosPortTest, AVanishedDeviceReadsNothingAndFailsWrites)
{
    ASSERT_TRUE(m_port.Open(m_pty.DeviceName(), 19200, 1));
    m_pty.Send("OK");
    EXPECT_EQ(ReadPort(2), "OK");
    char buffer[100];
    EXPECT_EQ(m_port.Read(buffer, sizeof buffer), 0);
    EXPECT_FALSE(m_port.Lost()); // idle is not gone
    m_pty.CloseMaster();

    const auto before = Clock::now();
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(m_port.Read(buffer, sizeof buffer), 0);
    }
    EXPECT_TRUE(m_port.Lost());
    EXPECT_EQ(m_port.Write("AT\r\n", 4), 1);
    m_port.DiscardOutput();
    EXPECT_TRUE(m_port.Close());
    EXPECT_FALSE(m_port.Lost());
    EXPECT_LT(Clock::now() - before, milliseconds(1000));
}

TEST_F(TermiosPortTest, AWriteNobodyTakesGivesUpAfter800Milliseconds)
{
    ASSERT_TRUE(m_port.Open(m_pty.DeviceName(), 19200, 0));
    const std::string big(1 << 20, 'x');
    const auto before = Clock::now();
    EXPECT_EQ(m_port.Write(big.data(), big.size()), 1);
    const auto took = Clock::now() - before;
    EXPECT_GE(took, milliseconds(750));
    EXPECT_LT(took, milliseconds(5000));
    // Closing with output stuck in the driver does not wait for it to drain.
    const auto closing = Clock::now();
    EXPECT_TRUE(m_port.Close());
    EXPECT_LT(Clock::now() - closing, milliseconds(1000));
}

// Fills the line until writes give up, optionally discards, and counts what the modem
// then gets.
std::size_t DeliveredAfterStuckWrite(bool discard)
{
    PtyPair pty;
    TermiosPort port;
    EXPECT_TRUE(port.Open(pty.DeviceName(), 19200, 0));
    const std::string big(100000, 'x');
    port.Write(big.data(), big.size());
    if (discard) {
        port.DiscardOutput();
    }
    const std::size_t delivered = pty.Receive(big.size(), milliseconds(300)).size();
    // The line still works afterwards.
    port.Write("AT\r", 3);
    EXPECT_EQ(pty.Receive(3), "AT\r");
    return delivered;
}

TEST(TermiosPortDiscard, DropsOutputTheModemHasNotTaken)
{
    const std::size_t kept = DeliveredAfterStuckWrite(false);
    const std::size_t afterDiscard = DeliveredAfterStuckWrite(true);
    EXPECT_LT(afterDiscard, kept);
}

} // namespace
