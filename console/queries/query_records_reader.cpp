#include "query_records_reader.h"

QueryRecordsReader::~QueryRecordsReader()
{
    if (m_thread.joinable())
        m_thread.join();
}

bool QueryRecordsReader::Start(const std::string& connectionString, const QueryListing& listing)
{
    m_listing = listing;
    if (!m_connection.Open(connectionString, -1)) {
        m_done = true;
        return false;
    }
    m_thread = std::thread(&QueryRecordsReader::Read, this);
    return true;
}

void QueryRecordsReader::Read()
{
    std::string block;
    const auto handOver = [this, &block] {
        if (block.empty())
            return;
        const std::lock_guard<std::mutex> guard(m_lock);
        m_blocks.push_back(std::move(block));
        block = {};
        m_more.notify_one();
    };
    std::string error;
    const ReadOutcome outcome = ReadQueryRecords(
        m_connection, m_listing,
        [&block](const QueryLogRow& row) {
            for (const std::string* field : {&row.index, &row.time, &row.phone, &row.productId, &row.productCode,
                                             &row.realCode, &row.status, &row.comm, &row.province, &row.city}) {
                const auto length = static_cast<std::uint32_t>(field->size());
                block.append(reinterpret_cast<const char*>(&length), sizeof length);
                block.append(*field);
            }
        },
        handOver, error);
    handOver();
    const std::lock_guard<std::mutex> guard(m_lock);
    m_outcome = outcome;
    m_done = true;
    m_more.notify_one();
}

bool QueryRecordsReader::Take(std::vector<std::string>& blocks, std::chrono::milliseconds wait)
{
    std::unique_lock<std::mutex> guard(m_lock);
    if (!m_done && m_blocks.empty())
        m_more.wait_for(guard, wait);
    for (std::string& block : m_blocks)
        blocks.push_back(std::move(block));
    m_blocks.clear();
    if (!m_done)
        return false;
    guard.unlock();
    if (m_thread.joinable())
        m_thread.join();
    return true;
}
