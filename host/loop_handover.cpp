#include "loop_handover.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

LoopHandover::LoopHandover() : m_notify(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

LoopHandover::~LoopHandover()
{
    if (m_notify >= 0)
        close(m_notify);
}

void LoopHandover::Hand(std::function<void()> then)
{
    {
        std::lock_guard lock(m_mutex);
        m_done.push_back(std::move(then));
    }
    const std::uint64_t one = 1;
    if (m_notify >= 0 && write(m_notify, &one, sizeof one) < 0) {
        // Only full after 2^64 - 1 announcements; RunAll picks the closure up anyway.
    }
}

void LoopHandover::RunAll()
{
    std::uint64_t count = 0;
    if (m_notify >= 0 && read(m_notify, &count, sizeof count) < 0) {
        // Nothing announced (EAGAIN): the list is looked at anyway, it costs a lock.
    }
    std::vector<std::function<void()>> done;
    {
        std::lock_guard lock(m_mutex);
        done.swap(m_done);
    }
    for (auto& then : done)
        then();
}

bool LoopHandover::Empty() const
{
    std::lock_guard lock(m_mutex);
    return m_done.empty();
}
