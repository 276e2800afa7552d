#pragma once

#include "db_worker.h"
#include "gateway_config.h"
#include "held_work.h"
#include "query_store.h"
#include "queue_store.h"
#include "queue_worker.h"
#include "rate_limiter.h"
#include "region_lookup.h"

#include "db_connection.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

struct brantlet;

// The gateway host: one control per modem, the database, and the loop that joins them.
// The loop runs on the calling thread and the controls' events arrive inside Run; the
// writes that must not be lost (queries, received texts, outcomes) run on the database
// worker, on a connection of its own; reading and claiming the queue and keeping its leases
// on the queue worker, on a third connection. So no statement ever runs on the loop.
class GatewayHost final {
public:
    GatewayHost(GatewayConfig config, std::string connectionString);
    ~GatewayHost();
    GatewayHost(const GatewayHost&) = delete;
    GatewayHost& operator=(const GatewayHost&) = delete;

    // Runs until SIGTERM or SIGINT arrives on signalFd (a signalfd), then finishes the
    // messages being sent and stops. The exit status.
    int Run(int signalFd);

private:
    // A message handed to a control, by the index given to it.
    struct Sending {
        int smsIndex = 0; // the SendSmsTable row, 0 for an answer kept nowhere else
        std::string phone;
        std::string text;
        int attempts = 0; // earlier failed tries of an answer
    };
    // An answer that is in no table: it waits here until a modem can take it.
    struct Reply {
        std::string phone;
        std::string text;
        std::string comm;
        int attempts = 0;
    };
    enum class LineState { Down, Connecting, Ready };
    struct Line {
        GatewayHost* host = nullptr;
        std::string port;
        brantlet* control = nullptr;
        LineState state = LineState::Down;
        std::int64_t nextConnectMs = 0;
        std::int64_t connectingSinceMs = 0;
        std::int64_t nextCheckMs = 0;
        int backoffMs = 0;
        int failuresInRow = 0;
        dev_t device = 0;
        ino_t inode = 0;
        std::map<std::int32_t, Sending> sending;
    };

    static void OnConnectStatus(void* user, std::int32_t status);
    static void OnSendResult(void* user, std::int16_t result, std::int32_t index, const char* phone, const char* text);
    static void OnReceive(void* user, const char* phone, const char* text, std::int16_t year, std::int16_t month,
                          std::int16_t day, std::int16_t hour, std::int16_t minute, std::int16_t second);

    void Received(Line& line, const std::string& phone, const std::string& text, const std::string& smsTime);
    void SendResult(Line& line, int result, std::int32_t index);
    void ConnectStatus(Line& line, int status);

    void Tick(std::int64_t nowMs);
    void TickLine(Line& line, std::int64_t nowMs);
    void StartConnect(Line& line, std::int64_t nowMs);
    void LineLost(Line& line, const std::string& why, std::int64_t nowMs);
    bool PortChanged(const Line& line) const;

    bool OpenConnection(CDbConnection& db);
    // On the queue worker's thread, with its connection.
    bool OpenDatabase();
    bool EnsureDatabase();
    void PrepareQueueWork();
    // On the database worker's thread, with its connection.
    bool EnsureJobDatabase();
    bool RunDbJob(DbJob& job, std::string& error, std::function<void()>& then);
    // On the loop: post the queue's work when it is due, and take its outcome.
    void PollQueue(std::int64_t nowMs);
    void KeepLeases(std::int64_t nowMs);
    void DatabaseFailed(std::int64_t nowMs);
    void SendClaimed();
    void ReleaseClaimed();
    void SendReplies();
    Line* ReadyLine(const std::string& preferredPort);
    int FreeSlots(const Line& line) const;
    bool OtherLineReady(const Line& line) const;
    bool Busy() const;

    GatewayConfig m_config;
    std::string m_connectionString;
    std::vector<std::unique_ptr<Line>> m_lines;
    // The queue worker's own: only its thread touches these.
    CDbConnection m_db;
    bool m_dbSuspect = false;
    bool m_leaseTableReady = false;
    bool m_unleasedReset = false;
    // The worker's own: only its thread touches these.
    CDbConnection m_jobDb;
    bool m_jobDbSuspect = false;
    RegionLookup m_regions;
    bool m_citiesLoaded = false;
    RateLimiter m_limiter;
    std::deque<Reply> m_replies;
    std::map<int, int> m_attempts; // SendSmsTable row -> failed sends so far
    std::int64_t m_dbRetryMs = 0;
    int m_dbBackoffMs = 0;
    LeaseOwner m_lease;              // set before the threads start, read only after
    std::deque<QueuedSms> m_claimed; // claimed for this host, in order, waiting for a modem
    bool m_pollPosted = false;
    bool m_leasesPosted = false;
    std::int64_t m_nextLeaseMs = 0;
    std::int64_t m_nextPollMs = 0;
    std::int32_t m_nextReplyIndex = -1;
    bool m_stopping = false;
    DbWorker m_worker; // the workers last: their threads end before the members they use go
    QueueWorker m_queue;
};
