#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// varnholt-gateway as a process for the benchmarks: started with options, its standard
// error in a file, its CPU time readable, ended by SIGTERM or SIGKILL.
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
    // How many lines of its log hold text.
    int LogCount(const std::string& text) const;
    void Kill();
    // SIGTERM and the wait for the end.
    void Stop();

private:
    std::string m_logPath;
    pid_t m_pid = -1;
};

// CPU seconds (user + system) a running process has used so far; 0 when it cannot be read.
double ProcessCpuSeconds(pid_t pid);

// How many messages a simulator's log shows submitted, and to which numbers (in order).
std::vector<std::string> SubmittedNumbers(const std::string& simLogPath);
