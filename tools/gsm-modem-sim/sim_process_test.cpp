// Drives the simulator program over its pseudo-terminal and its control socket, the way a
// gateway and a test harness use it.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// One simulator process in a scratch folder, with its link, log and control socket there.
class SimProcess final {
public:
    explicit SimProcess(bool fifo = false) {
        char tmpl[] = "/tmp/gsm-sim-test-XXXXXX";
        m_dir = mkdtemp(tmpl);
        m_control = m_dir + (fifo ? "/control.fifo" : "/control.sock");
        int out[2];
        if (pipe(out) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        const std::string link = Link();
        const std::string log = Log();
        std::vector<const char*> argv = {GSM_MODEM_SIM_BINARY, "--link", link.c_str(), "--log", log.c_str(),
                                         fifo ? "--control-fifo" : "--control", m_control.c_str(), nullptr};
        posix_spawn(&m_pid, argv[0], &actions, nullptr, const_cast<char* const*>(argv.data()), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        m_stdout = out[0];
        m_firstLine = ReadStdoutLine();
    }
    ~SimProcess() {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_stdout >= 0) close(m_stdout);
        fs::remove_all(m_dir);
    }

    std::string Link() const { return m_dir + "/modem"; }
    std::string Log() const { return m_dir + "/sent.jsonl"; }
    const std::string& FirstLine() const { return m_firstLine; }
    pid_t Pid() const { return m_pid; }

    std::string ReadStdoutLine() {
        std::string line;
        char c;
        pollfd p{m_stdout, POLLIN, 0};
        while (poll(&p, 1, 5000) > 0 && read(m_stdout, &c, 1) == 1 && c != '\n') line.push_back(c);
        return line;
    }

    // Sends one control line and returns the reply (sockets) or "" (FIFO).
    std::string Control(const std::string& line) {
        if (m_control.size() > 5 && m_control.substr(m_control.size() - 5) == ".fifo") {
            const int fd = open(m_control.c_str(), O_WRONLY);
            const std::string text = line + "\n";
            EXPECT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
            close(fd);
            return "";
        }
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, m_control.c_str(), sizeof addr.sun_path - 1);
        if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            close(fd);
            return "connect failed";
        }
        const std::string text = line + "\n";
        EXPECT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        std::string reply;
        char c;
        pollfd p{fd, POLLIN, 0};
        while (poll(&p, 1, 5000) > 0 && read(fd, &c, 1) == 1 && c != '\n') reply.push_back(c);
        close(fd);
        return reply;
    }

private:
    std::string m_dir;
    std::string m_control;
    pid_t m_pid = -1;
    int m_stdout = -1;
    std::string m_firstLine;
};

