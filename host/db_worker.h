#pragma once

#include "held_work.h"
#include "loop_handover.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

// The host's database work on a thread of its own, so a database that is slow, locked by
// another writer or away never holds up the modems. Jobs run one at a time in the order
// given; a job that fails (the database busy or unreachable) stays first and is tried again
// after a growing pause (0.5 s doubling to 10 s), so none is lost or overtaken. What a job
// has to hand back to the loop comes as a closure the loop runs (RunDone), announced on a
// descriptor the loop polls.
class DbWorker final {
public:
    // Runs on the worker: does the job, or answers false with the cause. then, if set,
    // runs afterwards on the loop's thread.
    using Step = std::function<bool(DbJob& job, std::string& error, std::function<void()>& then)>;
    // Runs on the worker after a failure: the cause, the jobs waiting, the pause before the
    // next try.
    using Trouble = std::function<void(const std::string& error, std::size_t waiting, int pauseMs)>;

    DbWorker(Step step, Trouble trouble);
    ~DbWorker();
    DbWorker(const DbWorker&) = delete;
    DbWorker& operator=(const DbWorker&) = delete;

    // Starts the thread with the jobs given (work kept over a stop) in front.
    void Start(std::deque<DbJob> first);
    void Push(DbJob job);
    // Readable while closures of finished jobs wait for RunDone.
    int NotifyFd() const { return m_handover.NotifyFd(); }
    // On the loop's thread: runs the closures of the jobs done since, in their order.
    void RunDone();
    // Nothing waits and nothing runs.
    bool Idle() const;
    // Tries what waits at once (a pause is cut short), stops at the first failure and
    // ends the thread. What was not done, in order.
    std::deque<DbJob> Stop();

private:
    void Loop();

    Step m_step;
    Trouble m_trouble;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<DbJob> m_jobs; // the first one stays until it is done
    LoopHandover m_handover;
    bool m_stopping = false;
    std::thread m_thread;
};
