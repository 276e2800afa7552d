// Messages per minute through libbrantlet against gsm-modem-sim at send rate 1, beside a
// bare AT client on the same simulator (the modem's own limit), and the library's CPU time
// per message. Run twice: with an instant modem and with a modem that takes 3 s to submit
// each message to the network, as real ones do. Then a 300-character Chinese reply sent as
// one long message (five linked parts) beside the same text as five messages of their own.
#include "brantlet/brantlet.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Sim {
    std::string dir;
    pid_t pid = -1;

    Sim()
    {
        char tmpl[] = "/tmp/brantlet-bench-XXXXXX";
        dir = mkdtemp(tmpl);
        const std::string link = dir + "/modem";
        const std::string control = dir + "/control.sock";
        const std::string log = dir + "/log.jsonl";
        int out[2];
        if (pipe(out) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        const char* argv[] = {GSM_MODEM_SIM_BINARY, "--link", link.c_str(), "--control",
                              control.c_str(),      "--log",  log.c_str(),  nullptr};
        posix_spawn(&pid, argv[0], &actions, nullptr, const_cast<char* const*>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        char c;
        while (read(out[0], &c, 1) == 1 && c != '\n') {
        }
        close(out[0]);
    }
    ~Sim()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        std::filesystem::remove_all(dir);
    }
    std::string Link() const { return dir + "/modem"; }
    void Control(const std::string& line) const
    {
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, (dir + "/control.sock").c_str(), sizeof addr.sun_path - 1);
        if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
            const std::string text = line + "\n";
            if (write(fd, text.data(), text.size()) > 0) {
                char c;
                while (read(fd, &c, 1) == 1 && c != '\n') {
                }
            }
        }
        close(fd);
    }
};

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct LibraryRun {
    double perMinute = 0;
    double cpuMsPerMessage = 0;
    int sent = 0;
};

// long: each message is the 300-character reply through SendLongSms; else each is a
// 60-character fifth of it through SendSms. Counts data units per minute either way.
LibraryRun RunLibrary(const Sim& sim, int messages, bool longReply = false, bool fifths = false)
{
    LibraryRun run;
    brantlet* h = brantlet_create();
    int connected = -1;
    brantlet_on_ConnectStatus(
        h, [](void* u, int32_t s) { *static_cast<int*>(u) = s; }, &connected);
    brantlet_on_SendSmsResult(
        h, [](void* u, int16_t r, int32_t, const char*, const char*) { *static_cast<int*>(u) += r == 1; }, &run.sent);
    brantlet_ConnectModem(h, sim.Link().c_str(), 19200, 0);
    for (int i = 0; i < 100 && connected < 0; ++i)
        brantlet_run_for(h, 50);
    brantlet_run_for(h, 1000); // let the initial message scan finish
    brantlet_SetSendRate(h, 1);
    const double cpu0 = CpuSeconds();
    const auto t0 = Clock::now();
    std::string reply;
    for (int i = 0; i < 30; ++i)
        reply += "您的防伪码验证通过谢谢";
    const std::string fifth = reply.substr(0, reply.size() / 5);
    for (int i = 0; i < messages; ++i) {
        if (longReply)
            brantlet_SendLongSms(h, "13812345678", reply.c_str(), i, 0);
        else
            brantlet_SendSms(h, "13812345678", fifths ? fifth.c_str() : "benchmark message", i);
    }
    while (run.sent < messages && Clock::now() - t0 < std::chrono::minutes(5))
        brantlet_run_for(h, 50);
    const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    run.cpuMsPerMessage = (CpuSeconds() - cpu0) * 1000.0 / messages;
    run.perMinute = run.sent * (longReply ? 5 : 1) * 60.0 / seconds;
    brantlet_DisconnectModem(h);
    brantlet_destroy(h);
    return run;
}

// The same exchange written straight to the device, as fast as the modem answers.
double RunBareClient(const Sim& sim, int messages)
{
    const int fd = open(sim.Link().c_str(), O_RDWR | O_NOCTTY);
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
    tcflush(fd, TCIOFLUSH);
    std::string buffer;
    auto waitFor = [&](const char* want) {
        char buf[512];
        while (buffer.find(want) == std::string::npos) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 10000) <= 0)
                return;
            const ssize_t n = read(fd, buf, sizeof buf);
            if (n <= 0)
                return;
            buffer.append(buf, static_cast<std::size_t>(n));
        }
        buffer.erase(0, buffer.find(want) + std::strlen(want));
    };
    auto say = [&](const std::string& s) {
        if (write(fd, s.data(), s.size()) < 0)
            std::perror("write");
    };
    say("ATE0\r");
    waitFor("OK\r\n");
    // "benchmark message" to 13812345678, as the library encodes it.
    const std::string pdu = "0011000D91683118325476F8000000"
                            "11"
                            "E2B27B8C6E87E56B50BB3C9F87CF65";
    const auto t0 = Clock::now();
    for (int i = 0; i < messages; ++i) {
        say("AT+CMGS=" + std::to_string(pdu.size() / 2 - 1) + "\r");
        waitFor("> ");
        say(pdu + "\x1A\r");
        waitFor("OK\r\n");
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    close(fd);
    return messages * 60.0 / seconds;
}

void Measure(const char* title, const char* modemFault, int messages)
{
    double bare = 0;
    {
        Sim sim;
        if (modemFault)
            sim.Control(modemFault);
        bare = RunBareClient(sim, messages);
    }
    LibraryRun lib;
    {
        Sim sim;
        if (modemFault)
            sim.Control(modemFault);
        lib = RunLibrary(sim, messages);
    }
    std::printf("%s (%d messages)\n", title, messages);
    std::printf("  libbrantlet, send rate 1: %7.1f messages/min  (%d sent)\n", lib.perMinute, lib.sent);
    std::printf("  baseline, bare AT client: %7.1f messages/min\n", bare);
    std::printf("  library CPU time:         %7.3f ms/message\n", lib.cpuMsPerMessage);
}

} // namespace

void MeasureLongReply(int replies)
{
    LibraryRun whole;
    LibraryRun fifths;
    {
        Sim sim;
        whole = RunLibrary(sim, replies, true);
    }
    {
        Sim sim;
        fifths = RunLibrary(sim, replies * 5, false, true);
    }
    std::printf("300-character Chinese reply, instant modem (%d replies)\n", replies);
    std::printf("  as one long message:      %7.1f parts/min     (%d replies sent)  %7.3f ms CPU/reply\n",
                whole.perMinute, whole.sent, whole.cpuMsPerMessage);
    std::printf("  baseline, five messages:  %7.1f messages/min  (%d sent)          %7.3f ms CPU/reply\n",
                fifths.perMinute, fifths.sent, fifths.cpuMsPerMessage * 5);
}

int main(int argc, char** argv)
{
    const int messages = argc > 1 ? std::atoi(argv[1]) : 30;
    Measure("Instant modem", nullptr, messages);
    Measure("Modem taking 3 s per submit", "delay PDU 3000", std::max(3, messages / 3));
    MeasureLongReply(std::max(2, messages / 5));
    return 0;
}
