#include "task_queue.h"

#include <utility>

CTaskQueue::CTaskQueue() = default;

CTaskQueue::~CTaskQueue() = default;

CModemTask* CTaskQueue::Append(std::unique_ptr<CModemTask> task)
{
    m_tasks.push_back(std::move(task));
    return m_tasks.back().get();
}

CModemTask* CTaskQueue::Prepend(std::unique_ptr<CModemTask> task)
{
    m_tasks.push_front(std::move(task));
    return m_tasks.front().get();
}

CModemTask* CTaskQueue::Head() const
{
    return m_tasks.empty() ? nullptr : m_tasks.front().get();
}

std::unique_ptr<CModemTask> CTaskQueue::Take(const CModemTask* task)
{
    for (auto it = m_tasks.begin(); it != m_tasks.end(); ++it) {
        if (it->get() == task) {
            std::unique_ptr<CModemTask> taken = std::move(*it);
            m_tasks.erase(it);
            return taken;
        }
    }
    return nullptr;
}

bool CTaskQueue::Remove(const CModemTask* task)
{
    for (auto it = m_tasks.begin(); it != m_tasks.end(); ++it) {
        if (it->get() == task) {
            // Unlink before destroying, so a destructor never sees a half-removed queue.
            std::unique_ptr<CModemTask> doomed = std::move(*it);
            m_tasks.erase(it);
            return true;
        }
    }
    return false;
}

void CTaskQueue::Clear()
{
    ++m_generation;
    std::list<std::unique_ptr<CModemTask>> doomed;
    doomed.swap(m_tasks);
}

std::size_t CTaskQueue::RemoveWhere(const std::function<bool(const CModemTask&)>& match)
{
    std::list<std::unique_ptr<CModemTask>> doomed;
    for (auto it = m_tasks.begin(); it != m_tasks.end();) {
        if (match(**it)) {
            doomed.push_back(std::move(*it));
            it = m_tasks.erase(it);
        } else {
            ++it;
        }
    }
    return doomed.size();
}

bool CTaskQueue::HoldsType(int type) const
{
    for (const auto& task : m_tasks) {
        if (task->Type() == type)
            return true;
    }
    return false;
}

CModemTask* CTaskQueue::At(std::size_t i) const
{
    for (const auto& task : m_tasks) {
        if (i-- == 0)
            return task.get();
    }
    return nullptr;
}
