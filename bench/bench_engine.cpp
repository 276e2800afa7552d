// The modem engine's own cost, printed beside a baseline measured in the same run:
//  1. CPU time of 10,000 sends through the scripted fake modem on virtual time, beside
//     the cost of only encoding the same 10,000 data units;
//  2. CPU used by an idle connected engine on real 100 ms ticks over a pseudo-terminal,
//     beside the same loop without the engine.
// Usage: bench_engine [idle seconds, default 20]
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

#include "fake_modem.h"
#include "manual_clock.h"
#include "manual_timer_host.h"
#include "modem_engine.h"
#include "pdu_codec.h"
#include "recording_event_sink.h"
#include "serial_port.h"
#include "system_link_clock.h"

namespace {

constexpr int kSends = 10000;

double CpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double WallSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

std::string Text(int i)
{
    return "Your code " + std::to_string(1000000000 + i) + " is genuine. Thank you.";
}

void BenchSends(std::int16_t sendRate)
{
    ManualTimerHost timers;
    ManualClock clock(ManualClock::DefaultStart(), [&timers] { return timers.NowMs(); });
    auto owned = std::make_unique<FakeModem>(timers);
    CSerialPort port(std::move(owned));
    RecordingEventSink events;
    CModemEngine engine(port, timers, clock, events);
    engine.Start();
    engine.SetSendRate(sendRate);

    int queued = 0;
    int sent = 0;
    // Paced like a host: keep four messages queued, top up from inside the result event.
    auto queueOne = [&] {
        engine.SendSms("138" + std::to_string(10000000 + queued % 89999999), Text(queued), queued);
        ++queued;
    };
    events.onEvent = [&] {
        if (!events.sendResults.empty()) {
            sent += events.sendResults.back().result == 1 ? 1 : 0;
            events.sendResults.clear();
            events.log.clear();
            if (queued < kSends)
                queueOne();
        }
    };
    engine.Connect("/dev/fake", 19200, 0);
    timers.RunUntil([&] { return engine.IsConnected() == 1; }, 10000);
    timers.RunUntil([&] { return engine.GetTaskCount() == 0; }, 10000);

    const double cpu0 = CpuSeconds();
    const std::int64_t virtual0 = timers.NowMs();
    while (queued < 4)
        queueOne();
    timers.RunUntil([&] { return engine.GetTaskCount() == 0; }, 1LL << 40);
    const double cpu = CpuSeconds() - cpu0;
    const double virtualSeconds = static_cast<double>(timers.NowMs() - virtual0) / 1000.0;

    // Baseline: only encoding the same data units.
    const double base0 = CpuSeconds();
    std::size_t sink = 0;
    for (int i = 0; i < kSends; ++i) {
        MessageRecord record{};
        record.SetNumber("138" + std::to_string(10000000 + i % 89999999));
        record.SetText(Text(i));
        sink += BuildSubmitPdu(record, false).size();
    }
    const double base = CpuSeconds() - base0;

    std::printf("sends at rate %d: %d sent of %d, %.0f s of virtual time (%.0f ticks)\n", sendRate, sent, kSends,
                virtualSeconds, virtualSeconds * 10);
    std::printf("  engine + fake modem: %.3f s CPU, %.0f messages per CPU-second, %.1f us each\n", cpu, kSends / cpu,
                cpu / kSends * 1e6);
    std::printf("  baseline, encoding only: %.3f s CPU, %.0f per CPU-second (%zu chars)\n", base, kSends / base, sink);
}

// A modem on the master side of a pseudo-terminal that answers every command with OK.
void AnswerCommands(int master, std::string& pending)
{
    char buffer[1024];
    for (;;) {
        const ssize_t n = read(master, buffer, sizeof buffer);
        if (n <= 0)
            break;
        pending.append(buffer, static_cast<std::size_t>(n));
    }
    for (std::size_t cr; (cr = pending.find('\r')) != std::string::npos;) {
        pending.erase(0, cr + 1);
        const char ok[] = "\r\nOK\r\n";
        if (write(master, ok, sizeof ok - 1) < 0)
            break;
    }
}

struct IdleFigures {
    double cpu;
    double wall;
    long ticks;
    double tickCpu; // CPU inside the engine tick calls alone
};

double ThreadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Ticks every 100 ms on absolute deadlines for the given time; engine may be null.
IdleFigures RunRealTicks(CModemEngine* engine, int master, double seconds)
{
    std::string pending;
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    const double cpu0 = CpuSeconds();
    const double wall0 = WallSeconds();
    long ticks = 0;
    double tickCpu = 0;
    while (WallSeconds() - wall0 < seconds) {
        next.tv_nsec += 100 * 1000 * 1000;
        if (next.tv_nsec >= 1000 * 1000 * 1000) {
            next.tv_nsec -= 1000 * 1000 * 1000;
            ++next.tv_sec;
        }
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
        if (engine != nullptr) {
            const double before = ThreadCpuSeconds();
            engine->OnTimer(CModemEngine::kEngineTimer);
            tickCpu += ThreadCpuSeconds() - before;
        }
        AnswerCommands(master, pending);
        ++ticks;
    }
    return {CpuSeconds() - cpu0, WallSeconds() - wall0, ticks, tickCpu};
}

// Timers are driven by hand here: the loop above calls the engine tick itself.
class NoTimers final : public TimerHost {
public:
    void SetClient(Client*) override {}
    void Start(int, int) override {}
    void Stop(int) override {}
};

int BenchIdle(double seconds)
{
    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    close(slave);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

    NoTimers timers;
    SystemLinkClock clock;
    CSerialPort port;
    RecordingEventSink events;
    CModemEngine engine(port, timers, clock, events);
    engine.Start();
    if (engine.Connect(name, 19200, 0) != 1) {
        std::fprintf(stderr, "cannot open %s\n", name);
        return 1;
    }
    engine.ConnectTimer();
    std::string pending;
    for (int i = 0; i < 100 && engine.GetTaskCount() > 0; ++i) {
        usleep(20000);
        AnswerCommands(master, pending);
        engine.EngineTick();
    }
    if (engine.IsConnected() != 1 || engine.GetTaskCount() != 0) {
        std::fprintf(stderr, "the engine did not get ready\n");
        return 1;
    }

    const IdleFigures idle = RunRealTicks(&engine, master, seconds);
    const IdleFigures base = RunRealTicks(nullptr, master, seconds / 4);
    const auto share = [](const IdleFigures& f) { return f.cpu / f.wall * 100.0; };
    std::printf("idle connected engine, real 100 ms ticks over a pty, %.1f s (%ld ticks):\n", idle.wall, idle.ticks);
    std::printf("  engine loop: %.4f s CPU, %.1f us per tick, %.4f %% of one core, "
                "%.1f ms CPU per minute\n",
                idle.cpu, idle.cpu / idle.ticks * 1e6, share(idle), idle.cpu / idle.wall * 60e3);
    std::printf("  baseline, same loop without the engine (%.1f s): %.1f us per tick, "
                "%.4f %% of one core\n",
                base.wall, base.cpu / base.ticks * 1e6, share(base));
    std::printf("  inside the engine tick alone: %.1f us per tick, %.4f %% of one core, "
                "%.2f ms CPU per minute\n",
                idle.tickCpu / idle.ticks * 1e6, idle.tickCpu / idle.wall * 100.0, idle.tickCpu / idle.wall * 60e3);
    close(master);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const double idleSeconds = argc > 1 ? std::atof(argv[1]) : 20.0;
    BenchSends(1);
    BenchSends(CModemEngine::kDefaultSendRate);
    return BenchIdle(idleSeconds > 0 ? idleSeconds : 20.0);
}
