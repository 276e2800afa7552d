#include "recording_event_sink.h"

#include <utility>

void RecordingEventSink::Record(std::string line)
{
    log.push_back(std::move(line));
    if (onEvent)
        onEvent();
}

void RecordingEventSink::ConnectStatus(std::int32_t status)
{
    connectStatus.push_back(status);
    Record("ConnectStatus " + std::to_string(status));
}

void RecordingEventSink::SendSmsResult(std::int16_t result, std::int32_t index, const std::string& number,
                                       const std::string& content)
{
    sendResults.push_back({result, index, number, content});
    Record("SendSmsResult " + std::to_string(result) + " " + std::to_string(index));
}

void RecordingEventSink::Recvsms(const std::string& number, const std::string& content, std::int16_t year,
                                 std::int16_t month, std::int16_t day, std::int16_t hour, std::int16_t minute,
                                 std::int16_t second)
{
    received.push_back({number, content, year, month, day, hour, minute, second});
    Record("Recvsms " + number);
}

void RecordingEventSink::SendReport(const std::string& number, const std::string& sendTime, const std::string& recvTime)
{
    reports.push_back({number, sendTime, recvTime});
    Record("SendReport " + number);
}

void RecordingEventSink::Clear()
{
    connectStatus.clear();
    sendResults.clear();
    received.clear();
    reports.clear();
    log.clear();
}
