#include "host_log.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

void LogLine(LogLevel level, const std::string& text)
{
    static const bool journal = std::getenv("JOURNAL_STREAM") != nullptr;
    std::string line;
    if (journal)
        line = "<" + std::to_string(static_cast<int>(level)) + ">";
    else if (level == LogLevel::Error)
        line = "error: ";
    else if (level == LogLevel::Warning)
        line = "warning: ";
    // Event texts are one line by construction; a provider's message may not be.
    for (char c : text)
        line.push_back(c == '\n' || c == '\r' ? ' ' : c);
    line.push_back('\n');
    // The loop and the database worker both log: one line is never cut by another.
    static std::mutex mutex;
    const std::lock_guard lock(mutex);
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}
