#pragma once

#include "loop_handover.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// The queue's database work (reading, claiming, keeping the leases) on a thread of its own,
// so a statement waiting for another writer's lock never holds up the modems. Tasks run one
// at a time in the order posted; what a task has to hand back to the loop is a closure the
// loop runs (RunDone), announced on a descriptor the loop polls. A task that fails says so
// in its closure; it is not repeated here, the loop posts it again when it is due.
class QueueWorker final {
public:
    // Runs on the worker; the closure it answers (may be empty) runs on the loop's thread.
    using Task = std::function<std::function<void()>()>;

    QueueWorker();
    ~QueueWorker();
    QueueWorker(const QueueWorker&) = delete;
    QueueWorker& operator=(const QueueWorker&) = delete;

    void Start();
    void Post(Task task);
    // Readable while closures of finished tasks wait for RunDone.
    int NotifyFd() const { return m_handover.NotifyFd(); }
    // On the loop's thread: runs the closures of the tasks done since, in their order.
    void RunDone();
    // Nothing waits, nothing runs, and no closure waits for RunDone.
    bool Idle() const;
    // Lets the task running finish, drops those not started, ends the thread. Closures of
    // finished tasks still wait for RunDone.
    void Stop();

private:
    void Loop();

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Task> m_tasks;
    bool m_running = false; // a task taken from m_tasks is being run
    LoopHandover m_handover;
    bool m_stopping = false;
    std::thread m_thread;
};
