#pragma once

#include <string>
#include <string_view>

class CModemTask;
class CSerialPort;
class CTaskQueue;
class LinkClock;

// The link between the port and the task queue: polls the port, keeps the receive buffer
// in which unsolicited notifications are found, and feeds the current task. The current
// task is always the head of the queue while it runs; the link does not own it.
class CModemLink final {
public:
    CModemLink(CSerialPort* port, CTaskQueue* queue, const LinkClock* clock);

    // 0 until the port is opened for the first time, 1 from then on.
    bool IsActive() const { return m_active; }
    // After a successful open: forget any current task, become active, empty the buffer.
    void Activate();

    // One read of up to 1000 bytes. Data go to the receive buffer and its notification
    // scanner, then to the current task. True when at least one byte arrived.
    bool Poll();

    CModemTask* Current() const { return m_current; }
    void SetCurrent(CModemTask* task) { m_current = task; }
    const std::string& ReceiveBuffer() const { return m_receiveBuffer; }

    // Queues a read task for the first +CMTI (received message) or +CDSI (delivery report)
    // notification in the receive buffer, cutting it out; keeps an incomplete one for the
    // next read; empties the buffer when there is none. One notification per call.
    void ScanNotifications();

private:
    bool QueueReadFor(std::size_t at, std::size_t crFrom, int reportFlag);

    CSerialPort* m_port;
    CTaskQueue* m_queue;
    const LinkClock* m_clock;
    std::string m_receiveBuffer;
    CModemTask* m_current = nullptr;
    bool m_active = false;
};
