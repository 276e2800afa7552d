#include "init_task.h"

CInitTask::CInitTask(CSerialPort* port) : CModemTask(port, kInit, kLimit) {}

int CInitTask::Tick()
{
    ++m_ticks;
    if (m_state == kDone || m_state <= kFailed)
        return 0;
    if (m_state == 1 && m_ticks < 20) {
        m_state = 0;
        OnData({});
    }
    if (m_ticks > m_limit)
        m_state = kFailed;
    return 1;
}

void CInitTask::OnData(std::string_view chunk)
{
    // Ticks are deliberately not reset here: each step has 30 ticks from the previous one.
    m_limit = kLimit;
    if (!chunk.empty())
        AppendToBuffer(chunk);
    switch (m_state) {
    case 0:
        m_buffer.clear();
        Write("ATE\r\n");
        m_state = 1;
        break;
    case 1:
    case 2:
        if (BufferHas("OK")) {
            m_buffer.clear();
            m_ticks = 0;
            Write(m_state == 1 ? "AT+CMGF=0\r\n" : "AT+CSMS=1\r\n");
            ++m_state;
        } else if (BufferHas("ERROR")) {
            m_ticks = m_limit;
            m_state = kFailed;
        }
        break;
    case 3:
        if (BufferHas("OK")) {
            m_buffer.clear();
            // The reply to the notification setting is not awaited.
            Write("AT+CNMI=1,1,0,2,1\r\n");
            m_ticks = -15;
            m_state = kDone;
        } else if (BufferHas("ERROR")) {
            m_ticks = -10;
            m_state = kFailed;
        }
        break;
    default:
        break;
    }
}
