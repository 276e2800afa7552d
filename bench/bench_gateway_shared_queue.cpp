// Two varnholt-gateway hosts (as on two machines), each with a simulated modem, work off one
// queue on one PostgreSQL database; one host is killed (SIGKILL) halfway. Prints messages
// per minute with both hosts beside the survivor alone (the baseline, same run), how soon
// the dead host's rows were sent by the other, messages sent twice and rows left behind,
// and each host's CPU time per message.
//
//   bench_gateway_shared_queue [rows] [lease seconds]   (10000, 10)
#include "host_process.h"

#include "db_connection.h"
#include "db_recordset.h"
#include "execute_sql.h"
#include "pg_cluster.h"
#include "schema.h"
#include "sim_process.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

using SteadyClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double Since(SteadyClock::time_point t)
{
    return std::chrono::duration<double>(SteadyClock::now() - t).count();
}

} // namespace

int main(int argc, char** argv)
{
    const int rows = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int lease = argc > 2 ? std::atoi(argv[2]) : 10;
    std::string error, connection;
    PgCluster* cluster = PgCluster::Shared(error);
    if (!cluster || !cluster->CreateDatabase(connection, error)) {
        std::fprintf(stderr, "bench_gateway_shared_queue: no PostgreSQL: %s\n", error.c_str());
        return 1;
    }
    CDbConnection db;
    if (!db.Open(connection, -1) || !CreateSchema(db, error)) {
        std::fprintf(stderr, "bench_gateway_shared_queue: %s\n", error.c_str());
        return 1;
    }
    db.BeginTrans();
    for (int i = 0; i < rows; ++i)
        ExecuteSql(db, "insert into SendSmsTable (PhoneNumber,SmsContent,SendStatus,NewFlag) values ('13" +
                           std::to_string(100000000 + i) + "','您的订单已发货，感谢您的支持。','待发',1)");
    db.CommitTrans();

    SimProcess simA, simB;
    if (!simA.Started() || !simB.Started())
        return 1;
    const auto options = [&](const SimProcess& sim, const char* name) {
        return std::vector<std::string>{"--database",      connection,
                                        "--port",          sim.Link(),
                                        "--send-pause",    "1",
                                        "--host-name",     name,
                                        "--lease-seconds", std::to_string(lease),
                                        "--queue-poll-ms", "200"};
    };
    HostProcess hostA(VARNHOLT_GATEWAY_BINARY, options(simA, "gw-a"), simA.Folder() + "/gateway.log");
    HostProcess hostB(VARNHOLT_GATEWAY_BINARY, options(simB, "gw-b"), simB.Folder() + "/gateway.log");
    const std::string sent = "from SendSmsTable where SendStatus='成功'";
    const auto start = SteadyClock::now();
    while (CountRows(db, sent) < rows / 2 && Since(start) < rows * 2.0 + 60)
        std::this_thread::sleep_for(500ms);
    const int sentBefore = CountRows(db, sent);
    const double before = Since(start);
    const double cpuA = hostA.CpuSeconds();
    const int byA = static_cast<int>(SubmittedNumbers(simA.LogPath()).size());
    hostA.Kill();
    const auto killed = SteadyClock::now();
    const int heldByDead = CountRows(db, "from SendSmsLease where HostName='gw-a'");
    double reclaimed = -1;
    while (CountRows(db, sent) < rows && Since(killed) < rows * 2.0 + 60) {
        if (reclaimed < 0 && CountRows(db, "from SendSmsLease where HostName='gw-a'") == 0)
            reclaimed = Since(killed);
        std::this_thread::sleep_for(500ms);
    }
    const double after = Since(killed);
    const int sentAll = CountRows(db, sent);
    const double cpuB = hostB.CpuSeconds();
    hostB.Stop();

    std::map<std::string, int> sends;
    for (const std::string& number : SubmittedNumbers(simA.LogPath()))
        ++sends[number];
    for (const std::string& number : SubmittedNumbers(simB.LogPath()))
        ++sends[number];
    int twice = 0;
    for (const auto& [number, n] : sends)
        twice += n > 1 ? n - 1 : 0;
    const int total = static_cast<int>(SubmittedNumbers(simB.LogPath()).size()) + byA;

    std::printf("%d queued rows, two hosts on one PostgreSQL database, lease %d s, send pause 100 ms\n", rows, lease);
    std::printf("both hosts:            %d rows in %.0f s = %.0f per minute\n", sentBefore, before,
                sentBefore * 60 / before);
    std::printf("survivor alone (base): %d rows in %.0f s = %.0f per minute (ratio both/alone %.2f)\n",
                sentAll - sentBefore, after, (sentAll - sentBefore) * 60 / after,
                (sentBefore / before) / ((sentAll - sentBefore) / after));
    std::printf("rows the dead host held: %d, all taken over after %.1f s (lease %d s)\n", heldByDead, reclaimed,
                lease);
    std::printf("sent twice: %d, left behind: %d, submits %d for %d rows\n", twice, rows - sentAll, total, rows);
    std::printf("host CPU per message: A %.2f ms (%d messages), B %.2f ms (%d messages)\n",
                byA ? cpuA * 1000 / byA : 0.0, byA, cpuB * 1000 / (total - byA), total - byA);
    return sentAll == rows ? 0 : 1;
}
