#include "gateway_host.h"

#include "host_log.h"
#include "phone_mask.h"
#include "queue_store.h"

#include "db_provider.h"
#include "db_recordset.h"
#include "execute_sql.h"

#include <brantlet/brantlet.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kSendsPerLine = 2; // one being sent, one waiting behind it
constexpr int kMaxConnectBackoffMs = 30000;
constexpr int kMaxDbBackoffMs = 10000;
constexpr std::int64_t kConnectLimitMs = 60000;
constexpr std::int64_t kPortCheckMs = 1000;

std::int64_t MonotonicMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

std::string LocalTimeText(std::time_t t)
{
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

int NextBackoff(int current, int first, int limit)
{
    return current <= 0 ? first : std::min(current * 2, limit);
}

} // namespace

GatewayHost::GatewayHost(GatewayConfig config, std::string connectionString)
    : m_config(std::move(config)),
      m_connectionString(std::move(connectionString)),
      m_regions(CityTable()),
      m_limiter(m_config.limitPerHour, m_config.limitPerDay),
      m_worker(
          [this](DbJob& job, std::string& error, std::function<void()>& then) { return RunDbJob(job, error, then); },
          [](const std::string& error, std::size_t waiting, int pauseMs) {
              LogLine(LogLevel::Warning, "数据库忙或不可用，" + std::to_string(waiting) + " 项工作保留在内存中，" +
                                             std::to_string(pauseMs) + " ms 后重试: " + error);
          })
{
    m_lease.host = m_config.hostName;
    if (m_lease.host.empty()) {
        char name[256] = {};
        gethostname(name, sizeof name - 1);
        m_lease.host = name;
    }
    m_lease.pid = static_cast<int>(getpid());
    m_lease.seconds = std::max(m_config.leaseSeconds, 2);
}

GatewayHost::~GatewayHost()
{
    for (auto& line : m_lines)
        if (line->control)
            brantlet_destroy(line->control);
}

// ---- Database -----------------------------------------------------------------------

bool GatewayHost::OpenConnection(CDbConnection& db)
{
    if (!db.Open(m_connectionString, 0)) {
        LogLine(LogLevel::Error, "数据库打开失败，稍后重试: " + db.GetErrorsText());
        return false;
    }
    std::string error;
    // A statement waits at most this long for another writer (SQLite's lock, PostgreSQL's
    // row locks); then the work is held and retried.
    const std::string wait = std::to_string(m_config.busyTimeoutMs);
    if (!RunSql(db,
                db.Provider()->Dialect() == SqlDialect::SQLite ? "PRAGMA busy_timeout=" + wait
                                                               : "SET lock_timeout=" + wait,
                error))
        LogLine(LogLevel::Warning, "cannot set the busy timeout: " + error);
    return true;
}

bool GatewayHost::OpenDatabase()
{
    if (!OpenConnection(m_db))
        return false;
    std::string error;
    if (!queue_store::EnsureStatusIndex(m_db, error))
        LogLine(LogLevel::Warning, "cannot add the index on SendSmsTable.SendStatus: " + error);
    LogLine(LogLevel::Info, "database open");
    m_dbSuspect = false;
    return true;
}

bool GatewayHost::EnsureDatabase()
{
    if (m_db.IsOpen() && m_dbSuspect) {
        // After a failure: a connection the server dropped is opened again; a busy one is kept.
        std::string error;
        if (RunSql(m_db, "select 1", error))
            m_dbSuspect = false;
        else
            m_db.CloseIfOpen();
    }
    if (!m_db.IsOpen() && !OpenDatabase())
        return false;
    PrepareQueueWork();
    return true;
}

void GatewayHost::PrepareQueueWork()
{
    std::string error;
    if (!m_leaseTableReady) {
        m_leaseTableReady = queue_store::EnsureLeaseTable(m_db, error);
        if (!m_leaseTableReady)
            LogLine(LogLevel::Error, "发送租约表无法建立，暂不发送队列中的短信: " + error);
    }
}

