#include "sim_process.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

SimProcess::SimProcess(const std::string& folder) {
    if (folder.empty()) {
        char tmpl[] = "/tmp/brantlet-sim-XXXXXX";
        m_dir = mkdtemp(tmpl);
    } else {
        m_dir = folder;
    }
    int out[2];
    if (pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string link = Link();
    const std::string log = LogPath();
    const std::string control = m_dir + "/control.sock";
    std::vector<const char*> argv = {GSM_MODEM_SIM_BINARY, "--link", link.c_str(), "--log", log.c_str(),
                                     "--control", control.c_str(), nullptr};
    if (posix_spawn(&m_pid, argv[0], &actions, nullptr, const_cast<char* const*>(argv.data()), environ) != 0) {
        m_pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    // The first line names the device; by then the link and the socket exist.
    char c;
    pollfd p{out[0], POLLIN, 0};
    while (m_pid > 0 && poll(&p, 1, 5000) > 0 && read(out[0], &c, 1) == 1 && c != '\n') m_device.push_back(c);
    close(out[0]);
}

SimProcess::~SimProcess() {
    Kill();
    if (!m_keepFolder) std::filesystem::remove_all(m_dir);
}

void SimProcess::Kill() {
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
}

std::string SimProcess::Control(const std::string& line) const {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, (m_dir + "/control.sock").c_str(), sizeof addr.sun_path - 1);
    std::string reply;
    const std::string text = line + "\n";
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size())) {
        char c;
        pollfd p{fd, POLLIN, 0};
        while (poll(&p, 1, 5000) > 0 && read(fd, &c, 1) == 1 && c != '\n') reply.push_back(c);
    }
    close(fd);
    return reply;
}

std::vector<std::string> SimProcess::LogLines() const {
    std::ifstream in(LogPath());
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}
