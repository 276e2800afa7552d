// Drives the simulator program over its pseudo-terminal and its control socket, the way a
// gateway and a test harness use it.
#include "sim_process.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The gateway's end of the line: opens the device raw, writes, and waits for text.
class Terminal final {
public:
    explicit Terminal(const std::string& path)
    {
        m_fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd >= 0) {
            termios tio{};
            tcgetattr(m_fd, &tio);
            cfmakeraw(&tio);
            tcsetattr(m_fd, TCSANOW, &tio);
            tcflush(m_fd, TCIOFLUSH);
        }
    }
    ~Terminal()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    bool IsOpen() const { return m_fd >= 0; }
    void Write(const std::string& bytes)
    {
        ASSERT_EQ(write(m_fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Reads until the text holds `want`; returns everything read up to and including it.
    std::string WaitFor(const std::string& want, int timeoutMs = 3000)
    {
        const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (true) {
            const auto at = m_buffer.find(want);
            if (at != std::string::npos) {
                std::string got = m_buffer.substr(0, at + want.size());
                m_buffer.erase(0, at + want.size());
                return got;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
            if (left <= 0 || m_hungUp)
                return "timeout; had: " + m_buffer;
            pollfd p{m_fd, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left)) <= 0)
                continue;
            char buf[1024];
            const ssize_t n = read(m_fd, buf, sizeof buf);
            if (n > 0) {
                m_buffer.append(buf, static_cast<std::size_t>(n));
            } else if (n == 0 || errno == EIO) {
                m_hungUp = true;
            }
        }
    }
    std::string Command(const std::string& command, const std::string& until = "\r\nOK\r\n")
    {
        Write(command);
        return WaitFor(until);
    }
    bool HungUp()
    {
        WaitFor("\x01\x02never", 1000);
        return m_hungUp;
    }

private:
    int m_fd = -1;
    std::string m_buffer;
    bool m_hungUp = false;
};

void Initialise(Terminal& t)
{
    ASSERT_NE(t.Command("ATE\r\n").find("OK"), std::string::npos);
    ASSERT_NE(t.Command("AT+CMGF=0\r\n").find("OK"), std::string::npos);
    ASSERT_NE(t.Command("AT+CSMS=1\r\n").find("OK"), std::string::npos);
    ASSERT_NE(t.Command("AT+CNMI=1,1,0,2,1\r\n").find("OK"), std::string::npos);
}

TEST(SimProcess, PrintsItsDeviceAndLinksIt)
{
    SimProcess sim;
    ASSERT_EQ(sim.Device().rfind("/dev/pts/", 0), 0u) << sim.Device();
    EXPECT_EQ(fs::read_symlink(sim.Link()).string(), sim.Device());
}

TEST(SimProcess, SendsReceivesAndReportsOverThePty)
{
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
    const auto log = sim.LogLines();
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

TEST(SimProcess, TerminalMayCloseAndReopen)
{
    SimProcess sim;
    {
        Terminal t(sim.Link());
        Initialise(t);
        EXPECT_EQ(t.Command("AT+CMGS=18\r", "> "), "\r\n> "); // left half-way
    }
    Terminal again(sim.Link());
    EXPECT_EQ(again.Command("AT\r"), "\r\nOK\r\n");
}

TEST(SimProcess, HangupDropsTheLineAndMovesTheLink)
{
    SimProcess sim;
    Terminal t(sim.Link());
    Initialise(t);
    const std::string reply = sim.Control("hangup");
    ASSERT_EQ(reply.rfind("ok /dev/pts/", 0), 0u) << reply;
    EXPECT_TRUE(t.HungUp());
    EXPECT_EQ(fs::read_symlink(sim.Link()).string(), reply.substr(3));
    EXPECT_EQ(sim.ReadStdoutLine(), reply.substr(3));
    Terminal fresh(sim.Link());
    EXPECT_EQ(fresh.Command("AT\r"), "\r\nOK\r\n"); // the modem keeps its settings: echo stays off
}

TEST(SimProcess, FifoTakesCommandsToo)
{
    SimProcess sim({}, SimProcess::ControlKind::kFifo);
    Terminal t(sim.Link());
    Initialise(t);
    sim.Control("deliver 10086 now hello");
    EXPECT_EQ(t.WaitFor("+CMTI: \"SM\",1\r\n"), "\r\n+CMTI: \"SM\",1\r\n");
}

// A signal that ends the simulator takes its link and its control socket with it, so
// nothing points at a device that is gone.
TEST(SimProcess, ASignalEndsItAndRemovesLinkAndSocket)
{
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        SimProcess sim;
        ASSERT_TRUE(fs::is_symlink(sim.Link()));
        ASSERT_TRUE(fs::is_socket(sim.ControlPath()));
        const int status = sim.Stop(signal);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        EXPECT_FALSE(fs::is_symlink(sim.Link()));
        EXPECT_FALSE(fs::exists(sim.ControlPath()));
    }
}

// A simulator started again in the same place owns the link and the socket now: the one
// that ends later must not take them from it.
TEST(SimProcess, LeavesALinkAndSocketTakenOverAlone)
{
    SimProcess first;
    first.KeepFolder();
    SimProcess second(first.Folder());
    ASSERT_TRUE(second.Started());
    EXPECT_EQ(first.Stop(SIGTERM), 0);
    EXPECT_EQ(fs::read_symlink(second.Link()).string(), second.Device());
    EXPECT_EQ(second.Control("ping"), "ok pong");
}

// User and system CPU time the process has used so far, in seconds.
double CpuSeconds(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The fields after the command name (which may hold blanks) start at its closing ')'.
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            utime = std::stoull(field);
        if (i == 15)
            stime = std::stoull(field);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// While nobody has the device open the master side reports a hang-up on every poll; the
// simulator must wait for the next terminal, not spin on it (a spinning one burns a core:
// several tenths of a second per second). A waiting one uses next to nothing, so the bound
// leaves a wide margin for a busy machine.
TEST(SimProcess, WaitsIdleWhileNobodyHoldsTheLine)
{
    struct Case {
        const char* name;
        int opens;
    };
    for (const Case c : {Case{"never opened", 0}, Case{"opened and closed", 1}, Case{"opened and closed twice", 2}}) {
        SCOPED_TRACE(c.name);
        SimProcess sim;
        ASSERT_TRUE(sim.Started());
        for (int i = 0; i < c.opens; ++i) {
            Terminal t(sim.Link());
            EXPECT_EQ(t.Command("AT\r"), "AT\r\r\nOK\r\n");
        }
        usleep(100000);
        const double before = CpuSeconds(sim.Pid());
        usleep(1000000);
        const double used = CpuSeconds(sim.Pid()) - before;
        EXPECT_LT(used, 0.1) << "CPU seconds in one second with nobody on the line";

        Terminal next(sim.Link());
        EXPECT_EQ(next.Command("AT\r"), "AT\r\r\nOK\r\n");
    }
}

} // namespace
