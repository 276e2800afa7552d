#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

class CDbConnection;

// varnholt-gateway as a process, for the host's process tests and the benchmarks: started
// with options, its standard error in a file, its CPU time readable, ended by SIGTERM or
// SIGKILL (at the latest when it goes out of scope).
class HostProcess final {
public:
    HostProcess(const std::string& binary, const std::vector<std::string>& options, const std::string& logPath);
    ~HostProcess();
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    bool Started() const { return m_pid > 0; }
    pid_t Pid() const { return m_pid; }
    // CPU seconds (user + system) used so far; 0 once it ended.
    double CpuSeconds() const;
    // Its log (standard error) so far.
    std::string Log() const;
    // How many lines of its log hold text.
    int LogCount(const std::string& text) const;
    // Ends it at once (SIGKILL), as a crash or a pulled power cord would.
    void Kill();
    // SIGTERM, then the exit status; -1 when it did not end within 30 s.
    int Stop();

private:
    std::string m_logPath;
    pid_t m_pid = -1;
};

// CPU seconds (user + system) a running process has used so far; 0 when it cannot be read.
double ProcessCpuSeconds(pid_t pid);

// The text of a string field of a one-line JSON object (as the simulator logs), "" when absent.
std::string JsonField(const std::string& line, const std::string& name);

// How many messages a simulator's log shows submitted, and to which numbers (in order).
std::vector<std::string> SubmittedNumbers(const std::string& simLogPath);

// "select count(*) " + fromWhere on db; 0 when it cannot be read.
int CountRows(CDbConnection& db, const std::string& fromWhere);
