#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "event_sink.h"

// Keeps every event for tests to inspect, in order, and can run a hook inside each event
// (to call back into the engine the way a host's handler would).
class RecordingEventSink final : public EventSink {
public:
    struct SendResult {
        std::int16_t result;
        std::int32_t index;
        std::string number;
        std::string text;
    };
    struct Received {
        std::string number;
        std::string text;
        std::int16_t year, month, day, hour, minute, second;
    };
    struct Report {
        std::string number;
        std::string sendTime;
        std::string recvTime;
    };

    void ConnectStatus(std::int32_t status) override;
    void SendSmsResult(std::int16_t result, std::int32_t index, const std::string& number,
                       const std::string& content) override;
    void Recvsms(const std::string& number, const std::string& content, std::int16_t year, std::int16_t month,
                 std::int16_t day, std::int16_t hour, std::int16_t minute, std::int16_t second) override;
    void SendReport(const std::string& number, const std::string& sendTime, const std::string& recvTime) override;

    void Clear();

    std::vector<std::int32_t> connectStatus;
    std::vector<SendResult> sendResults;
    std::vector<Received> received;
    std::vector<Report> reports;
    // One line per event in order, e.g. "ConnectStatus 1", "SendSmsResult 1 7".
    std::vector<std::string> log;
    // Runs inside every event, after it was recorded.
    std::function<void()> onEvent;

private:
    void Record(std::string line);
};
