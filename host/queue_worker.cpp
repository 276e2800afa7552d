#include "queue_worker.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

QueueWorker::QueueWorker() : m_notify(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

QueueWorker::~QueueWorker()
{
    Stop();
    if (m_notify >= 0)
        close(m_notify);
}

void QueueWorker::Start()
{
    m_thread = std::thread(&QueueWorker::Loop, this);
}

void QueueWorker::Post(Task task)
{
    {
        std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
    }
    m_wake.notify_one();
}

bool QueueWorker::Idle() const
{
    std::lock_guard lock(m_mutex);
    return m_tasks.empty() && !m_running && m_done.empty();
}

void QueueWorker::RunDone()
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

void QueueWorker::Stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_tasks.clear();
    }
    m_wake.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}

void QueueWorker::Loop()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [&] { return m_stopping || !m_tasks.empty(); });
        if (m_stopping)
            return;
        Task task = std::move(m_tasks.front());
        m_tasks.pop_front();
        m_running = true;
        lock.unlock();
        std::function<void()> then = task();
        lock.lock();
        m_running = false;
        if (then) {
            m_done.push_back(std::move(then));
            const std::uint64_t one = 1;
            if (m_notify >= 0 && write(m_notify, &one, sizeof one) < 0) {
                // Only full after 2^64 - 1 announcements; RunDone picks the closure up anyway.
            }
        }
    }
}
