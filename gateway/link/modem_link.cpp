#include "modem_link.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "byte_port.h"
#include "engine_text.h"
#include "list_task.h"
#include "modem_task.h"
#include "read_task.h"
#include "serial_port.h"
#include "task_queue.h"

CModemLink::CModemLink(CSerialPort* port, CTaskQueue* queue, const LinkClock* clock)
    : m_port(port), m_queue(queue), m_clock(clock)
{}

void CModemLink::Activate()
{
    m_current = nullptr;
    m_active = true;
    m_receiveBuffer.clear();
}

bool CModemLink::Poll()
{
    char bytes[BytePort::kReadChunk];
    const int count = m_port->Read(bytes, sizeof bytes);
    if (count < 1)
        return false;
    const std::size_t size = std::min(static_cast<std::size_t>(count), sizeof bytes);
    // Modem output is text: whatever follows a zero byte is not looked at.
    const std::string_view chunk(bytes, strnlen(bytes, size));
    engine_text::AppendBounded(m_receiveBuffer, chunk);
    ScanNotifications();
    if (m_current != nullptr)
        m_current->OnData(chunk);
    return true;
}

void CModemLink::ScanNotifications()
{
    // Storage full, whatever command it answered: the modem takes no further message until
    // slots are freed, so everything stored is read and deleted now rather than at the next
    // scan three minutes on.
    static constexpr std::string_view kStorageFull = "+CMS ERROR: 322";
    if (const std::size_t full = m_receiveBuffer.find(kStorageFull); full != std::string::npos) {
        const std::size_t end = m_receiveBuffer.find('\r', full);
        if (end != std::string::npos) {
            m_receiveBuffer.erase(full, end - full);
            if (!m_queue->HoldsType(CModemTask::kList))
                m_queue->Append(std::make_unique<CListTask>(m_port, m_queue, m_clock));
        }
    }
    const std::size_t message = m_receiveBuffer.find("+CMTI");
    if (message != std::string::npos) {
        QueueReadFor(message, message + 10, 0);
        return;
    }
    // Also matches "+CDSI".
    const std::size_t report = m_receiveBuffer.find("+CDS");
    if (report != std::string::npos) {
        QueueReadFor(report, report + 5, 1);
        return;
    }
    m_receiveBuffer.clear();
}

// A notification reads +CMTI: "SM",3\r (or +CDSI: ...): the storage name starts 8
// characters in, inside the quotes, and the index follows the comma.
bool CModemLink::QueueReadFor(std::size_t at, std::size_t crFrom, int reportFlag)
{
    const std::size_t cr = m_receiveBuffer.find('\r', crFrom);
    if (cr == std::string::npos)
        return false; // the rest of the line comes with a later read
    const std::size_t comma = m_receiveBuffer.find(',', at);
    const bool wellFormed = comma != std::string::npos && comma < cr;
    std::string storage;
    int index = 0;
    if (wellFormed) {
        const std::size_t storageBegin = at + 8;
        if (comma > storageBegin + 1)
            storage = m_receiveBuffer.substr(storageBegin, comma - 1 - storageBegin);
        index = engine_text::ParseDecimal(std::string_view(m_receiveBuffer).substr(comma + 1, cr - comma - 1));
    }
    m_receiveBuffer.erase(at, cr - at);
    // A line with no comma before its end names no index: it is dropped, not guessed at.
    if (!wellFormed)
        return false;
    m_queue->Append(std::make_unique<CReadTask>(m_port, m_clock, storage, index, reportFlag));
    return true;
}