bool GatewayHost::EnsureJobDatabase()
{
    if (m_jobDb.IsOpen() && m_jobDbSuspect) {
        // After a failure: a connection the server dropped is opened again; a busy one is kept.
        std::string error;
        if (RunSql(m_jobDb, "select 1", error))
            m_jobDbSuspect = false;
        else
            m_jobDb.CloseIfOpen();
    }
    if (!m_jobDb.IsOpen() && !OpenConnection(m_jobDb))
        return false;
    m_jobDbSuspect = false;
    if (!m_citiesLoaded) {
        CDbRecordset rs;
        rs.SetConnection(&m_jobDb);
        const int opened = rs.Open("select ProvName,CityName from AddressTable", 1, 3, 3);
        if (opened >= 0) {
            CityTable cities;
            for (; opened == 1 && !rs.IsEOF(); rs.MoveNext()) {
                std::string province, city;
                rs.GetFieldValue("ProvName", province);
                rs.GetFieldValue("CityName", city);
                cities[province].push_back(city);
            }
            m_regions.SetCities(std::move(cities));
            m_citiesLoaded = true;
        }
    }
    return true;
}

bool GatewayHost::RunDbJob(DbJob& job, std::string& error, std::function<void()>& then)
{
    if (!EnsureJobDatabase()) {
        error = "not open";
        return false;
    }
    const bool done = [&] {
        if (auto* q = std::get_if<QueryJob>(&job)) {
            // Placed when written: the city list may have come only with the database.
            q->query.region = m_regions.Find(q->query.sender);
            RecordedQuery recorded;
            if (!RecordQuery(m_jobDb, q->query, m_config.replies, m_config.logReplies, recorded, error))
                return false;
            LogLine(LogLevel::Info, "query from " + MaskPhone(q->query.sender) + " for " + q->query.code.productId +
                                        ": status " + std::to_string(recorded.status) +
                                        (q->query.region.province.empty()
                                             ? ""
                                             : " (" + q->query.region.province + q->query.region.city + ")") +
                                        (q->query.answer ? "" : ", over the rate limit: not answered"));
            // The answer goes out from the loop's thread.
            then = [this, queued = recorded.replyQueued,
                    reply = Reply{q->query.sender, recorded.reply, q->query.comm, 0}] {
                if (queued)
                    m_nextPollMs = 0;
                else if (!reply.text.empty())
                    m_replies.push_back(reply);
            };
            return true;
        }
        if (auto* t = std::get_if<TextJob>(&job)) {
            if (!StoreReceivedText(m_jobDb, t->sender, t->text, t->smsTime, error))
                return false;
            LogLine(LogLevel::Info, "message without a code from " + MaskPhone(t->sender) + " kept as 接收");
            return true;
        }
        if (auto* m = std::get_if<MarkJob>(&job))
            return queue_store::MarkSent(m_jobDb, m->smsIndex, m->success, m->time, error);
        if (auto* r = std::get_if<ReleaseJob>(&job))
            return queue_store::Release(m_jobDb, r->smsIndex, m_lease, error);
        return true;
    }();
    if (!done)
        m_jobDbSuspect = true;
    return done;
}

// ---- Modems -------------------------------------------------------------------------

void GatewayHost::OnConnectStatus(void* user, std::int32_t status)
{
    auto* line = static_cast<Line*>(user);
    line->host->ConnectStatus(*line, status);
}

void GatewayHost::OnSendResult(void* user, std::int16_t result, std::int32_t index, const char*, const char*)
{
    auto* line = static_cast<Line*>(user);
    line->host->SendResult(*line, result, index);
}

void GatewayHost::OnReceive(void* user, const char* phone, const char* text, std::int16_t year, std::int16_t month,
                            std::int16_t day, std::int16_t hour, std::int16_t minute, std::int16_t second)
{
    auto* line = static_cast<Line*>(user);
    char smsTime[96];
    std::snprintf(smsTime, sizeof smsTime, "%04d-%02d-%02d %02d:%02d:%02d", year < 100 ? year + 2000 : year, month, day,
                  hour, minute, second);
    line->host->Received(*line, phone ? phone : "", text ? text : "", smsTime);
}

