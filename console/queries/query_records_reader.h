#pragma once

#include "db_connection.h"
#include "query_records.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Rows read for the records list, packed as the list keeps them: each row its ten cells in
// the list's column order (QueryLogList), the status rendered, each cell behind its length
// (packed_cells.h), row after row. Row k lies from starts[k] to starts[k + 1]; the last
// start is rows.size(). Oldest row first.
struct QueryRecordsBlock {
    std::string rows;
    std::vector<std::uint32_t> starts;

    std::size_t RowCount() const { return starts.empty() ? 0 : starts.size() - 1; }
};

// Reads a records listing on threads of their own over connections of their own, so the
// thread that serves the window only takes the rows. Two readers share the listing's
// windows (QueryRecordsWindowSelect), each taking the next one not yet read: reading the
// engine's rows takes most of the time and the two halves go at once on two cores. The
// blocks are handed over in the listing's order all the same, one per window that found
// rows. The engines let readers run beside the writers; nothing else touches the reading
// connections until the read has ended.
class QueryRecordsReader final {
public:
    QueryRecordsReader() = default;
    ~QueryRecordsReader();
    QueryRecordsReader(const QueryRecordsReader&) = delete;
    QueryRecordsReader& operator=(const QueryRecordsReader&) = delete;

    // Opens the first reading connection and starts the read; false when the connection
    // cannot be made (Connection() tells why). The second reader opens its connection on
    // its own thread; when it cannot, the first reads every window.
    bool Start(const std::string& connectionString, const QueryListing& listing);
    // Moves the blocks read since the last call, in the listing's order, to the end of
    // blocks, waiting up to wait for one when there is none; true once the read has ended
    // and every block was taken.
    bool Take(std::vector<QueryRecordsBlock>& blocks, std::chrono::milliseconds wait);

    // Once Take answered true: how the read went, the listing with its bounds, and the
    // connection whose errors tell why a read failed.
    ReadOutcome Outcome() const { return m_outcome; }
    const QueryListing& Listing() const { return m_listing; }
    const CDbConnection& Connection() const { return m_failedOn ? *m_failedOn : m_connection; }

private:
    // Reads windows on connection until none is left or a read failed.
    void ReadWindows(CDbConnection& connection);
    void HandOver(std::int64_t window, QueryRecordsBlock block);
    // A reader ended; the last one to end ends the read.
    void ReaderDone();
    void Join();

    std::string m_connectionString;
    CDbConnection m_connection;
    CDbConnection m_secondConnection;
    QueryListing m_listing;
    // Set once, under m_lock, before m_boundsKnown.
    std::int64_t m_windows = 0;
    std::atomic<std::int64_t> m_nextWindow{0};
    std::atomic<bool> m_failed{false};

    std::mutex m_lock;
    std::condition_variable m_more;
    std::condition_variable m_bounds;
    bool m_boundsKnown = false;
    ReadOutcome m_range = ReadOutcome::Failed;
    // Under m_lock: blocks in order, ready to take; blocks read ahead of a window still
    // being read; the window whose block goes next.
    std::vector<QueryRecordsBlock> m_blocks;
    std::map<std::int64_t, QueryRecordsBlock> m_ahead;
    std::int64_t m_nextToHand = 0;
    int m_reading = 0;
    bool m_any = false;
    const CDbConnection* m_failedOn = nullptr;
    ReadOutcome m_outcome = ReadOutcome::Failed;
    bool m_done = false;

    // The first reader looks the listing's bounds up first; the second waits for them.
    std::thread m_thread;
    std::thread m_second;
};
