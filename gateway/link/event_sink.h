#pragma once

#include <cstdint>
#include <string>

// The four events of the control, raised synchronously from inside the engine tick. Texts
// are GBK bytes. A handler may call back into the engine (even pump its loop); the engine
// passes copies it no longer needs, so a handler cannot pull text out from under itself.
class EventSink {
public:
    virtual ~EventSink() = default;

    // 1: the modem accepted the initialisation; 0: it failed, or the modem stopped giving
    // the send prompt.
    virtual void ConnectStatus(std::int32_t status) = 0;
    // result 1 sent, -1 no prompt, 0 error answer or time-out; number and content as queued.
    virtual void SendSmsResult(std::int16_t result, std::int32_t index, const std::string& number,
                               const std::string& content) = 0;
    virtual void Recvsms(const std::string& number, const std::string& content, std::int16_t year, std::int16_t month,
                         std::int16_t day, std::int16_t hour, std::int16_t minute, std::int16_t second) = 0;
    // Times are "20YYMMDDhhmmss" or empty.
    virtual void SendReport(const std::string& number, const std::string& sendTime, const std::string& recvTime) = 0;
};
