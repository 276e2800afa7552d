#include "sim_process.h"

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// Up to the next newline, giving up after 5 s of silence.
std::string ReadLine(int fd)
{
    std::string line;
    char c;
    pollfd p{fd, POLLIN, 0};
    while (poll(&p, 1, 5000) > 0 && read(fd, &c, 1) == 1 && c != '\n')
        line.push_back(c);
    return line;
}

bool WriteAll(int fd, const std::string& text)
{
    return write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

} // namespace

SimProcess::SimProcess(const std::string& folder, ControlKind control)
{
    if (folder.empty()) {
        char tmpl[] = "/tmp/gsm-sim-XXXXXX";
        m_dir = mkdtemp(tmpl);
    } else {
        m_dir = folder;
    }
    const bool fifo = control == ControlKind::kFifo;
    m_control = m_dir + (fifo ? "/control.fifo" : "/control.sock");
    int out[2];
    if (pipe(out) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string link = Link();
    const std::string log = LogPath();
    std::vector<const char*> argv = {
        GSM_MODEM_SIM_BINARY, "--link", link.c_str(), "--log", log.c_str(), fifo ? "--control-fifo" : "--control",
        m_control.c_str(),    nullptr};
    if (posix_spawn(&m_pid, argv[0], &actions, nullptr, const_cast<char* const*>(argv.data()), environ) != 0) {
        m_pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    m_stdout = out[0];
    // The first line names the device; by then the link and the control channel exist.
    if (m_pid > 0)
        m_device = ReadStdoutLine();
}

SimProcess::~SimProcess()
{
    Kill();
    if (m_stdout >= 0)
        close(m_stdout);
    if (!m_keepFolder)
        std::filesystem::remove_all(m_dir);
}

void SimProcess::Kill()
{
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
}

int SimProcess::Stop(int signal)
{
    if (m_pid <= 0)
        return -1;
    kill(m_pid, signal);
    for (int i = 0; i < 250; ++i) {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return status;
        }
        usleep(20000);
    }
    Kill();
    return -1;
}

std::string SimProcess::ReadStdoutLine()
{
    return ReadLine(m_stdout);
}

std::string SimProcess::Control(const std::string& line) const
{
    const std::string text = line + "\n";
    if (m_control.ends_with(".fifo")) {
        const int fd = open(m_control.c_str(), O_WRONLY);
        if (fd >= 0) {
            WriteAll(fd, text);
            close(fd);
        }
        return "";
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, m_control.c_str(), sizeof addr.sun_path - 1);
    std::string reply;
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && WriteAll(fd, text)) {
        reply = ReadLine(fd);
    }
    close(fd);
    return reply;
}

std::vector<std::string> SimProcess::LogLines() const
{
    std::ifstream in(LogPath());
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}
