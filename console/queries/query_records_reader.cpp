#include "query_records_reader.h"

#include "packed_cells.h"
#include "query_log_column.h"
#include "query_status.h"

#include <algorithm>
#include <cerrno>
#include <string_view>
#include <utility>

#include <sys/resource.h>
#include <unistd.h>

namespace {

// The status texts as the list shows them, each rendered once: a long log holds a handful
// of distinct values. Past kMost of them a value is rendered each time.
class RenderedStatuses {
public:
    std::string_view Get(std::string_view raw)
    {
        for (const auto& [stored, rendered] : m_known)
            if (stored == raw)
                return rendered;
        if (m_known.size() < kMost) {
            const std::string stored(raw);
            return m_known.emplace_back(stored, RenderQueryStatus(stored)).second;
        }
        m_scratch = RenderQueryStatus(std::string(raw));
        return m_scratch;
    }

private:
    static constexpr std::size_t kMost = 64;
    std::vector<std::pair<std::string, std::string>> m_known;
    std::string m_scratch;
};

// How much less the reading threads weigh with the scheduler than the window's thread.
constexpr int kReaderNiceness = 4;

// Which field (QueryLogRow's order) each list column shows; the status is rendered.
constexpr std::size_t kStatusField = 6;
constexpr std::size_t kFieldOfColumn[] = {0, kStatusField, 1, 2, 3, 4, 5, 7, 8, 9};
static_assert(sizeof kFieldOfColumn / sizeof kFieldOfColumn[0] == QueryLogList::kCity + 1);
static_assert(kFieldOfColumn[QueryLogList::kStatus] == kStatusField && kFieldOfColumn[QueryLogList::kTime] == 1 &&
              kFieldOfColumn[QueryLogList::kComm] == 7);

} // namespace

QueryRecordsReader::~QueryRecordsReader()
{
    Join();
}

void QueryRecordsReader::Join()
{
    if (m_thread.joinable())
        m_thread.join();
    if (m_second.joinable())
        m_second.join();
}

bool QueryRecordsReader::Start(const std::string& connectionString, const QueryListing& listing)
{
    m_connectionString = connectionString;
    m_listing = listing;
    if (!m_connection.Open(connectionString, -1)) {
        m_done = true;
        return false;
    }
    m_reading = 2;
    m_thread = std::thread([this] {
        std::string error;
        const ReadOutcome range = FindQueryRecordsRange(m_connection, m_listing, error);
        {
            const std::lock_guard<std::mutex> guard(m_lock);
            m_range = range;
            if (range == ReadOutcome::Failed)
                m_failedOn = &m_connection;
            m_windows = range == ReadOutcome::Rows ? QueryRecordsWindowCount(m_listing) : 0;
            m_boundsKnown = true;
        }
        m_bounds.notify_one();
        ReadWindows(m_connection);
        ReaderDone();
    });
    // The second connection is made while the first looks the bounds up.
    m_second = std::thread([this] {
        const bool open = m_secondConnection.Open(m_connectionString, -1);
        {
            std::unique_lock<std::mutex> guard(m_lock);
            m_bounds.wait(guard, [this] { return m_boundsKnown; });
        }
        if (open)
            ReadWindows(m_secondConnection);
        ReaderDone();
    });
    return true;
}

void QueryRecordsReader::ReadWindows(CDbConnection& connection)
{
    // The readers keep both cores busy; the window's thread, which lays the list out
    // again after each insert, goes first whenever it wakes, or its pass through the event
    // loop stretches by the share the readers take (on PostgreSQL the two servers' processes
    // want the cores as well).
    const auto thread = static_cast<id_t>(gettid());
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, thread);
    if (errno == 0)
        setpriority(PRIO_PROCESS, thread, std::min(nice + kReaderNiceness, 19));
    QueryRecordsBlock block;
    RenderedStatuses statuses;
    const QueryLogFieldsSink sink = [&block, &statuses](const QueryLogFields& fields) {
        block.starts.push_back(static_cast<std::uint32_t>(block.rows.size()));
        for (const std::size_t field : kFieldOfColumn)
            AppendPackedCell(block.rows, field == kStatusField ? statuses.Get(fields[field]) : fields[field]);
    };
    std::string error;
    while (!m_failed) {
        const std::int64_t window = m_nextWindow++;
        if (window >= m_windows)
            return;
        if (ReadQueryLogFields(connection, QueryRecordsWindowSelect(m_listing, window), sink, error) ==
            ReadOutcome::Failed) {
            const std::lock_guard<std::mutex> guard(m_lock);
            if (!m_failed.exchange(true))
                m_failedOn = &connection;
            return;
        }
        const std::size_t size = block.rows.size();
        HandOver(window, std::move(block));
        // The next window is likely about as full.
        block = {};
        block.rows.reserve(size + size / 8);
    }
}

void QueryRecordsReader::HandOver(std::int64_t window, QueryRecordsBlock block)
{
    if (!block.starts.empty()) {
        block.starts.push_back(static_cast<std::uint32_t>(block.rows.size()));
        // The list keeps the block as it is: no room left over for a whole listing's life.
        const std::size_t size = block.rows.size();
        if (block.rows.capacity() > size + size / 4)
            block.rows.shrink_to_fit();
    }
    const std::lock_guard<std::mutex> guard(m_lock);
    // Every window is handed over, those without rows too, so that the next one's block
    // need not wait for it.
    m_ahead.emplace(window, std::move(block));
    bool ready = false;
    for (auto next = m_ahead.find(m_nextToHand); next != m_ahead.end(); next = m_ahead.find(++m_nextToHand)) {
        if (next->second.RowCount() > 0) {
            m_blocks.push_back(std::move(next->second));
            m_any = ready = true;
        }
        m_ahead.erase(next);
    }
    if (ready)
        m_more.notify_one();
}

void QueryRecordsReader::ReaderDone()
{
    const std::lock_guard<std::mutex> guard(m_lock);
    if (--m_reading > 0)
        return;
    if (m_failed || m_range == ReadOutcome::Failed)
        m_outcome = ReadOutcome::Failed;
    else
        m_outcome = m_any ? ReadOutcome::Rows : ReadOutcome::Empty;
    m_done = true;
    m_more.notify_one();
}

bool QueryRecordsReader::Take(std::vector<QueryRecordsBlock>& blocks, std::chrono::milliseconds wait)
{
    std::unique_lock<std::mutex> guard(m_lock);
    if (!m_done && m_blocks.empty())
        m_more.wait_for(guard, wait);
    for (QueryRecordsBlock& block : m_blocks)
        blocks.push_back(std::move(block));
    m_blocks.clear();
    if (!m_done)
        return false;
    guard.unlock();
    Join();
    return true;
}