void GatewayHost::ConnectStatus(Line& line, int status)
{
    if (status == 1) {
        line.state = LineState::Ready;
        line.backoffMs = 0;
        if (struct stat st{}; stat(line.port.c_str(), &st) == 0) { // the control may have reopened a new device
            line.device = st.st_rdev;
            line.inode = st.st_ino;
        }
        line.failuresInRow = 0;
        brantlet_SetSendRate(line.control, static_cast<std::int16_t>(std::clamp(m_config.sendPause, 1, 32767)));
        if (!m_config.serviceCentre.empty())
            brantlet_SetSmsServerNumber(line.control, m_config.serviceCentre.c_str());
        LogLine(LogLevel::Info, "modem ready on " + line.port);
        m_nextPollMs = 0;
        return;
    }
    if (line.state == LineState::Ready && brantlet_IsConnecting(line.control) && !line.sending.empty() &&
        OtherLineReady(line)) {
        // Other modems can send what this one holds: they get it now rather than after the
        // reopening. The control goes with it, so nothing it kept is sent twice.
        LineLost(line, "调制解调器无应答，短信转给其他调制解调器", MonotonicMs());
        return;
    }
    if (line.state == LineState::Ready && brantlet_IsConnecting(line.control)) {
        // The control reopens the port itself and keeps what it was given: wait for it.
        line.state = LineState::Connecting;
        line.connectingSinceMs = MonotonicMs();
        LogLine(LogLevel::Warning, "调制解调器无应答，正在重新打开串口: " + line.port);
        return;
    }
    if (line.state != LineState::Down) // a late word from a control already given up
        LineLost(line, line.state == LineState::Connecting ? "调制解调器没有应答" : "调制解调器连续发送失败",
                 MonotonicMs());
}

void GatewayHost::LineLost(Line& line, const std::string& why, std::int64_t nowMs)
{
    // What was handed to this modem is not lost: rows wait again, answers go back in line.
    for (auto& [index, sending] : line.sending) {
        if (sending.smsIndex > 0)
            m_worker.Push(ReleaseJob{sending.smsIndex});
        else
            m_replies.push_front(Reply{sending.phone, sending.text, line.port, sending.attempts});
    }
    line.sending.clear();
    line.state = LineState::Down;
    line.backoffMs = NextBackoff(line.backoffMs, 1000, kMaxConnectBackoffMs);
    line.nextConnectMs = nowMs + line.backoffMs;
    // The control is replaced outside its own event (destroying it inside one is not allowed),
    // so nothing the old engine still held is sent later.
    if (line.control)
        brantlet_DisconnectModem(line.control);
    LogLine(LogLevel::Warning, why + ": " + line.port + ", reconnecting in " + std::to_string(line.backoffMs) + " ms");
}

bool GatewayHost::PortChanged(const Line& line) const
{
    struct stat st {};
    if (stat(line.port.c_str(), &st) != 0)
        return true; // unplugged
    return st.st_rdev != line.device || st.st_ino != line.inode;
}

void GatewayHost::StartConnect(Line& line, std::int64_t nowMs)
{
    if (line.control)
        brantlet_destroy(line.control);
    line.control = brantlet_create();
    if (!line.control) {
        LogLine(LogLevel::Error, "无法创建短信控件: out of memory or descriptors");
        line.backoffMs = NextBackoff(line.backoffMs, 1000, kMaxConnectBackoffMs);
        line.nextConnectMs = nowMs + line.backoffMs;
        return;
    }
    brantlet_on_ConnectStatus(line.control, &GatewayHost::OnConnectStatus, &line);
    brantlet_on_SendSmsResult(line.control, &GatewayHost::OnSendResult, &line);
    brantlet_on_Recvsms(line.control, &GatewayHost::OnReceive, &line);
    brantlet_SetModemType(line.control, static_cast<std::int16_t>(m_config.modemType));
    brantlet_SetLongSmsTimeout(line.control, m_config.longSmsTimeoutS);
    brantlet_SetResetAfterTimeouts(line.control, m_config.resetAfterTimeouts);

    struct stat st {};
    const bool present = stat(line.port.c_str(), &st) == 0;
    const int started = present ? brantlet_ConnectModem(line.control, line.port.c_str(), m_config.baud, 0) : -1;
    if (started == 1) {
        line.state = LineState::Connecting;
        line.connectingSinceMs = nowMs;
        line.device = st.st_rdev;
        line.inode = st.st_ino;
        return;
    }
    line.backoffMs = NextBackoff(line.backoffMs, 1000, kMaxConnectBackoffMs);
    line.nextConnectMs = nowMs + line.backoffMs;
    LogLine(LogLevel::Warning, std::string(started == 0 ? "串口参数不被接受" : "串口无法打开") + ": " + line.port +
                                   ", retrying in " + std::to_string(line.backoffMs) + " ms");
}

