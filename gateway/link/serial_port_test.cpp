#include "serial_port.h"

#include "pty_pair.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Records what reaches the byte port.
class RecordingPort final : public BytePort {
public:
    struct Opened {
        std::string name;
        int baud;
        int modemType;
    };

    bool Open(const std::string& name, int baud, int modemType) override
    {
        opened.push_back({name, baud, modemType});
        return openSucceeds;
    }
    int Read(char* buffer, std::size_t) override
    {
        ++reads;
        buffer[0] = 'x';
        return 1;
    }
    int Write(const char* bytes, std::size_t length) override
    {
        written.append(bytes, length);
        return 0;
    }
    void DiscardOutput() override { ++discards; }
    bool Close() override
    {
        ++closes;
        return true;
    }

    bool openSucceeds = true;
    std::vector<Opened> opened;
    std::string written;
    int reads = 0;
    int discards = 0;
    int closes = 0;
};

class SerialPortTest : public ::testing::Test {
protected:
    SerialPortTest()
    {
        auto port = std::make_unique<RecordingPort>();
        m_bytes = port.get();
        m_serial = std::make_unique<CSerialPort>(std::move(port));
    }

    RecordingPort* m_bytes = nullptr;
    std::unique_ptr<CSerialPort> m_serial;
};

TEST_F(SerialPortTest, AClosedPortAnswersWithoutTouchingTheLine)
{
    char buffer[1000];
    EXPECT_EQ(m_serial->Read(buffer, sizeof buffer), -1);
    EXPECT_EQ(m_serial->Write("AT\r\n"), 0);
    m_serial->DiscardOutput();
    EXPECT_TRUE(m_serial->Close());
    EXPECT_EQ(m_bytes->reads, 0);
    EXPECT_EQ(m_bytes->written, "");
    EXPECT_EQ(m_bytes->discards, 0);

    m_bytes->openSucceeds = false;
    EXPECT_FALSE(m_serial->Open("/dev/ttyUSB9", 19200));
    EXPECT_FALSE(m_serial->IsOpen());
    EXPECT_EQ(m_serial->Read(buffer, sizeof buffer), -1);
}

TEST_F(SerialPortTest, ModemTypeAndStorageSurviveCloseAndReopen)
{
    EXPECT_EQ(m_serial->ModemType(), 0);
    EXPECT_EQ(m_serial->SelectedStorage(), "");

    m_serial->SetModemType(2);
    ASSERT_TRUE(m_serial->Open("/dev/ttyUSB0", 115200));
    m_serial->SetSelectedStorage("SR");
    char buffer[1000];
    EXPECT_EQ(m_serial->Read(buffer, sizeof buffer), 1);
    EXPECT_EQ(m_serial->Write("AT+CMGR=1\r\n"), 0);
    m_serial->DiscardOutput();
    EXPECT_TRUE(m_serial->Close());
    EXPECT_FALSE(m_serial->IsOpen());

    ASSERT_TRUE(m_serial->Open("COM3", 9600));
    m_serial->SetModemType(-1); // takes effect at the next open only
    EXPECT_EQ(m_serial->SelectedStorage(), "SR");
    EXPECT_TRUE(m_serial->Close());
    ASSERT_TRUE(m_serial->Open("COM3", 9600));

    ASSERT_EQ(m_bytes->opened.size(), 3u);
    EXPECT_EQ(m_bytes->opened[0].name, "/dev/ttyUSB0");
    EXPECT_EQ(m_bytes->opened[0].baud, 115200);
    EXPECT_EQ(m_bytes->opened[0].modemType, 2);
    EXPECT_EQ(m_bytes->opened[1].modemType, 2);
    EXPECT_EQ(m_bytes->opened[2].modemType, -1);
    EXPECT_EQ(m_bytes->written, "AT+CMGR=1\r\n");
    EXPECT_EQ(m_bytes->discards, 1);
}

TEST(SerialPortOnTermios, TalksToADeviceByDefault)
{
    PtyPair pty;
    ASSERT_TRUE(pty.Valid());
    CSerialPort serial;
    ASSERT_TRUE(serial.Open(pty.DeviceName(), 19200));
    EXPECT_EQ(serial.Write("ATE\r\n"), 0);
    EXPECT_EQ(pty.Receive(5), "ATE\r\n");
    pty.Send("\r\nOK\r\n");
    EXPECT_EQ(ReadUntil([&](char* buffer, std::size_t size) { return serial.Read(buffer, size); }, 6), "\r\nOK\r\n");
    // A second control on the same line is refused.
    CSerialPort other;
    EXPECT_FALSE(other.Open(pty.DeviceName(), 19200));
}

} // namespace
