#pragma once

#include "byte_port.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

// The control's one serial line to the modem. It keeps what must outlive a connection
// (the modem type, the message storage last selected on the modem) and hands the byte
// traffic to a BytePort: termios by default, a fake modem or a pty in tests.
class CSerialPort final {
public:
    CSerialPort();
    explicit CSerialPort(std::unique_ptr<BytePort> port);
    ~CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // True when the port is open and configured. Flow control follows the modem type.
    bool Open(const std::string& name, int baud);
    // -1 when not open; otherwise 0..BytePort::kReadChunk bytes, without waiting.
    int Read(char* buffer, std::size_t capacity);
    // 0 when written or when not open, 1 when the write failed or timed out.
    int Write(const char* bytes, std::size_t length);
    int Write(std::string_view bytes) { return Write(bytes.data(), bytes.size()); }
    // Throws away output still queued in the driver.
    void DiscardOutput();
    // Always true.
    bool Close();
    bool IsOpen() const { return m_open; }
    // Open, but the device behind it went away.
    bool Lost() const { return m_open && m_port->Lost(); }

    std::int32_t ModemType() const { return m_modemType; }
    void SetModemType(std::int32_t modemType) { m_modemType = modemType; }
    const std::string& SelectedStorage() const { return m_selectedStorage; }
    void SetSelectedStorage(std::string storage) { m_selectedStorage = std::move(storage); }

    BytePort& Port() { return *m_port; }

private:
    std::unique_ptr<BytePort> m_port;
    bool m_open = false;
    std::int32_t m_modemType = 0;
    std::string m_selectedStorage;
};
