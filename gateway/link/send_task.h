#pragma once

#include <cstdint>
#include <string>

#include "message_record.h"
#include "modem_task.h"

// Submits one message in PDU mode: "AT+CMGS=<length>", wait for the ">" prompt, write the
// hex text with Ctrl-Z, wait for OK. Every chunk from the modem restarts the idle count, so
// the limits are idle times: 60 s in general, 15 s while the prompt is awaited.
class CSendTask final : public CModemTask {
public:
    static constexpr int kCreatedLimit = 860;
    static constexpr int kRunningLimit = 600;
    static constexpr int kPromptLimit = 150;

    CSendTask(CSerialPort* port, const MessageRecord& record, bool requestReport);
    // One part of a long message: the data unit is built already; group ties the parts
    // of one message together (never 0).
    CSendTask(CSerialPort* port, const MessageRecord& record, bool requestReport, std::string submitPdu,
              std::uint32_t group);

    int Tick() override;
    void OnData(std::string_view chunk) override;
    void OnTimeout() override;

    const MessageRecord& Record() const { return m_record; }
    bool RequestsReport() const { return m_requestReport; }
    // The ">" prompt never came.
    bool PromptTimedOut() const { return m_promptTimedOut; }
    const std::string& SubmitPdu() const { return m_submitPdu; }
    // 0 for a message of its own.
    std::uint32_t Group() const { return m_group; }

private:
    bool m_requestReport;
    bool m_promptTimedOut = false;
    std::string m_submitPdu;
    std::uint32_t m_group = 0;
    MessageRecord m_record;
};
