#pragma once

#include "query_store.h"

#include <deque>
#include <string>
#include <variant>

// Database work that must not be lost: done in order, retried while the database is busy
// or away, and kept in a file over a stop when the database never took it.
struct QueryJob {
    ReceivedQuery query;
};
struct TextJob {
    std::string sender, text, smsTime;
};
struct MarkJob {
    int smsIndex;
    bool success;
    std::string time;
};
struct ReleaseJob {
    int smsIndex;
};
using DbJob = std::variant<QueryJob, TextJob, MarkJob, ReleaseJob>;

// Writes the jobs to path (owner-only, replacing it in one step). False with the reason.
bool SaveHeldWork(const std::string& path, const std::deque<DbJob>& jobs, std::string& error);

// Reads what SaveHeldWork wrote and removes the file. A missing file is no work. False
// with the reason when the file cannot be read; lines it does not understand are skipped
// and counted in skipped.
bool LoadHeldWork(const std::string& path, std::deque<DbJob>& jobs, int& skipped, std::string& error);
