#include "send_task.h"

#include <utility>

#include "pdu_codec.h"
#include "serial_port.h"

CSendTask::CSendTask(CSerialPort* port, const MessageRecord& record, bool requestReport)
    : CModemTask(port, kSend, kCreatedLimit), m_requestReport(requestReport), m_record(record)
{}

int CSendTask::Tick()
{
    if (CModemTask::Tick() == 0)
        return 0;
    if (m_state == 1 && m_ticks > kPromptLimit) {
        m_timedOut = true;
        OnTimeout();
        m_promptTimedOut = true;
        return 0;
    }
    return 1;
}

CSendTask::CSendTask(CSerialPort* port, const MessageRecord& record, bool requestReport, std::string submitPdu,
                     std::uint32_t group)
    : CModemTask(port, kSend, kCreatedLimit),
      m_requestReport(requestReport),
      m_submitPdu(std::move(submitPdu)),
      m_group(group),
      m_record(record)
{}

void CSendTask::OnData(std::string_view chunk)
{
    m_limit = kRunningLimit;
    m_ticks = 0;
    AppendToBuffer(chunk);
    switch (m_state) {
    case 0:
        if (m_group == 0)
            m_submitPdu = BuildSubmitPdu(m_record, m_requestReport);
        m_buffer.clear();
        Write("AT+CMGS=" + std::to_string(SubmitCommandLength(m_submitPdu)) + "\r");
        m_record.result = 1;
        m_state = 1;
        break;
    case 1:
        if (BufferHas(">")) {
            Write(m_submitPdu + "\x1A\r");
            m_record.result = 2;
            m_buffer.clear();
            m_state = 2;
        } else if (BufferHas("ERROR")) {
            m_record.result = kModemError;
            m_buffer.clear();
            m_ticks = 0;
            m_state = kModemError;
        }
        break;
    case 2:
        if (BufferHas("OK")) {
            m_buffer.clear();
            m_ticks = 0;
            m_record.result = kDone;
            m_state = kDone;
        } else if (BufferHas("ERROR")) {
            // Whatever of the message is still queued for the modem would be read as a
            // command once the modem is back in command mode.
            if (m_port != nullptr)
                m_port->DiscardOutput();
            m_record.result = kModemError;
            m_buffer.clear();
            m_ticks = 0;
            m_state = kModemError;
        }
        break;
    default:
        break;
    }
}

void CSendTask::OnTimeout()
{
    m_state = kFailed;
    m_record.result = kFailed;
}
