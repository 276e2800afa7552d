#pragma once

#include "byte_port.h"

#include <string>

// A serial device through termios: exclusive, raw 8N1, non-blocking reads, writes
// bounded to 800 ms. Baud rates outside the classic table go through BOTHER.
class TermiosPort final : public BytePort {
public:
    static constexpr int kWriteTimeoutMs = 800;

    TermiosPort() = default;
    ~TermiosPort() override;
    TermiosPort(const TermiosPort&) = delete;
    TermiosPort& operator=(const TermiosPort&) = delete;

    bool Open(const std::string& name, int baud, int modemType) override;
    int Read(char* buffer, std::size_t capacity) override;
    int Write(const char* bytes, std::size_t length) override;
    void DiscardOutput() override;
    bool Close() override;
    bool Lost() const override { return m_lost; }

    // The rate Open programs for a requested baud value (19200 for anything unknown).
    static int EffectiveBaud(int baud);
    // The open descriptor, or -1.
    int Descriptor() const { return m_fd; }

private:
    int m_fd = -1;
    bool m_lost = false;
};
