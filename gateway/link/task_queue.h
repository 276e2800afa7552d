#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>

#include "modem_task.h"

// The ordered, owning list of modem tasks. New tasks go to the tail; the engine starts the
// head and removes a task only once it has finished. Removing or clearing destroys tasks.
class CTaskQueue final {
public:
    CTaskQueue();
    ~CTaskQueue();
    CTaskQueue(const CTaskQueue&) = delete;
    CTaskQueue& operator=(const CTaskQueue&) = delete;

    // Returns the task, still owned by the queue.
    CModemTask* Append(std::unique_ptr<CModemTask> task);
    CModemTask* Prepend(std::unique_ptr<CModemTask> task);
    // nullptr when empty.
    CModemTask* Head() const;
    // Hands the task over to the caller; nullptr if the queue does not hold it.
    std::unique_ptr<CModemTask> Take(const CModemTask* task);
    // Destroys the task if the queue holds it; false otherwise.
    bool Remove(const CModemTask* task);
    void Clear();
    // Destroys every task that matches; the number destroyed.
    std::size_t RemoveWhere(const std::function<bool(const CModemTask&)>& match);

    std::size_t Count() const { return m_tasks.size(); }
    bool IsEmpty() const { return m_tasks.empty(); }
    bool HoldsType(int type) const;
    // The task at position i (0 = head), nullptr past the end; for inspection.
    CModemTask* At(std::size_t i) const;
    // Goes up with every Clear, so a caller that raised events can tell whether the tasks
    // it was holding on to were destroyed meanwhile.
    std::uint64_t Generation() const { return m_generation; }

private:
    std::list<std::unique_ptr<CModemTask>> m_tasks;
    std::uint64_t m_generation = 0;
};
