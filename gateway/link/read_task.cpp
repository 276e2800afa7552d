#include "read_task.h"

#include <utility>

#include "engine_text.h"
#include "serial_port.h"

CReadTask::CReadTask(CSerialPort* port, const LinkClock* clock, std::string storage, int index, int reportFlag)
    : CModemTask(port, kRead, kDefaultLimit),
      m_clock(clock),
      m_storage(std::move(storage)),
      m_index(index),
      m_reportFlag(reportFlag)
{}

void CReadTask::OnData(std::string_view chunk)
{
    if (m_index < 0)
        return;
    m_ticks = 0;
    AppendToBuffer(chunk);
    const std::string readCommand = "AT+CMGR=" + std::to_string(m_index) + "\r\n";
    switch (m_state) {
    case 0:
        if (m_port != nullptr && m_port->SelectedStorage() != m_storage) {
            Write("AT+CPMS=\"" + m_storage + "\"\r\n");
            m_port->SetSelectedStorage(m_storage);
            m_buffer.clear();
            m_state = 1;
        } else {
            Write(readCommand);
            m_buffer.clear();
            m_state = 2;
        }
        break;
    case 1:
        // Any part of the storage reply will do.
        Write(readCommand);
        m_buffer.clear();
        m_state = 2;
        break;
    case 2:
        ReadReply();
        break;
    case 3:
        if (BufferHas("OK\r\n") || engine_text::HasErrorAnswer(m_buffer)) {
            m_ticks = 0;
            m_state = kDone;
        }
        break;
    default:
        break;
    }
}

void CReadTask::ReadReply()
{
    const std::size_t begin = m_buffer.find("\r\n+CMGR:");
    if (begin == std::string::npos) {
        // An extended error ("+CMS ERROR: 321", an empty slot) ends the read as well.
        if (engine_text::HasErrorAnswer(m_buffer)) {
            m_ticks = 0;
            m_buffer.clear();
            m_state = kFailed;
        }
        return;
    }
    static constexpr std::string_view kOk = "\r\nOK\r\n";
    const std::size_t ok = m_buffer.find(kOk, begin);
    if (ok == std::string::npos)
        return;
    const std::string reply = m_buffer.substr(begin, ok + kOk.size() - begin);
    if (reply.size() > 30 && m_clock != nullptr) {
        if (DecodeReadResponse(reply, *m_clock, m_record, m_report, &m_part))
            m_reportFlag = 1;
    }
    m_buffer.clear();
    Write("AT+CMGD=" + std::to_string(m_index) + "\r\n");
    m_state = 3;
}
