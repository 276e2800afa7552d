#include "host_process.h"

#include "db_connection.h"
#include "db_recordset.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

HostProcess::HostProcess(const std::string& binary, const std::vector<std::string>& options, const std::string& logPath)
    : m_logPath(logPath)
{
    std::vector<std::string> args = {binary};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
}

HostProcess::~HostProcess()
{
    Kill();
}

double HostProcess::CpuSeconds() const
{
    return m_pid <= 0 ? 0 : ProcessCpuSeconds(m_pid);
}

double ProcessCpuSeconds(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::vector<std::string> fields;
    std::string field;
    for (char c : text.substr(close + 2)) {
        if (c == ' ') {
            fields.push_back(field);
            field.clear();
        } else {
            field.push_back(c);
        }
    }
    if (fields.size() < 13)
        return 0;
    // utime and stime are fields 14 and 15 of the line, 12 and 13 after the name.
    return (std::atof(fields[11].c_str()) + std::atof(fields[12].c_str())) / sysconf(_SC_CLK_TCK);
}

std::string HostProcess::Log() const
{
    std::ifstream file(m_logPath);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

int HostProcess::LogCount(const std::string& text) const
{
    std::ifstream in(m_logPath);
    int n = 0;
    for (std::string line; std::getline(in, line);)
        if (line.find(text) != std::string::npos)
            ++n;
    return n;
}

void HostProcess::Kill()
{
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}

int HostProcess::Stop()
{
    if (m_pid <= 0)
        return -1;
    kill(m_pid, SIGTERM);
    for (int i = 0; i < 600; ++i) {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return -1;
}

std::string JsonField(const std::string& line, const std::string& name)
{
    const std::string key = "\"" + name + "\":\"";
    const auto start = line.find(key);
    if (start == std::string::npos)
        return {};
    const auto end = line.find('"', start + key.size());
    return line.substr(start + key.size(), end - start - key.size());
}

std::vector<std::string> SubmittedNumbers(const std::string& simLogPath)
{
    std::ifstream in(simLogPath);
    std::vector<std::string> numbers;
    for (std::string line; std::getline(in, line);) {
        if (line.find("\"event\":\"submit\"") == std::string::npos || line.find("\"number\":\"") == std::string::npos)
            continue;
        numbers.push_back(JsonField(line, "number"));
    }
    return numbers;
}

int CountRows(CDbConnection& db, const std::string& fromWhere)
{
    CDbRecordset rs;
    rs.SetConnection(&db);
    std::string value;
    if (rs.Open("select count(*) as n " + fromWhere, 1, 3, 3) == 1)
        rs.GetFieldValue("n", value);
    return std::atoi(value.c_str());
}
