#include "db_worker.h"

#include <algorithm>
#include <chrono>

DbWorker::DbWorker(Step step, Trouble trouble) : m_step(std::move(step)), m_trouble(std::move(trouble)) {}

DbWorker::~DbWorker()
{
    Stop();
}

void DbWorker::Start(std::deque<DbJob> first)
{
    {
        std::lock_guard lock(m_mutex);
        for (auto it = first.rbegin(); it != first.rend(); ++it)
            m_jobs.push_front(std::move(*it));
    }
    m_thread = std::thread(&DbWorker::Loop, this);
}

void DbWorker::Push(DbJob job)
{
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
}

bool DbWorker::Idle() const
{
    std::lock_guard lock(m_mutex);
    return m_jobs.empty();
}

void DbWorker::RunDone()
{
    m_handover.RunAll();
}

std::deque<DbJob> DbWorker::Stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable())
        m_thread.join();
    std::lock_guard lock(m_mutex);
    return std::move(m_jobs);
}

void DbWorker::Loop()
{
    int pauseMs = 0;
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [&] { return m_stopping || !m_jobs.empty(); });
        if (m_jobs.empty())
            return; // stopping, nothing left
        DbJob job = m_jobs.front();
        lock.unlock();
        std::string error;
        std::function<void()> then;
        const bool done = m_step(job, error, then);
        lock.lock();
        if (done) {
            m_jobs.pop_front();
            pauseMs = 0;
            if (then)
                m_handover.Hand(std::move(then));
            continue;
        }
        if (m_stopping)
            return; // one try at the stop; the rest is kept by the caller
        pauseMs = pauseMs <= 0 ? 500 : std::min(pauseMs * 2, 10000);
        const std::size_t waiting = m_jobs.size();
        lock.unlock();
        m_trouble(error, waiting, pauseMs);
        lock.lock();
        m_wake.wait_for(lock, std::chrono::milliseconds(pauseMs), [&] { return m_stopping; });
    }
}
