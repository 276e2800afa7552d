#pragma once

#include <functional>
#include <mutex>
#include <vector>

// Closures a worker thread hands to the host's loop: kept in order and announced on a
// descriptor the loop polls, then run on the loop's thread by RunAll.
class LoopHandover final {
public:
    LoopHandover();
    ~LoopHandover();
    LoopHandover(const LoopHandover&) = delete;
    LoopHandover& operator=(const LoopHandover&) = delete;

    // Readable while closures wait for RunAll.
    int NotifyFd() const { return m_notify; }
    // On the worker: keeps then and announces it.
    void Hand(std::function<void()> then);
    // On the loop's thread: runs the closures handed since, in their order.
    void RunAll();
    bool Empty() const;

private:
    int m_notify = -1;
    mutable std::mutex m_mutex;
    std::vector<std::function<void()>> m_done;
};
