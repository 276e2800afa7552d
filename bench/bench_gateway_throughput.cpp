// Queries answered per minute by varnholt-gateway with the simulated modem answering at
// once, and the host's CPU time per query, beside the library's bare send rate (the same
// number of messages sent through libbrantlet alone) measured in the same run.
//
//   bench_gateway_throughput [queries]   (60)
#include "brantlet/brantlet.h"

#include "db_connection.h"
#include "execute_sql.h"
#include "host_process.h"
#include "schema.h"
#include "sim_process.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double Seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

int Submits(const SimProcess& sim)
{
    int n = 0;
    for (const std::string& line : sim.LogLines())
        if (line.find("\"event\":\"submit\"") != std::string::npos)
            ++n;
    return n;
}

struct BareState {
    int connected = -1;
    int results = 0;
};

double BareSendSeconds(int messages)
{
    SimProcess sim;
    BareState state;
    brantlet* h = brantlet_create();
    brantlet_on_ConnectStatus(
        h, [](void* u, int32_t s) { static_cast<BareState*>(u)->connected = s; }, &state);
    brantlet_on_SendSmsResult(
        h, [](void* u, int16_t, int32_t, const char*, const char*) { ++static_cast<BareState*>(u)->results; }, &state);
    if (brantlet_ConnectModem(h, sim.Link().c_str(), 19200, 0) != 1)
        return -1;
    for (int i = 0; i < 100 && state.connected < 0; ++i)
        brantlet_run_for(h, 100);
    brantlet_SetSendRate(h, 1);
    brantlet_run_for(h, 1500); // past the scan that follows the connect, as the host test waits
    const auto start = Clock::now();
    for (int i = 0; i < messages; ++i)
        brantlet_SendSms(h, ("139000" + std::to_string(10000 + i)).c_str(), "您查询的产品是正品，感谢您的支持。",
                         i + 1);
    while (state.results < messages && Clock::now() - start < 300s)
        brantlet_run_for(h, 50);
    const double seconds = Seconds(Clock::now() - start);
    brantlet_destroy(h);
    return state.results == messages ? seconds : -1;
}

struct HostFigures {
    double seconds = -1;
    double cpuPerQuery = 0;
};

HostFigures HostSeconds(int queries)
{
    HostFigures out;
    SimProcess sim;
    const std::string db = sim.Folder() + "/Varnholt.db";
    {
        CDbConnection connection;
        std::string error;
        if (!connection.Open("Provider=SQLite;Data Source=" + db + ";Create=true;", -1) ||
            !CreateSchema(connection, error))
            return out;
        for (int i = 0; i < 1000; ++i)
            ExecuteSql(connection,
                       "insert into ProductTable (ProductID,ProductCode,QueryCount,ProductName,UseStatus) values ('01" +
                           std::to_string(100000 + i).substr(0) + "','12345678',0,'基准',1)");
    }
    std::vector<std::string> options = {"--database",   "Provider=SQLite;Data Source=" + db + ";",
                                        "--port",       sim.Link(),
                                        "--send-pause", "1",
                                        "--limit-hour", "0",
                                        "--limit-day",  "0"};
    HostProcess host(VARNHOLT_GATEWAY_BINARY, options, sim.Folder() + "/gateway.log");
    std::this_thread::sleep_for(4s); // connect, initialise, first scan

    const double cpuBefore = host.CpuSeconds();
    const auto start = Clock::now();
    int delivered = 0;
    // At most 8 waiting at a time: the modem's storage holds 30.
    while (Submits(sim) < queries && Clock::now() - start < 600s) {
        while (delivered < queries && delivered - Submits(sim) < 8) {
            const std::string code = "01" + std::to_string(100000 + delivered % 1000) + "12345678";
            sim.Control("deliver 1390001" + std::to_string(1000 + delivered) + " now " + code);
            ++delivered;
        }
        std::this_thread::sleep_for(20ms);
    }
    if (Submits(sim) >= queries) {
        out.seconds = Seconds(Clock::now() - start);
        out.cpuPerQuery = (host.CpuSeconds() - cpuBefore) / queries;
    }
    host.Stop();
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    const int n = argc > 1 ? std::atoi(argv[1]) : 60;
    const double bare = BareSendSeconds(n);
    const HostFigures host = HostSeconds(n);
    if (bare <= 0 || host.seconds <= 0) {
        std::fprintf(stderr, "bench_gateway_throughput: a run did not finish\n");
        return 1;
    }
    std::printf("libbrantlet bare sends, send pause 1:   %d messages in %.1f s = %.0f per minute\n", n, bare,
                n * 60 / bare);
    std::printf("varnholt-gateway answered queries:     %d queries  in %.1f s = %.0f per minute\n", n, host.seconds,
                n * 60 / host.seconds);
    std::printf("host CPU per query (user+system):      %.2f ms\n", host.cpuPerQuery * 1000);
    std::printf("ratio host/bare (per minute) = %.2f\n", bare / host.seconds);
    return 0;
}
