// A gateway host writing the database every few milliseconds while the console generates
// a batch's codes: the host's longest wait for one write, on SQLite and on PostgreSQL.
// Three figures per engine, in one run: the host alone (baseline), beside StoreBatchCodes,
// and beside the same rows written in one transaction for the whole run (how a run held
// the lock before). The simulated host waits as the real one does: on SQLite with the
// engine's own busy timeout of 5 s; a write that still fails counts as failed.
//
//   bench_generation_beside_host [codes]      (999999 when not given)
#include "code_generator.h"
#include "store_batch_codes.h"

#include "clock.h"
#include "db_connection.h"
#include "db_provider.h"
#include "execute_sql.h"
#include "pg_cluster.h"
#include "schema.h"

#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

namespace {

const char* const kName = "基准批次";
constexpr int kHostPeriodMs = 5;
constexpr int kHostBusyTimeoutMs = 5000;
constexpr double kBaselineSeconds = 3;

using Clock = std::chrono::steady_clock;

struct HostFigures {
    double longestMs = 0;
    long writes = 0;
    long failed = 0;
};

// What a host does: claims a queued reply and logs a query, each write on its own.
class SimulatedHost final {
public:
    explicit SimulatedHost(const std::string& connectionString) : m_connectionString(connectionString) {}

