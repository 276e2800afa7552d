// gsm-modem-sim: a GSM modem on a pseudo-terminal, for tests, demos and hosts without one.
#include "control_channel.h"
#include "json_line.h"
#include "modem_sim.h"
#include "pty_line.h"
#include "sim_control.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/signalfd.h>
#include <unistd.h>
#include <vector>

namespace {

const char kUsage[] = "usage: gsm-modem-sim [--link PATH] [--log FILE] [--control SOCKET | --control-fifo FIFO]\n"
                      "                     [--smsc NUMBER] [--deliver-storage MEM] [--report-storage MEM]\n"
                      "                     [--auto-report MS]\n"
                      "Prints the device path of the simulated modem on its first line of output.\n";

std::int64_t MonotonicMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

struct Args {
    std::string link;
    std::string log;
    std::string control;
    std::string controlFifo;
    gsmsim::ModemSimOptions options;
};

bool ParseArgs(int argc, char** argv, Args* args)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h")
            return false;
        if (i + 1 >= argc)
            return false;
        const std::string v = argv[++i];
        if (a == "--link") {
            args->link = v;
        } else if (a == "--log") {
            args->log = v;
        } else if (a == "--control") {
            args->control = v;
        } else if (a == "--control-fifo") {
            args->controlFifo = v;
        } else if (a == "--smsc") {
            args->options.smsc = v;
        } else if (a == "--deliver-storage") {
            args->options.deliverStorage = v;
        } else if (a == "--report-storage") {
            args->options.reportStorage = v;
        } else if (a == "--auto-report") {
            args->options.autoReportMs = std::atoi(v.c_str());
        } else {
            return false;
        }
    }
    return args->control.empty() || args->controlFifo.empty();
}

} // namespace

int main(int argc, char** argv)
{
    Args args;
    if (!ParseArgs(argc, argv, &args)) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    const int signalFd = signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
    std::signal(SIGPIPE, SIG_IGN);

    FILE* log = stderr;
    if (!args.log.empty()) {
        log = std::fopen(args.log.c_str(), "a");
        if (!log) {
            std::fprintf(stderr, "gsm-modem-sim: %s: %s\n", args.log.c_str(), std::strerror(errno));
            return 1;
        }
    }

    std::string error;
    gsmsim::PtyLine line;
    if (!line.Open(&error) || (!args.link.empty() && !line.UpdateLink(args.link, &error))) {
        std::fprintf(stderr, "gsm-modem-sim: %s\n", error.c_str());
        return 1;
    }

    gsmsim::ModemSim sim(
        args.options,
        [log](const std::string& json) {
            std::fputs(json.c_str(), log);
            std::fputc('\n', log);
            std::fflush(log);
        },
        [] { return std::time(nullptr); });
    gsmsim::SimControl control(sim);
    gsmsim::ControlChannel channel;
    if ((!args.control.empty() && !channel.OpenSocket(args.control, &error)) ||
        (!args.controlFifo.empty() && !channel.OpenFifo(args.controlFifo, &error))) {
        std::fprintf(stderr, "gsm-modem-sim: %s\n", error.c_str());
        if (!args.link.empty())
            line.RemoveLink(args.link);
        return 1;
    }

    std::printf("%s\n", line.SlavePath().c_str());
    std::fflush(stdout);

    bool attached = true; // until poll says nobody holds the slave open
    bool running = true;
    std::string toWrite;

    const auto handle = [&](const std::string& text) {
        const gsmsim::ControlReply reply = control.Handle(text, MonotonicMs());
        if (reply.action == gsmsim::ControlReply::Action::kQuit)
            running = false;
        if (reply.action == gsmsim::ControlReply::Action::kHangup) {
            // Dropping the master hangs the terminal up; a fresh line takes the link over.
            sim.LineDropped();
            toWrite.clear();
            std::string err;
            if (!line.Open(&err) || (!args.link.empty() && !line.UpdateLink(args.link, &err))) {
                std::fprintf(stderr, "gsm-modem-sim: %s\n", err.c_str());
                running = false;
                return "error " + err;
            }
            attached = true;
            std::printf("%s\n", line.SlavePath().c_str());
            std::fflush(stdout);
            return reply.text + " " + line.SlavePath();
        }
        return reply.text;
    };

    while (running) {
        std::int64_t now = MonotonicMs();
        const std::string out = sim.TakeOutput(now);
        if (attached)
            toWrite += out;
        // A terminal that never reads must not make us grow without end: keep the newest.
        if (toWrite.size() > 65536)
            toWrite.erase(0, toWrite.size() - 65536);
        while (!toWrite.empty()) {
            const ssize_t n = ::write(line.Fd(), toWrite.data(), toWrite.size());
            if (n <= 0)
                break;
            toWrite.erase(0, static_cast<std::size_t>(n));
        }

        const std::int64_t due = sim.NextDueMs();
        int timeout = due < 0 ? -1 : static_cast<int>(std::max<std::int64_t>(0, due - now));
        if (!attached && (timeout < 0 || timeout > 50))
            timeout = 50;

        std::vector<pollfd> fds;
        fds.push_back({signalFd, POLLIN, 0});
        // While nobody holds the device open the master reports a hang-up at once on every
        // poll, whatever it is asked for: leave it out then and look again on the timer
        // above, as a modem waits for the next DTR.
        if (attached)
            fds.push_back({line.Fd(), static_cast<short>(POLLIN | (toWrite.empty() ? 0 : POLLOUT)), 0});
        channel.AddPollFds(&fds);
        if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR)
            break;

        if (fds[0].revents & POLLIN)
            break;
        now = MonotonicMs();
        if (attached) {
            const short revents = fds[1].revents;
            bool gone = (revents & POLLHUP) && !(revents & POLLIN);
            if (revents & POLLIN) {
                char buf[4096];
                const ssize_t n = ::read(line.Fd(), buf, sizeof buf);
                if (n > 1 && buf[0] == TIOCPKT_DATA) {
                    sim.Feed(std::string_view(buf + 1, static_cast<std::size_t>(n - 1)), now);
                } else if (n == 1 && (buf[0] & TIOCPKT_FLUSHREAD)) {
                    // The terminal threw its input away, as it does when it opens the line.
                    sim.LineDropped();
                    toWrite.clear();
                } else if (n < 0 && errno == EIO) {
                    gone = true; // closed, and everything it wrote has been read
                }
            }
            if (gone) {
                // The terminal closed its end: what it typed half-way and what we owed it go.
                attached = false;
                sim.LineDropped();
                toWrite.clear();
            }
        } else {
            pollfd probe{line.Fd(), POLLIN, 0};
            if (::poll(&probe, 1, 0) >= 0 && !(probe.revents & POLLHUP))
                attached = true;
        }
        channel.Service(fds, handle);
    }

    if (!args.link.empty())
        line.RemoveLink(args.link);
    if (log != stderr)
        std::fclose(log);
    return 0;
}
