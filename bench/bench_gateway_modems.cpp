// Queued messages per minute through one varnholt-gateway with one, two and four simulated
// modems that each take 3 s to submit a message (the simulator answers the message body
// late), and the host's CPU time per message. The one-modem run is the baseline: k modems
// should send k times as many.
//
//   bench_gateway_modems [messages per modem] [submit ms]   (8, 3000)
#include "host_process.h"

#include "db_connection.h"
#include "db_recordset.h"
#include "execute_sql.h"
#include "schema.h"
#include "sim_process.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct Figures {
    double perMinute = -1;
    double cpuMsPerMessage = 0;
    int busiest = 0, idlest = 0; // messages of the modem that sent most and least
};

Figures Run(int modems, int perModem, int submitMs)
{
    Figures out;
    std::vector<std::unique_ptr<SimProcess>> sims;
    std::string ports;
    for (int i = 0; i < modems; ++i) {
        sims.push_back(std::make_unique<SimProcess>());
        if (!sims.back()->Started() ||
            sims.back()->Control("delay PDU " + std::to_string(submitMs)).rfind("ok", 0) != 0)
            return out;
        ports += (ports.empty() ? "" : ",") + sims.back()->Link();
    }
    const std::string connection = "Provider=SQLite;Data Source=" + sims[0]->Folder() + "/Varnholt.db;";
    CDbConnection db;
    std::string error;
    if (!db.Open(connection + "Create=true;", -1) || !CreateSchema(db, error))
        return out;
    HostProcess host(VARNHOLT_GATEWAY_BINARY,
                     {"--database", connection, "--port", ports, "--send-pause", "1", "--queue-poll-ms", "200"},
                     sims[0]->Folder() + "/gateway.log");
    const auto ready = Clock::now() + 30s;
    while (host.LogCount("modem ready") < modems && Clock::now() < ready)
        std::this_thread::sleep_for(100ms);
    if (host.LogCount("modem ready") < modems)
        return out;

    const int total = modems * perModem;
    db.BeginTrans();
    for (int i = 0; i < total; ++i)
        ExecuteSql(db, "insert into SendSmsTable (PhoneNumber,SmsContent,SendStatus,NewFlag) values ('1380000" +
                           std::to_string(1000 + i) + "','您的订单已发货，感谢您的支持。','待发',1)");
    db.CommitTrans();
    const double cpuBefore = host.CpuSeconds();
    const auto start = Clock::now();
    const auto limit = start + std::chrono::milliseconds(static_cast<long>(total) * (submitMs + 2000) + 30000);
    while (CountRows(db, "from SendSmsTable where SendStatus='成功'") < total && Clock::now() < limit)
        std::this_thread::sleep_for(50ms);
    if (CountRows(db, "from SendSmsTable where SendStatus='成功'") < total)
        return out;
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    out.perMinute = total * 60 / seconds;
    out.cpuMsPerMessage = (host.CpuSeconds() - cpuBefore) * 1000 / total;
    out.idlest = total;
    for (const auto& sim : sims) {
        const int sent = static_cast<int>(SubmittedNumbers(sim->LogPath()).size());
        out.busiest = std::max(out.busiest, sent);
        out.idlest = std::min(out.idlest, sent);
    }
    host.Stop();
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    const int perModem = argc > 1 ? std::atoi(argv[1]) : 8;
    const int submitMs = argc > 2 ? std::atoi(argv[2]) : 3000;
    std::printf("varnholt-gateway, %d queued messages per modem, submit time %d ms, send pause 100 ms\n", perModem,
                submitMs);
    double one = 0;
    for (int modems : {1, 2, 4}) {
        const Figures f = Run(modems, perModem, submitMs);
        if (f.perMinute <= 0) {
            std::fprintf(stderr, "bench_gateway_modems: the run with %d modem(s) did not finish\n", modems);
            return 1;
        }
        if (modems == 1)
            one = f.perMinute;
        std::printf("%d modem(s): %6.1f messages per minute (%.2f x one modem, linear: %d x) | host CPU %.2f ms per "
                    "message | per modem %d..%d messages\n",
                    modems, f.perMinute, f.perMinute / one, modems, f.cpuMsPerMessage, f.idlest, f.busiest);
    }
    std::printf("one modem's ceiling at this submit time: %.1f per minute (60 s / submit time)\n", 60000.0 / submitMs);
    return 0;
}
