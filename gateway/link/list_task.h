#pragma once

#include "modem_task.h"

class CTaskQueue;
class LinkClock;

// Lists the received messages in the modem's storage, unread first, then read, and queues
// a read task for every listed index.
class CListTask final : public CModemTask {
public:
    static constexpr int kLimit = 50;

    CListTask(CSerialPort* port, CTaskQueue* queue, const LinkClock* clock);

    void OnData(std::string_view chunk) override;

private:
    void QueueListedReads();

    CTaskQueue* m_queue;
    const LinkClock* m_clock;
};