void GatewayHost::TickLine(Line& line, std::int64_t nowMs)
{
    switch (line.state) {
    case LineState::Down:
        if (nowMs >= line.nextConnectMs)
            StartConnect(line, nowMs);
        break;
    case LineState::Connecting:
        if (nowMs - line.connectingSinceMs > kConnectLimitMs)
            LineLost(line, "调制解调器初始化超时", nowMs);
        break;
    case LineState::Ready:
        if (nowMs >= line.nextCheckMs) {
            line.nextCheckMs = nowMs + kPortCheckMs;
            if (PortChanged(line))
                LineLost(line, "串口已断开", nowMs);
        }
        break;
    }
}

bool GatewayHost::OtherLineReady(const Line& line) const
{
    for (const auto& other : m_lines)
        if (other.get() != &line && other->state == LineState::Ready)
            return true;
    return false;
}

int GatewayHost::FreeSlots(const Line& line) const
{
    if (line.state != LineState::Ready)
        return 0;
    return std::max(0, kSendsPerLine - static_cast<int>(line.sending.size()));
}

GatewayHost::Line* GatewayHost::ReadyLine(const std::string& preferredPort)
{
    Line* any = nullptr;
    for (auto& line : m_lines) {
        if (FreeSlots(*line) == 0)
            continue;
        if (line->port == preferredPort)
            return line.get();
        if (!any)
            any = line.get();
    }
    return any;
}

void GatewayHost::Received(Line& line, const std::string& phone, const std::string& text, const std::string& smsTime)
{
    const std::optional<QueryCode> code = FindQueryCode(text);
    const bool wantsAnswer = code.has_value() || m_config.replies.helpEnabled;
    const bool answer = wantsAnswer && m_limiter.TryAnswer(phone, std::time(nullptr));
    if (wantsAnswer && !answer)
        LogLine(LogLevel::Warning, "发送方超过回复限额，只记录不回复: " + MaskPhone(phone));
    if (code) {
        ReceivedQuery query;
        query.sender = phone;
        query.code = *code;
        query.receivedAt = LocalTimeText(std::time(nullptr));
        query.comm = line.port;
        query.answer = answer;
        m_worker.Push(QueryJob{std::move(query)});
        return;
    }
    m_worker.Push(TextJob{phone, text, smsTime});
    if (answer)
        m_replies.push_back(Reply{phone, m_config.replies.help, line.port, 0});
}

void GatewayHost::SendResult(Line& line, int result, std::int32_t index)
{
    const auto found = line.sending.find(index);
    if (found == line.sending.end())
        return;
    const Sending sending = found->second;
    line.sending.erase(found);
    m_nextPollMs = 0;
    const std::string now = LocalTimeText(std::time(nullptr));
    if (result == 1) {
        line.failuresInRow = 0;
        if (sending.smsIndex > 0) {
            m_attempts.erase(sending.smsIndex);
            m_worker.Push(MarkJob{sending.smsIndex, true, now});
            LogLine(LogLevel::Info,
                    "message " + std::to_string(sending.smsIndex) + " sent to " + MaskPhone(sending.phone));
        } else {
            LogLine(LogLevel::Info, "answer sent to " + MaskPhone(sending.phone));
        }
        return;
    }
    ++line.failuresInRow;
    if (sending.smsIndex > 0) {
        const int attempts = ++m_attempts[sending.smsIndex];
        if (attempts >= m_config.maxSendAttempts) {
            m_attempts.erase(sending.smsIndex);
            m_worker.Push(MarkJob{sending.smsIndex, false, now});
            LogLine(LogLevel::Warning, "短信发送失败: message " + std::to_string(sending.smsIndex) + " to " +
                                           MaskPhone(sending.phone) + " after " + std::to_string(attempts) + " tries");
        } else {
            m_worker.Push(ReleaseJob{sending.smsIndex});
        }
    } else {
        // An answer is tried as often as a queued message.
        Reply reply{sending.phone, sending.text, line.port, sending.attempts + 1};
        if (reply.attempts < m_config.maxSendAttempts)
            m_replies.push_back(reply);
        else
            LogLine(LogLevel::Warning, "回复发送失败: answer to " + MaskPhone(sending.phone));
    }
    // Two failures in a row look like the modem rather than the numbers: start it afresh.
    if (line.failuresInRow >= 2 && line.state == LineState::Ready && brantlet_IsConnected(line.control))
        LineLost(line, "调制解调器连续发送失败", MonotonicMs());
}

