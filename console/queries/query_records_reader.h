#pragma once

#include "db_connection.h"
#include "query_records.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// Reads a records listing (ReadQueryRecords) on a thread of its own over a connection of
// its own, so the thread that serves the window only takes the rows. The engines let a
// reader run beside the writers; nothing else touches the reading connection until the
// read has ended. The rows come in blocks, one per read window, each row its ten fields
// in QueryLogRow's order, each field behind its length (ForEachPackedRow reads them).
class QueryRecordsReader final {
public:
    QueryRecordsReader() = default;
    ~QueryRecordsReader();
    QueryRecordsReader(const QueryRecordsReader&) = delete;
    QueryRecordsReader& operator=(const QueryRecordsReader&) = delete;

    // Opens the reading connection and starts the read; false when the connection cannot
    // be made (Connection() tells why).
    bool Start(const std::string& connectionString, const QueryListing& listing);
    // Moves the blocks read since the last call to the end of blocks, waiting up to wait
    // for one when there is none; true once the read has ended and every block was taken.
    bool Take(std::vector<std::string>& blocks, std::chrono::milliseconds wait);

    // Once Take answered true: how the read went, the listing with its bounds, and the
    // connection whose errors tell why a read failed.
    ReadOutcome Outcome() const { return m_outcome; }
    const QueryListing& Listing() const { return m_listing; }
    const CDbConnection& Connection() const { return m_connection; }

private:
    void Read();

    CDbConnection m_connection;
    QueryListing m_listing;
    ReadOutcome m_outcome = ReadOutcome::Failed;
    std::mutex m_lock;
    std::condition_variable m_more;
    std::vector<std::string> m_blocks;
    bool m_done = false;
    std::thread m_thread;
};

// The fields of one packed row, in QueryLogRow's order.
using PackedQueryLogRow = std::array<std::string_view, 10>;

// Calls row for each row of a block the reader handed over.
template <typename RowFunction>
void ForEachPackedRow(const std::string& block, RowFunction row)
{
    std::size_t at = 0;
    PackedQueryLogRow fields;
    while (at < block.size()) {
        for (std::string_view& field : fields) {
            std::uint32_t length = 0;
            std::memcpy(&length, block.data() + at, sizeof length);
            field = std::string_view(block.data() + at + sizeof length, length);
            at += sizeof length + length;
        }
        row(fields);
    }
}
