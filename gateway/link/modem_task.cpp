#include "modem_task.h"

#include "engine_text.h"
#include "serial_port.h"

CModemTask::CModemTask(CSerialPort* port, int type, int limit) : m_port(port), m_type(type), m_limit(limit) {}

CModemTask::~CModemTask() = default;

int CModemTask::Tick()
{
    ++m_ticks;
    if (IsFinished())
        return 0;
    if (m_ticks > m_limit) {
        m_timedOut = true;
        OnTimeout();
        return 0;
    }
    return 1;
}

void CModemTask::OnTimeout()
{
    m_state = kFailed;
}

void CModemTask::Restart()
{
    m_ticks = 0;
    m_state = 0;
    m_timedOut = false;
    m_buffer.clear();
}

void CModemTask::Write(std::string_view bytes)
{
    // A write to a closed or dead port is lost; the task then ends by its time limit.
    if (m_port != nullptr)
        m_port->Write(bytes);
}

void CModemTask::AppendToBuffer(std::string_view chunk)
{
    engine_text::AppendBounded(m_buffer, chunk);
}

bool CModemTask::BufferHas(std::string_view what) const
{
    return engine_text::Contains(m_buffer, what);
}