void GatewayHost::SendReplies()
{
    while (!m_replies.empty()) {
        Line* line = ReadyLine(m_replies.front().comm);
        if (!line)
            return;
        Reply reply = std::move(m_replies.front());
        m_replies.pop_front();
        const std::int32_t index = m_nextReplyIndex;
        m_nextReplyIndex = m_nextReplyIndex == INT32_MIN ? -1 : m_nextReplyIndex - 1;
        const int queued = brantlet_SendLongSms(line->control, reply.phone.c_str(), reply.text.c_str(), index, 0);
        if (queued == 1)
            line->sending[index] = Sending{0, reply.phone, reply.text, reply.attempts};
        else
            LogLine(LogLevel::Warning,
                    std::string("回复无法发送: ") + (queued == 0 ? "empty number" : "text longer than 255 parts"));
    }
}

void GatewayHost::DatabaseFailed(std::int64_t nowMs)
{
    m_dbBackoffMs = NextBackoff(m_dbBackoffMs, 500, kMaxDbBackoffMs);
    m_dbRetryMs = nowMs + m_dbBackoffMs;
}

void GatewayHost::PollQueue(std::int64_t nowMs)
{
    // Held work goes first; an unreachable database is asked again only after its pause.
    if (m_pollPosted || nowMs < m_nextPollMs || nowMs < m_dbRetryMs || !m_worker.Idle())
        return;
    m_nextPollMs = nowMs + m_config.queuePollMs;
    int free = -static_cast<int>(m_claimed.size());
    for (const auto& line : m_lines)
        free += FreeSlots(*line);
    if (free <= 0)
        return;
    m_pollPosted = true;
    m_queue.Post([this, free]() -> std::function<void()> {
        std::vector<QueuedSms> claimed;
        bool failed = !EnsureDatabase();
        bool more = false;
        if (!failed && m_leaseTableReady) {
            std::vector<QueuedSms> rows;
            std::string error;
            failed = !queue_store::NextWaiting(m_db, free, rows, error);
            for (std::size_t i = 0; !failed && i < rows.size(); ++i) {
                bool taken = false;
                failed = !queue_store::Claim(m_db, rows[i].index, m_lease, taken, error);
                if (taken) // else another host took it
                    claimed.push_back(std::move(rows[i]));
            }
            if (failed)
                m_dbSuspect = true;
            more = !failed && static_cast<int>(rows.size()) == free;
        }
        return [this, claimed = std::move(claimed), failed, more] {
            m_pollPosted = false;
            m_claimed.insert(m_claimed.end(), claimed.begin(), claimed.end());
            if (failed) {
                DatabaseFailed(MonotonicMs());
                return;
            }
            m_dbBackoffMs = 0;
            if (more)
                m_nextPollMs = 0; // more may wait; read again once a send is done
        };
    });
}

