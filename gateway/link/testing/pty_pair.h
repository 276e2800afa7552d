#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

// Test helper: a pseudo-terminal whose slave side plays the modem's serial device. The
// slave is closed again at once so the port under test can open it by name, alone.
class PtyPair final {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Valid() const { return m_master >= 0; }
    const std::string& DeviceName() const { return m_deviceName; }
    int Master() const { return m_master; }

    // What the modem sends.
    void Send(const std::string& bytes);
    // What the modem received, waiting until `count` bytes came or the time ran out.
    std::string Receive(std::size_t count, std::chrono::milliseconds wait = std::chrono::milliseconds(2000));
    // The modem vanishes: its end of the line is closed.
    void CloseMaster();

private:
    int m_master = -1;
    std::string m_deviceName;
};

// Calls a port's read until `count` bytes came or the time ran out.
std::string ReadUntil(const std::function<int(char*, std::size_t)>& read, std::size_t count,
                      std::chrono::milliseconds wait = std::chrono::milliseconds(2000));
