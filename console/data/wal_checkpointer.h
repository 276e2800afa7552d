#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

struct sqlite3;

// Copies a SQLite file's write-ahead log back into the database from a thread of its own,
// through a connection of its own to the same file, so that the thread that commits never
// waits for a checkpoint. Checkpoints are PASSIVE: they never wait for, nor block, the
// committing connection or other processes on the file.
class WalCheckpointer final {
public:
    struct Stats {
        std::uint64_t runs = 0;    // checkpoints finished, the final one at Stop included
        int lastLogFrames = -1;    // frames in the log at the last checkpoint
        int lastCheckpointed = -1; // of which were in the database after it
        int lastResult = 0;        // SQLite's answer to the last checkpoint
    };

    static constexpr int kBusyTimeoutMs = 10000;

    WalCheckpointer() = default;
    ~WalCheckpointer();
    WalCheckpointer(const WalCheckpointer&) = delete;
    WalCheckpointer& operator=(const WalCheckpointer&) = delete;

    // Opens the worker's connection to path and starts the thread; false (nothing running)
    // when the connection cannot be opened, the file keeps no log or SQLite is built
    // without threads.
    bool Start(const std::string& path);
    // Runs one final checkpoint, closes the worker's connection and joins the thread.
    void Stop();
    bool Running() const { return m_thread.joinable(); }

    // Asks for a checkpoint; requests made while one is pending or running coalesce.
    void Request();

    Stats CurrentStats() const;
    // Waits until at least runs checkpoints have finished; false when timeout passes first.
    bool WaitForRuns(std::uint64_t runs, std::chrono::milliseconds timeout) const;

private:
    void Run();
    void Checkpoint();

    sqlite3* m_db = nullptr; // used by the worker thread only once it is started
    std::thread m_thread;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_wake;
    mutable std::condition_variable m_done;
    bool m_pending = false;
    bool m_stop = false;
    Stats m_stats;
};
