#include "queue_worker.h"


QueueWorker::QueueWorker() = default;

QueueWorker::~QueueWorker()
{
    Stop();
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
    return m_tasks.empty() && !m_running && m_handover.Empty();
}

void QueueWorker::RunDone()
{
    m_handover.RunAll();
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
        // Handed while the lock is held, so Idle never sees the task neither running nor done.
        if (then)
            m_handover.Hand(std::move(then));
        m_running = false;
    }
}