// The gateway's end of the line: opens the device raw, writes, and waits for text.
class Terminal final {
public:
    explicit Terminal(const std::string& path) {
        m_fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd >= 0) {
            termios tio{};
            tcgetattr(m_fd, &tio);
            cfmakeraw(&tio);
            tcsetattr(m_fd, TCSANOW, &tio);
            tcflush(m_fd, TCIOFLUSH);
        }
    }
    ~Terminal() {
        if (m_fd >= 0) close(m_fd);
    }
    bool IsOpen() const { return m_fd >= 0; }
    void Write(const std::string& bytes) {
        ASSERT_EQ(write(m_fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Reads until the text holds `want`; returns everything read up to and including it.
    std::string WaitFor(const std::string& want, int timeoutMs = 3000) {
        const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (true) {
            const auto at = m_buffer.find(want);
            if (at != std::string::npos) {
                std::string got = m_buffer.substr(0, at + want.size());
                m_buffer.erase(0, at + want.size());
                return got;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
            if (left <= 0 || m_hungUp) return "timeout; had: " + m_buffer;
            pollfd p{m_fd, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
            char buf[1024];
            const ssize_t n = read(m_fd, buf, sizeof buf);
            if (n > 0) {
                m_buffer.append(buf, static_cast<std::size_t>(n));
            } else if (n == 0 || errno == EIO) {
                m_hungUp = true;
            }
        }
    }
    std::string Command(const std::string& command, const std::string& until = "\r\nOK\r\n") {
        Write(command);
        return WaitFor(until);
    }
    bool HungUp() {
        WaitFor("\x01\x02never", 1000);
        return m_hungUp;
    }

private:
    int m_fd = -1;
    std::string m_buffer;
    bool m_hungUp = false;
};

std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

void Initialise(Terminal& t) {
    ASSERT_NE(t.Command("ATE\r\n").find("OK"), std::string::npos);
    ASSERT_NE(t.Command("AT+CMGF=0\r\n").find("OK"), std::string::npos);
    ASSERT_NE(t.Command("AT+CSMS=1\r\n").find("OK"), std::string::npos);
    ASSERT_NE(t.Command("AT+CNMI=1,1,0,2,1\r\n").find("OK"), std::string::npos);
}

TEST(SimProcess, PrintsItsDeviceAndLinksIt) {
    SimProcess sim;
    ASSERT_EQ(sim.FirstLine().rfind("/dev/pts/", 0), 0u) << sim.FirstLine();
    EXPECT_EQ(fs::read_symlink(sim.Link()).string(), sim.FirstLine());
}

TEST(SimProcess, SendsReceivesAndReportsOverThePty) {
    SimProcess sim;
    Terminal t(sim.Link());
    ASSERT_TRUE(t.IsOpen());
    Initialise(t);

    const std::string abc = "0011000D91683118325476F80000000361F118";
    EXPECT_EQ(t.Command("AT+CMGS=18\r", "> "), "\r\n> ");
    EXPECT_NE(t.Command(abc + "\x1A\r").find("+CMGS: 1\r\n"), std::string::npos);
    const std::string chinese = "0031000D91683118325476F8000800044F60597D";
    t.Command("AT+CMGS=19\r", "> ");
    EXPECT_NE(t.Command(chinese + "\x1A\r").find("+CMGS: 2\r\n"), std::string::npos);
    const auto log = ReadLines(sim.Log());
    ASSERT_EQ(log.size(), 2u);
    EXPECT_NE(log[0].find("\"text\":\"abc\",\"status_report\":false"), std::string::npos) << log[0];
    EXPECT_NE(log[1].find("\"text\":\"你好\",\"status_report\":true"), std::string::npos) << log[1];

    EXPECT_EQ(sim.Control("deliver +8613812345678 2026-03-15T12:34:56+08:00 你好"), "ok SM 1");
    EXPECT_EQ(t.WaitFor("\r\n+CMTI: \"SM\",1\r\n"), "\r\n+CMTI: \"SM\",1\r\n");
    EXPECT_NE(t.Command("AT+CMGR=1\r\n").find("00040D91683118325476F8000862305121436523044F60597D\r\n"),
              std::string::npos);
    t.Command("AT+CMGD=1\r\n");
    EXPECT_EQ(sim.Control("slots SM"), "ok SM=");

    EXPECT_EQ(sim.Control("set report-storage SR"), "ok");
    EXPECT_EQ(sim.Control("report 2"), "ok SR 1");
    EXPECT_NE(t.WaitFor("\r\n+CDSI: \"SR\",1\r\n").find("+CDSI"), std::string::npos);
}

TEST(SimProcess, TerminalMayCloseAndReopen) {
    SimProcess sim;
    {
        Terminal t(sim.Link());
        Initialise(t);
        EXPECT_EQ(t.Command("AT+CMGS=18\r", "> "), "\r\n> ");  // left half-way
    }
    Terminal again(sim.Link());
    EXPECT_EQ(again.Command("AT\r"), "\r\nOK\r\n");
}

TEST(SimProcess, HangupDropsTheLineAndMovesTheLink) {
    SimProcess sim;
    Terminal t(sim.Link());
    Initialise(t);
    const std::string reply = sim.Control("hangup");
    ASSERT_EQ(reply.rfind("ok /dev/pts/", 0), 0u) << reply;
    EXPECT_TRUE(t.HungUp());
    EXPECT_EQ(fs::read_symlink(sim.Link()).string(), reply.substr(3));
    EXPECT_EQ(sim.ReadStdoutLine(), reply.substr(3));
    Terminal fresh(sim.Link());
    EXPECT_EQ(fresh.Command("AT\r"), "\r\nOK\r\n");  // the modem keeps its settings: echo stays off
}

TEST(SimProcess, FifoTakesCommandsToo) {
    SimProcess sim(true);
    Terminal t(sim.Link());
    Initialise(t);
    sim.Control("deliver 10086 now hello");
    EXPECT_EQ(t.WaitFor("+CMTI: \"SM\",1\r\n"), "\r\n+CMTI: \"SM\",1\r\n");
}

TEST(SimProcess, TerminationRemovesTheLink) {
    SimProcess sim;
    ASSERT_TRUE(fs::is_symlink(sim.Link()));
    kill(sim.Pid(), SIGTERM);
    for (int i = 0; i < 100 && fs::is_symlink(sim.Link()); ++i) usleep(20000);
    EXPECT_FALSE(fs::is_symlink(sim.Link()));
}

}  // namespace
