// The longest wait of a consumer's answer while the console generates a batch of codes on
// the same SQLite file, beside the same queries without a generation, in the same run.
// Queries are delivered to the simulated modem every second; a query's wait runs from its
// delivery to the moment the simulator saw the answer submitted.
//
//   bench_gateway_generation [codes]   (999999)
#include "store_batch_codes.h"

#include "clock.h"
#include "db_connection.h"
#include "execute_sql.h"
#include "host_process.h"
#include "schema.h"
#include "sim_process.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Steady = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct Waits {
    double max = 0, mean = 0;
    int answered = 0, asked = 0;
};

// Delivers a query every second while keepGoing() holds, then waits for the answers.
Waits Measure(SimProcess& sim, int& sender, const std::function<bool()>& keepGoing)
{
    std::map<std::string, Steady::time_point> asked; // number -> delivered
    std::map<std::string, double> waited;            // number -> seconds
    std::size_t seenLines = 0;
    auto collect = [&] {
        const std::vector<std::string> lines = sim.LogLines();
        for (; seenLines < lines.size(); ++seenLines) {
            const std::string& line = lines[seenLines];
            if (line.find("\"event\":\"submit\"") == std::string::npos)
                continue;
            std::string number = JsonField(line, "number");
            if (number.rfind("+86", 0) == 0)
                number = number.substr(3);
            const auto found = asked.find(number);
            if (found != asked.end() && !waited.count(number))
                waited[number] = std::chrono::duration<double>(Steady::now() - found->second).count();
        }
    };
    auto next = Steady::now();
    while (keepGoing()) {
        const std::string number = "1390002" + std::to_string(1000 + sender++);
        asked[number] = Steady::now();
        sim.Control("deliver " + number + " now 0100000112345678");
        next += 1000ms;
        while (Steady::now() < next) {
            collect();
            std::this_thread::sleep_for(20ms);
        }
    }
    const auto end = Steady::now() + 120s;
    while (waited.size() < asked.size() && Steady::now() < end) {
        collect();
        std::this_thread::sleep_for(20ms);
    }
    Waits out;
    out.asked = static_cast<int>(asked.size());
    out.answered = static_cast<int>(waited.size());
    double sum = 0;
    for (const auto& [number, seconds] : waited) {
        out.max = std::max(out.max, seconds);
        sum += seconds;
    }
    out.mean = waited.empty() ? 0 : sum / waited.size();
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    const int codes = argc > 1 ? std::atoi(argv[1]) : 999999;
    SimProcess sim;
    const std::string connectionString = "Provider=SQLite;Data Source=" + sim.Folder() + "/Varnholt.db;Create=true;";
    CDbConnection console;
    std::string error;
    if (!console.Open(connectionString, -1) || !CreateSchema(console, error)) {
        std::fprintf(stderr, "cannot make the database: %s\n", error.c_str());
        return 1;
    }
    ExecuteSql(console, "insert into ProductTable (ProductID,ProductCode,QueryCount,ProductName,UseStatus) values "
                        "('01000001','12345678',0,'查询',1)");
    ExecuteSql(console,
               "insert into ProductGroupTable (ProductName,ProductRemark,ProductCount,ProductStatus,ProductCode) "
               "values ('基准批次',' '," +
                   std::to_string(codes) + ",'未启用',2)");

    HostProcess host(VARNHOLT_GATEWAY_BINARY,
                     {"--database", connectionString, "--port", sim.Link(), "--send-pause", "1", "--limit-hour", "0",
                      "--limit-day", "0"},
                     sim.Folder() + "/gateway.log");
    std::this_thread::sleep_for(4s);

    int sender = 0;
    const auto baselineEnd = Steady::now() + 8s;
    const Waits baseline = Measure(sim, sender, [&] { return Steady::now() < baselineEnd; });

    std::atomic<bool> running{true};
    double generationSeconds = 0;
    bool stored = false;
    std::thread generation([&] {
        const auto start = Steady::now();
        stored = StoreBatchCodes(console, TheSystemClock(), "基准批次", 2, codes, nullptr, nullptr);
        generationSeconds = std::chrono::duration<double>(Steady::now() - start).count();
        running = false;
    });
    const Waits during = Measure(sim, sender, [&] { return running.load(); });
    generation.join();

    host.Stop();
    std::printf("answer waits, queries every second, host busy timeout 5 s (default)\n");
    std::printf("without generation: %d/%d answered, longest %.2f s, mean %.2f s\n", baseline.answered, baseline.asked,
                baseline.max, baseline.mean);
    std::printf("during generation of %d codes (%.1f s, %s): %d/%d answered, longest %.2f s, mean %.2f s\n", codes,
                generationSeconds, stored ? "stored" : "FAILED", during.answered, during.asked, during.max,
                during.mean);
    std::printf("ratio longest during/without = %.1f\n", baseline.max > 0 ? during.max / baseline.max : 0.0);
    return stored && during.answered == during.asked ? 0 : 1;
}