    void Start()
    {
        m_stop = false;
        m_ready = false;
        m_thread = std::thread([this] { Loop(); });
        while (!m_ready)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    HostFigures Stop()
    {
        m_stop = true;
        m_thread.join();
        return m_figures;
    }

private:
    void Loop()
    {
        CDbConnection connection;
        if (!connection.Open(m_connectionString, -1)) {
            std::fprintf(stderr, "host: %s\n", connection.GetErrorsText().c_str());
            std::exit(1);
        }
        // The host's own setting, SQLite's stock busy handler (it sleeps up to 100 ms between tries).
        if (connection.Provider()->Dialect() == SqlDialect::SQLite)
            connection.Provider()->ExecuteScript("PRAGMA busy_timeout=" + std::to_string(kHostBusyTimeoutMs));
        m_figures = HostFigures{};
        m_ready = true;
        std::string error;
        for (long i = 0; !m_stop; ++i) {
            const std::string statement =
                i % 2
                    ? "update SendSmsTable set SendStatus='已发',NewFlag=1 where SmsIndex=" + std::to_string(1 + i % 50)
                    : "insert into QueryLogTable (QueryTime,QueryPhoneNumber,QueryProductID,QueryProductCode,"
                      "RealProductCode,QueryStatus,ProductName) values (now(),'13800000000','01000123','12345678',"
                      "'12345678',1,'基准批次')";
            const auto started = Clock::now();
            const bool ok = RunSql(connection, statement, error);
            const double ms = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
            m_figures.longestMs = std::max(m_figures.longestMs, ms);
            ++m_figures.writes;
            m_figures.failed += ok ? 0 : 1;
            std::this_thread::sleep_for(std::chrono::milliseconds(kHostPeriodMs));
        }
    }

    std::string m_connectionString;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_ready{false};
    HostFigures m_figures;
};

bool Prepare(CDbConnection& connection, const std::string& connectionString, int codes)
{
    std::string error;
    if (!connection.Open(connectionString, -1) || !CreateSchema(connection, error)) {
        std::fprintf(stderr, "cannot prepare: %s%s\n", error.c_str(), connection.GetErrorsText().c_str());
        return false;
    }
    bool ok = RunSql(connection,
                     "insert into ProductGroupTable (ProductName,ProductRemark,ProductCount,ProductStatus,ProductCode) "
                     "values ('" +
                         std::string(kName) + "',' '," + std::to_string(codes) + ",'未启用',1)",
                     error);
    for (int i = 0; ok && i < 50; ++i)
        ok = RunSql(connection,
                    "insert into SendSmsTable (PhoneNumber,SmsContent,SendStatus,NewFlag) values ('1380000000" +
                        std::to_string(i % 10) + "','回复','待发',1)",
                    error);
    if (!ok)
        std::fprintf(stderr, "cannot prepare: %s\n", error.c_str());
    return ok;
}

bool Reset(CDbConnection& connection)
{
    std::string error;
    return RunSql(connection, "delete from ProductTable", error) &&
           RunSql(connection, "update ProductGroupTable set StartNumber=null,EndNumber=null,CreateCodeTime=null",
                  error);
}

// The former run: every row in one transaction.
bool OneTransaction(CDbConnection& connection, int codes)
{
    std::string error;
    if (!connection.BeginTrans())
        return false;
    for (int i = 0; i < codes; ++i) {
        const CodeGenerator::Code code = CodeGenerator::Compose(1, i, TheSystemClock().Now());
        if (!RunSql(connection,
                    "insert into ProductTable (ProductID,ProductCode,QueryCount,ProductName) values ('" +
                        code.productId + "','" + code.productCode + "',0,'" + kName + "')",
                    error)) {
            connection.RollbackTrans();
            return false;
        }
    }
    return RunSql(connection, "update ProductGroupTable set CreateCodeTime=now() where ProductName='基准批次'",
                  error) &&
           connection.CommitTrans();
}

void Print(const char* engine, const char* what, const HostFigures& host, double seconds)
{
    std::printf("%-10s %-44s host longest wait %8.1f ms, writes %6ld, failed %4ld", engine, what, host.longestMs,
                host.writes, host.failed);
    if (seconds > 0)
        std::printf(", run %.2f s", seconds);
    std::printf("\n");
}

void Measure(const char* engine, const std::string& connectionString, int codes)
{
    CDbConnection console;
    if (!Prepare(console, connectionString, codes))
        std::exit(1);
    SimulatedHost host(connectionString);

    host.Start();
    std::this_thread::sleep_for(std::chrono::duration<double>(kBaselineSeconds));
    Print(engine, "host alone (baseline)", host.Stop(), 0);

    auto timed = [&](const char* what, const std::function<bool()>& run) {
        if (!Reset(console))
            std::exit(1);
        host.Start();
        const auto started = Clock::now();
        const bool ok = run();
        const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
        const HostFigures figures = host.Stop();
        if (!ok) {
            std::fprintf(stderr, "%s: the run failed: %s\n", what, console.GetErrorsText().c_str());
            std::exit(1);
        }
        Print(engine, what, figures, seconds);
    };
    timed("beside StoreBatchCodes (stretches)",
          [&] { return StoreBatchCodes(console, TheSystemClock(), kName, 1, codes, nullptr, nullptr); });
    timed("beside one transaction for the run (former)", [&] { return OneTransaction(console, codes); });
}

} // namespace

int main(int argc, char** argv)
{
    const int codes = argc > 1 ? std::atoi(argv[1]) : 999999;
    if (codes < 1 || codes > 1000000) {
        std::fprintf(stderr, "usage: bench_generation_beside_host [codes 1..1000000]\n");
        return 2;
    }
    std::printf("codes=%d, host writes every %d ms, host busy timeout %d ms\n", codes, kHostPeriodMs,
                kHostBusyTimeoutMs);
    char pattern[] = "/tmp/bench-generation-host-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    const std::filesystem::path folder = pattern;
    Measure("sqlite", "Provider=SQLite;Data Source=" + (folder / "bench.db").string() + ";Create=true;", codes);
    std::filesystem::remove_all(folder);

    std::string error;
    std::string connectionString;
    PgCluster* cluster = PgCluster::FindBinaries().empty() ? nullptr : PgCluster::Shared(error);
    if (!cluster || !cluster->CreateDatabase(connectionString, error))
        std::printf("postgresql: skipped (%s)\n", error.empty() ? "server not installed" : error.c_str());
    else
        Measure("postgresql", connectionString, codes);
    return 0;
}
