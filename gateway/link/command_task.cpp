#include "command_task.h"

#include <utility>

CCommandTask::CCommandTask(CSerialPort* port, std::string command)
    : CModemTask(port, kCommand, kDefaultLimit), m_command(std::move(command))
{}

void CCommandTask::OnData(std::string_view chunk)
{
    if (!chunk.empty()) {
        m_ticks = 0;
        AppendToBuffer(chunk);
    }
    switch (m_state) {
    case 0:
        Write(m_command);
        m_state = 1;
        break;
    case 1:
        if (BufferHas("OK")) {
            m_buffer.clear();
            m_state = kDone;
            m_ticks = 15;
        } else if (BufferHas("ERROR")) {
            m_buffer.clear();
            m_state = kModemError;
            m_ticks = 15;
        }
        break;
    default:
        break;
    }
}
