// ./run.sh stops the simulator it started, however it is stopped itself: the simulator has
// a session of its own, so one left behind would run on with nobody to end it.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// Stands in for the gateway host: like it, it takes a while to finish its message when told
// to stop, which is when a second Ctrl-C or TERM tends to come.
const char kSlowHost[] = "#!/bin/sh\n"
                         "trap 'sleep 1; exit 0' TERM\n"
                         "while :; do sleep 0.05; done\n";

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The process listening on a Unix socket, or -1.
pid_t SocketOwner(const std::string& path)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    pid_t pid = -1;
    ucred cred{};
    socklen_t len = sizeof cred;
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0)
        pid = cred.pid;
    close(fd);
    return pid;
}

bool Alive(pid_t pid)
{
    return kill(pid, 0) == 0 || errno != ESRCH;
}

// run.sh on programs of a scratch build folder: the real simulator, a slow stand-in host and
// a database file that is already there; no display, so it runs in the foreground.
class RunScript final {
public:
    RunScript()
    {
        char tmpl[] = "/tmp/run-script-XXXXXX";
        m_dir = mkdtemp(tmpl);
        fs::create_directories(m_dir / "bin");
        fs::create_directories(m_dir / "home");
        fs::create_symlink(GSM_MODEM_SIM_BINARY, m_dir / "bin/gsm-modem-sim");
        std::ofstream(m_dir / "bin/varnholt-gateway") << kSlowHost;
        fs::permissions(m_dir / "bin/varnholt-gateway", fs::perms::owner_all);
        std::ofstream(m_dir / "home/Varnholt.db").flush();

        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            const std::string item = *e;
            if (item.rfind("DISPLAY=", 0) != 0 && item.rfind("WAYLAND_DISPLAY=", 0) != 0 &&
                item.rfind("QT_QPA_PLATFORM=", 0) != 0 && item.rfind("VARNHOLT_", 0) != 0 &&
                item.rfind("KELVANE_HOME=", 0) != 0)
                env.push_back(item);
        }
        env.push_back("VARNHOLT_BUILD_DIR=" + m_dir.string());
        env.push_back("VARNHOLT_SIM_DIR=" + (m_dir / "run").string());
        env.push_back("KELVANE_HOME=" + (m_dir / "home").string());
        std::vector<char*> envp;
        for (std::string& item : env)
            envp.push_back(item.data());
        envp.push_back(nullptr);

        const std::string script = VARNHOLT_SOURCE_DIR "/run.sh";
        const std::string out = (m_dir / "run.out").string();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        // A process group of its own, as a terminal's foreground job: Ctrl-C goes to the group.
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attr, 0);
        const char* argv[] = {script.c_str(), nullptr};
        if (posix_spawn(&m_pid, script.c_str(), &actions, &attr, const_cast<char* const*>(argv), envp.data()) != 0)
            m_pid = -1;
        m_group = m_pid;
        posix_spawnattr_destroy(&attr);
        posix_spawn_file_actions_destroy(&actions);
    }

    ~RunScript()
    {
        // Whatever a failed case left running goes, so that it does not outlive the test.
        if (m_sim > 0 && Alive(m_sim))
            kill(m_sim, SIGKILL);
        if (m_group > 0)
            kill(-m_group, SIGKILL);
        if (m_pid > 0)
            waitpid(m_pid, nullptr, 0);
        fs::remove_all(m_dir);
    }

    RunScript(const RunScript&) = delete;
    RunScript& operator=(const RunScript&) = delete;

    fs::path Link() const { return m_dir / "run/modem"; }
    fs::path Socket() const { return m_dir / "run/modem.sock"; }
    pid_t Pid() const { return m_pid; }
    pid_t Simulator() const { return m_sim; }
    std::string Output() const { return ReadFile(m_dir / "run.out"); }

    // Until run.sh has started both programs and says so; the simulator's process then.
    bool WaitUntilUp()
    {
        for (int i = 0; i < 250 && m_pid > 0; ++i) {
            if (Output().find("until Ctrl-C") != std::string::npos) {
                m_sim = SocketOwner(Socket().string());
                return m_sim > 0;
            }
            usleep(20000);
        }
        return false;
    }

    // Its exit status, or -1 when it has not ended within 10 s.
    int WaitForExit()
    {
        for (int i = 0; i < 500; ++i) {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                return status;
            }
            usleep(20000);
        }
        return -1;
    }

private:
    fs::path m_dir;
    pid_t m_pid = -1;
    pid_t m_group = -1; // run.sh's process group, the host's too
    pid_t m_sim = -1;
};

TEST(RunScript, StopsTheSimulatorAndItsFilesGo)
{
    struct Case {
        const char* name;
        std::vector<int> signals;
        bool toGroup; // as Ctrl-C on a terminal: run.sh and the host, never the simulator
    };
    const Case cases[] = {
        {"TERM", {SIGTERM}, false},
        {"a second TERM while the host finishes", {SIGTERM, SIGTERM}, false},
        {"Ctrl-C twice", {SIGINT, SIGINT}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunScript run;
        ASSERT_TRUE(run.WaitUntilUp()) << run.Output();
        for (const int signal : c.signals) {
            kill(c.toGroup ? -run.Pid() : run.Pid(), signal);
            usleep(200000);
        }
        EXPECT_NE(run.WaitForExit(), -1) << run.Output();
        EXPECT_FALSE(Alive(run.Simulator())) << "the simulator runs on";
        EXPECT_FALSE(fs::is_symlink(run.Link()));
        EXPECT_FALSE(fs::exists(run.Socket()));
    }
}

} // namespace