void GatewayHost::SendClaimed()
{
    bool anyReady = false;
    for (const auto& line : m_lines)
        anyReady = anyReady || line->state == LineState::Ready;
    if (!anyReady || m_stopping) {
        // No modem to send them (or no new sends): they wait in the queue, where another
        // host may take them, rather than here.
        ReleaseClaimed();
        return;
    }
    while (!m_claimed.empty()) {
        Line* line = ReadyLine({});
        if (!line)
            return;
        const QueuedSms row = std::move(m_claimed.front());
        m_claimed.pop_front();
        // A text of any length goes as one message (linked parts when it needs more than one).
        const int queued =
            brantlet_SendLongSms(line->control, row.phoneNumber.c_str(), row.content.c_str(), row.index, 0);
        if (queued == 1) {
            line->sending[row.index] = Sending{row.index, row.phoneNumber, row.content, 0};
        } else {
            LogLine(LogLevel::Warning, "短信无法发送: message " + std::to_string(row.index) +
                                           (queued == 0 ? ", no number" : ", text longer than 255 parts"));
            m_worker.Push(MarkJob{row.index, false, LocalTimeText(std::time(nullptr))});
        }
    }
}

void GatewayHost::ReleaseClaimed()
{
    for (const QueuedSms& row : m_claimed)
        m_worker.Push(ReleaseJob{row.index});
    m_claimed.clear();
}

void GatewayHost::KeepLeases(std::int64_t nowMs)
{
    // After the held work: an outcome kept in memory is written before rows are reclaimed.
    if (m_leasesPosted || nowMs < m_nextLeaseMs || nowMs < m_dbRetryMs || !m_worker.Idle())
        return;
    m_nextLeaseMs = nowMs + m_lease.seconds * 1000 / 3;
    std::vector<int> held;
    for (const auto& line : m_lines)
        for (const auto& [index, sending] : line->sending)
            if (sending.smsIndex > 0)
                held.push_back(sending.smsIndex);
    for (const QueuedSms& row : m_claimed)
        held.push_back(row.index);
    m_leasesPosted = true;
    m_queue.Post([this, held]() -> std::function<void()> {
        int renewed = -1;
        int reclaimed = 0;
        const bool done = [&] {
            if (!EnsureDatabase())
                return false;
            if (!m_leaseTableReady)
                return true;
            std::string error;
            if (!m_unleasedReset) {
                int rows = 0;
                if (!queue_store::ResetUnleased(m_db, rows, error)) {
                    LogLine(LogLevel::Warning, "无法查找遗留在发送中的短信: " + error);
                    return false;
                }
                m_unleasedReset = true;
                if (rows > 0)
                    LogLine(LogLevel::Warning,
                            std::to_string(rows) +
                                " message(s) left in 发送中 by an earlier run wait to be sent again");
            }
            if (!queue_store::Renew(m_db, m_lease, held, renewed, error)) {
                renewed = -1;
                LogLine(LogLevel::Warning, "发送租约无法续期: " + error);
                return false;
            }
            const auto running = [](int pid) { return kill(pid, 0) == 0 || errno == EPERM; };
            if (!queue_store::Reclaim(m_db, m_lease, running, reclaimed, error)) {
                LogLine(LogLevel::Warning, "无法收回过期的发送租约: " + error);
                return false;
            }
            return true;
        }();
        if (!done)
            m_dbSuspect = true;
        return [this, held, renewed, reclaimed, done] {
            m_leasesPosted = false;
            if (renewed >= 0) {
                // A row whose outcome was written meanwhile has no lease to renew any more.
                int stillHeld = 0;
                for (int index : held) {
                    bool found = false;
                    for (const auto& line : m_lines)
                        found = found || line->sending.count(index) > 0;
                    for (const QueuedSms& row : m_claimed)
                        found = found || row.index == index;
                    stillHeld += found ? 1 : 0;
                }
                if (renewed < stillHeld)
                    LogLine(LogLevel::Warning,
                            "发送租约已过期，其他主机可能也会发送这些短信: " + std::to_string(stillHeld - renewed) +
                                " message(s) being sent here (lease " + std::to_string(m_lease.seconds) + " s)");
            }
            if (reclaimed > 0) {
                LogLine(LogLevel::Warning, "已停止的主机留下的短信重新等待发送: " + std::to_string(reclaimed) +
                                               " message(s), lease lapsed or process gone");
                m_nextPollMs = 0;
            }
            if (!done)
                DatabaseFailed(MonotonicMs());
        };
    });
}

bool GatewayHost::Busy() const
{
    for (const auto& line : m_lines)
        if (!line->sending.empty())
            return true;
    return !m_worker.Idle() || !m_queue.Idle();
}

