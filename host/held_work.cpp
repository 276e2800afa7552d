#include "held_work.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <unistd.h>
#include <vector>

namespace {

// Fields are tab-separated; a tab, line end or backslash inside one is escaped.
std::string Escape(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out.push_back(c);
        }
    }
    return out;
}

std::vector<std::string> Split(const std::string& line)
{
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\t') {
            fields.emplace_back();
        } else if (c == '\\' && i + 1 < line.size()) {
            const char e = line[++i];
            fields.back().push_back(e == 't' ? '\t' : e == 'n' ? '\n' : e == 'r' ? '\r' : e);
        } else {
            fields.back().push_back(c);
        }
    }
    return fields;
}

std::string Line(const DbJob& job)
{
    std::vector<std::string> f;
    if (const auto* q = std::get_if<QueryJob>(&job))
        f = {"query",
             q->query.sender,
             q->query.code.productId,
             q->query.code.productCode,
             q->query.receivedAt,
             q->query.comm,
             q->query.answer ? "1" : "0"};
    else if (const auto* t = std::get_if<TextJob>(&job))
        f = {"text", t->sender, t->smsTime, t->text};
    else if (const auto* m = std::get_if<MarkJob>(&job))
        f = {"mark", std::to_string(m->smsIndex), m->success ? "1" : "0", m->time};
    else if (const auto* r = std::get_if<ReleaseJob>(&job))
        f = {"release", std::to_string(r->smsIndex)};
    std::string line;
    for (std::size_t i = 0; i < f.size(); ++i)
        line += (i ? "\t" : "") + Escape(f[i]);
    return line + "\n";
}

bool Parse(const std::vector<std::string>& f, DbJob& job)
{
    if (f[0] == "query" && f.size() == 7) {
        ReceivedQuery q;
        q.sender = f[1];
        q.code = QueryCode{f[2], f[3]};
        q.receivedAt = f[4];
        q.comm = f[5];
        q.answer = f[6] == "1";
        job = QueryJob{q};
        return true;
    }
    if (f[0] == "text" && f.size() == 4) {
        job = TextJob{f[1], f[3], f[2]};
        return true;
    }
    if (f[0] == "mark" && f.size() == 4) {
        job = MarkJob{std::atoi(f[1].c_str()), f[2] == "1", f[3]};
        return true;
    }
    if (f[0] == "release" && f.size() == 2) {
        job = ReleaseJob{std::atoi(f[1].c_str())};
        return true;
    }
    return false;
}

} // namespace

bool SaveHeldWork(const std::string& path, const std::deque<DbJob>& jobs, std::string& error)
{
    std::string text;
    for (const DbJob& job : jobs)
        text += Line(job);
    // Written beside and renamed, so a crash never leaves half a file in its place; it holds
    // phone numbers, so only its owner reads it.
    const std::string temporary = path + ".new";
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = temporary + ": " + std::strerror(errno);
        return false;
    }
    const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) && fsync(fd) == 0;
    const int saved = errno;
    close(fd);
    if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = path + ": " + std::strerror(written ? errno : saved);
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

bool LoadHeldWork(const std::string& path, std::deque<DbJob>& jobs, int& skipped, std::string& error)
{
    skipped = 0;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        if (errno == ENOENT)
            return true;
        error = path + ": " + std::strerror(errno);
        return false;
    }
    std::string line;
    std::deque<DbJob> loaded;
    while (std::getline(file, line)) {
        if (line.empty())
            continue;
        DbJob job;
        if (Parse(Split(line), job))
            loaded.push_back(std::move(job));
        else
            ++skipped;
    }
    file.close();
    if (std::remove(path.c_str()) != 0) {
        // Kept, it would be done twice at the next start.
        error = path + " cannot be removed: " + std::strerror(errno);
        return false;
    }
    for (auto it = loaded.rbegin(); it != loaded.rend(); ++it)
        jobs.push_front(std::move(*it));
    return true;
}
