#pragma once

#include <cstddef>
#include <string>

// The five operations the modem session needs from a serial line. The termios binding,
// a pseudo-terminal or a scripted fake modem stand behind it.
class BytePort {
public:
    static constexpr std::size_t kReadChunk = 1000;

    virtual ~BytePort() = default;

    // Opens the named device; modemType picks the flow control. True when open.
    virtual bool Open(const std::string& name, int baud, int modemType) = 0;
    // -1 when not open; otherwise 0..kReadChunk bytes read without waiting (0 on failure).
    virtual int Read(char* buffer, std::size_t capacity) = 0;
    // 0 when written or when not open, 1 when the write failed.
    virtual int Write(const char* bytes, std::size_t length) = 0;
    virtual void DiscardOutput() = 0;
    // Always true.
    virtual bool Close() = 0;
    // The device went away while open (unplugged, hung up); only a new Open helps.
    virtual bool Lost() const { return false; }
};
