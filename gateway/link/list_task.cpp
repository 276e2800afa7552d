#include "list_task.h"

#include <memory>
#include <string>

#include "engine_text.h"
#include "read_task.h"
#include "task_queue.h"

namespace {
constexpr std::string_view kOk = "\r\nOK\r\n";
constexpr std::string_view kError = "\r\nERROR\r\n";
} // namespace

CListTask::CListTask(CSerialPort* port, CTaskQueue* queue, const LinkClock* clock)
    : CModemTask(port, kList, kLimit), m_queue(queue), m_clock(clock)
{}

void CListTask::OnData(std::string_view chunk)
{
    m_ticks = 0;
    AppendToBuffer(chunk);
    switch (m_state) {
    case 0:
        m_buffer.clear();
        Write("AT+CMGL=0\r\n"); // received unread
        m_state = 1;
        break;
    case 1:
        if (BufferHas(kOk)) {
            QueueListedReads();
            m_buffer.clear();
            Write("AT+CMGL=1\r\n"); // received read
            m_state = 2;
        } else if (BufferHas("+CMGL:") && BufferHas(kError)) {
            m_buffer.clear();
            Write("AT+CMGL=1\r\n");
            m_state = 2;
        }
        break;
    case 2:
        if (BufferHas(kOk)) {
            QueueListedReads();
            m_buffer.clear();
            m_state = kDone;
        } else if (BufferHas("+CMGL:") && BufferHas(kError)) {
            m_state = kDone;
        }
        break;
    default:
        break;
    }
}

void CListTask::QueueListedReads()
{
    const std::size_t first = m_buffer.find("+CMGL:");
    if (first == std::string::npos)
        return;
    const std::size_t ok = m_buffer.find(kOk, first);
    if (ok == std::string::npos)
        return;
    const std::string_view listing = std::string_view(m_buffer).substr(first, ok - first);
    static constexpr std::string_view kEntry = "+CMGL: ";
    std::size_t pos = 0;
    for (;;) {
        const std::size_t entry = listing.find(kEntry, pos);
        if (entry == std::string_view::npos)
            break;
        const std::size_t comma = listing.find(',', entry + kEntry.size());
        if (comma == std::string_view::npos)
            break;
        const int index =
            engine_text::ParseDecimal(listing.substr(entry + kEntry.size(), comma - entry - kEntry.size()));
        // Listed items are always read from "SM", whatever storage the listing covered.
        m_queue->Append(std::make_unique<CReadTask>(m_port, m_clock, "SM", index, 0));
        m_ticks = 0;
        pos = comma + 1;
    }
}
