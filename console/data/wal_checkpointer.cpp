#include "wal_checkpointer.h"

#include <sqlite3.h>

WalCheckpointer::~WalCheckpointer()
{
    Stop();
}

bool WalCheckpointer::Start(const std::string& path)
{
    Stop();
    if (!sqlite3_threadsafe())
        return false;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    // A new connection does not know the file keeps a log until it first reads it; a
    // checkpoint before that would do nothing and say so with -1 frames.
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    std::string mode;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_text(stmt, 0))
        mode = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    sqlite3_finalize(stmt);
    const bool wal = sqlite3_stricmp(mode.c_str(), "wal") == 0 &&
                     sqlite3_exec(db, "SELECT count(*) FROM sqlite_schema", nullptr, nullptr, nullptr) == SQLITE_OK;
    if (!wal) {
        sqlite3_close(db);
        return false;
    }
    m_db = db;
    {
        std::lock_guard lock(m_mutex);
        m_pending = false;
        m_stop = false;
        m_stats = Stats();
    }
    m_thread = std::thread([this] { Run(); });
    return true;
}

void WalCheckpointer::Stop()
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void WalCheckpointer::Request()
{
    {
        std::lock_guard lock(m_mutex);
        m_pending = true;
    }
    m_wake.notify_one();
}

WalCheckpointer::Stats WalCheckpointer::CurrentStats() const
{
    std::lock_guard lock(m_mutex);
    return m_stats;
}

bool WalCheckpointer::WaitForRuns(std::uint64_t runs, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_mutex);
    return m_done.wait_for(lock, timeout, [&] { return m_stats.runs >= runs; });
}

void WalCheckpointer::Run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_pending || m_stop; });
        const bool last = m_stop;
        m_pending = false;
        lock.unlock();
        Checkpoint();
        if (last) {
            // The last connection to close also checkpoints and removes the log; that
            // happens here rather than on the thread that closed the console's connection.
            sqlite3_close_v2(m_db);
            m_db = nullptr;
            return;
        }
        lock.lock();
    }
}

void WalCheckpointer::Checkpoint()
{
    int logFrames = -1;
    int checkpointed = -1;
    const int rc = sqlite3_wal_checkpoint_v2(m_db, "main", SQLITE_CHECKPOINT_PASSIVE, &logFrames, &checkpointed);
    {
        std::lock_guard lock(m_mutex);
        ++m_stats.runs;
        m_stats.lastLogFrames = logFrames;
        m_stats.lastCheckpointed = checkpointed;
        m_stats.lastResult = rc;
    }
    m_done.notify_all();
}