void GatewayHost::Tick(std::int64_t nowMs)
{
    for (auto& line : m_lines)
        TickLine(*line, nowMs);
    m_worker.RunDone();
    m_queue.RunDone();
    KeepLeases(nowMs);
    SendReplies();
    SendClaimed();
    if (!m_stopping)
        PollQueue(nowMs);
}

int GatewayHost::Run(int signalFd)
{
    for (const std::string& port : m_config.ports) {
        auto line = std::make_unique<Line>();
        line->host = this;
        line->port = port;
        m_lines.push_back(std::move(line));
    }
    LogLine(LogLevel::Info, "started with " + std::to_string(m_lines.size()) + " modem port(s)");
    const std::string heldFile = HeldFilePath(m_config);
    int skipped = 0;
    std::string heldError;
    std::deque<DbJob> held;
    if (!LoadHeldWork(heldFile, held, skipped, heldError))
        LogLine(LogLevel::Error, "保留的工作无法读取: " + heldError);
    else if (!held.empty() || skipped > 0)
        LogLine(LogLevel::Info,
                std::to_string(held.size()) + " item(s) of work kept at the last stop taken up from " + heldFile +
                    (skipped > 0 ? ", " + std::to_string(skipped) + " unreadable line(s) skipped" : ""));
    m_worker.Start(std::move(held));
    m_queue.Start(); // opens its connection with its first task

    std::int64_t stopDeadline = 0;
    for (;;) {
        std::vector<pollfd> fds;
        fds.push_back({signalFd, POLLIN, 0});
        fds.push_back({m_worker.NotifyFd(), POLLIN, 0});
        fds.push_back({m_queue.NotifyFd(), POLLIN, 0});
        int timeout = 100;
        for (const auto& line : m_lines) {
            if (!line->control)
                continue;
            fds.push_back({brantlet_get_fd(line->control), POLLIN, 0});
            const int next = brantlet_next_timeout_ms(line->control);
            if (next >= 0)
                timeout = std::min(timeout, next);
        }
        if (poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) {
            LogLine(LogLevel::Error, std::string("poll failed: ") + std::strerror(errno));
            return 1;
        }
        if (fds[0].revents & POLLIN) {
            signalfd_siginfo info{};
            if (read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info) && !m_stopping) {
                m_stopping = true;
                stopDeadline = MonotonicMs() + m_config.stopWaitMs;
                LogLine(LogLevel::Info, "stopping: finishing the messages being sent");
            }
        }
        for (const auto& line : m_lines)
            if (line->control)
                brantlet_dispatch(line->control);
        const std::int64_t now = MonotonicMs();
        Tick(now);
        if (m_stopping && (!Busy() || now >= stopDeadline))
            break;
    }

    // What is still with a modem goes back to the queue; what the database never took
    // waits in the held-work file. A claim still being made ends first (at most the busy
    // timeout), so its rows go back too.
    m_queue.Stop();
    m_queue.RunDone();
    ReleaseClaimed();
    for (auto& line : m_lines) {
        for (const auto& [index, sending] : line->sending)
            if (sending.smsIndex > 0)
                m_worker.Push(ReleaseJob{sending.smsIndex});
        line->sending.clear();
        if (line->control)
            brantlet_DisconnectModem(line->control);
    }
    const std::deque<DbJob> left = m_worker.Stop(); // tries what waits once more
    if (!left.empty()) {
        // Kept for the next start, which writes them once the database answers.
        if (SaveHeldWork(heldFile, left, heldError))
            LogLine(LogLevel::Warning,
                    "数据库不可用，" + std::to_string(left.size()) + " 项工作保存到 " + heldFile + "，下次启动时写入");
        else
            LogLine(LogLevel::Error,
                    "数据库不可用，" + std::to_string(left.size()) + " 项工作无法保存，已丢失: " + heldError);
    }
    if (!m_replies.empty())
        LogLine(LogLevel::Warning, std::to_string(m_replies.size()) + " answer(s) not sent before the stop");
    m_db.CloseIfOpen();
    m_jobDb.CloseIfOpen();
    LogLine(LogLevel::Info, "stopped");
    return 0;
}
