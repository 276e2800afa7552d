// The database work of one verification query (RecordQuery: read the code, count it, find
// its first query, append the log row, all in one transaction) on a large database beside
// the same work on a small one, measured in the same run, on SQLite and on a throw-away
// PostgreSQL cluster. On PostgreSQL the stepwise work (a statement per step) runs beside it
// as the baseline.
//
//   bench_gateway_query [codes] [log rows] [queries]   (1000000 1000000 2000)
#include "query_store.h"

#include "db_connection.h"
#include "db_provider.h"
#include "execute_sql.h"
#include "pg_cluster.h"
#include "schema.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

std::string Digits(long value, int width)
{
    std::string text = std::to_string(value);
    return std::string(width > static_cast<int>(text.size()) ? width - text.size() : 0, '0') + text;
}

// Code x of the fill: batch 01.., serial, and a code value both fills compute alike.
std::string ProductId(long x)
{
    return Digits(1 + x / 1000000, 2) + Digits(x % 1000000, 6);
}
std::string ProductCode(long x)
{
    return Digits((x * 7919) % 100000000, 8);
}

bool Fill(CDbConnection& db, long codes, long logRows, std::string& error)
{
    if (!CreateSchema(db, error))
        return false;
    const bool sqlite = db.Provider()->Dialect() == SqlDialect::SQLite;
    const std::string n = std::to_string(codes), m = std::to_string(logRows);
    std::string script;
    if (sqlite) {
        script =
            "WITH RECURSIVE c(x) AS (SELECT 0 UNION ALL SELECT x+1 FROM c WHERE x<" + n +
            "-1) "
            "INSERT INTO ProductTable (ProductID,ProductCode,QueryCount,ProductName,UseStatus) "
            "SELECT printf('%02d%06d',1+x/1000000,x%1000000),printf('%08d',(x*7919)%100000000),0,'基准批次',1 FROM c;"
            "WITH RECURSIVE c(x) AS (SELECT 0 UNION ALL SELECT x+1 FROM c WHERE x<" +
            m +
            "-1) "
            "INSERT INTO QueryLogTable (QueryTime,QueryPhoneNumber,QueryProductID,QueryProductCode,RealProductCode,"
            "QueryStatus,QueryComm,QueryProv,QueryCity,ProductName) "
            "SELECT datetime('2026-09-01','+'||(x%7776000)||' seconds'),'139'||printf('%08d',x),"
            "printf('%02d%06d',1+(x%" +
            n + ")/1000000,(x%" + n +
            ")%1000000),'00000000','00000000',1,'/dev/ttyUSB0','江苏','常州','基准批次' FROM c;";
    } else {
        script =
            "INSERT INTO ProductTable (ProductID,ProductCode,QueryCount,ProductName,UseStatus) "
            "SELECT "
            "lpad((1+x/"
            "1000000)::text,2,'0')||lpad((x%1000000)::text,6,'0'),lpad(((x::bigint*7919)%100000000)::text,8,'0'),"
            "0,'基准批次',1 FROM generate_series(0," +
            n +
            "-1) x;"
            "INSERT INTO QueryLogTable (QueryTime,QueryPhoneNumber,QueryProductID,QueryProductCode,RealProductCode,"
            "QueryStatus,QueryComm,QueryProv,QueryCity,ProductName) "
            "SELECT timestamp '2026-09-01'+(x%7776000)*interval '1 second','139'||lpad(x::text,8,'0'),"
            "lpad((1+(x%" +
            n + ")/1000000)::text,2,'0')||lpad(((x%" + n +
            ")%1000000)::text,6,'0'),'00000000','00000000',1,"
            "'/dev/ttyUSB0','江苏','常州','基准批次' FROM generate_series(0," +
            m +
            "-1) x;"
            "ANALYZE;";
    }
    if (!db.Provider()->ExecuteScript(script)) {
        error = db.GetErrorsText();
        if (error.empty() && !db.Provider()->Errors().empty())
            error = db.Provider()->Errors().front().description;
        return false;
    }
    return true;
}

struct Figures {
    double mean = 0, p50 = 0, p99 = 0, max = 0;
};

using Recorder = bool (*)(CDbConnection&, const ReceivedQuery&, const ReplyTexts&, bool, RecordedQuery&, std::string&);

Figures Summary(std::vector<double> times)
{
    Figures out;
    std::sort(times.begin(), times.end());
    double sum = 0;
    for (double t : times)
        sum += t;
    out.mean = sum / times.size();
    out.p50 = times[times.size() / 2];
    out.p99 = times[std::min(times.size() - 1, times.size() * 99 / 100)];
    out.max = times.back();
    return out;
}

// Queries on codes of the fill: half genuine, a quarter forged, a quarter unknown. The
// recorders take turns query by query, so both see the same load of the shared machine.
bool Run(CDbConnection& db, long codes, int queries, const std::vector<Recorder>& recorders, std::vector<Figures>& out,
         std::string& error)
{
    std::mt19937 random(42);
    std::vector<std::vector<double>> times(recorders.size());
    const ReplyTexts texts;
    for (int i = 0; i < queries * static_cast<int>(recorders.size()); ++i) {
        const long x = std::uniform_int_distribution<long>(0, codes - 1)(random);
        const int kind = (i / static_cast<int>(recorders.size())) % 4;
        ReceivedQuery q;
        q.sender = "13912345678";
        q.code.productId = kind == 3 ? "99" + ProductId(x).substr(2) : ProductId(x);
        q.code.productCode = kind == 2 ? Digits((std::stol(ProductCode(x)) + 1) % 100000000, 8) : ProductCode(x);
        q.receivedAt = "2026-12-01 10:00:00";
        q.comm = "/dev/ttyUSB0";
        q.region = Region{"江苏", "常州"};
        RecordedQuery recorded;
        const std::size_t which = static_cast<std::size_t>(i) % recorders.size();
        const auto start = Clock::now();
        if (!recorders[which](db, q, texts, false, recorded, error))
            return false;
        times[which].push_back(Ms(Clock::now() - start));
    }
    out.clear();
    for (auto& t : times)
        out.push_back(Summary(std::move(t)));
    return true;
}

bool Measure(const std::string& engine, const std::string& connectionString, long codes, long logRows, int queries,
             const std::vector<Recorder>& recorders, std::vector<Figures>& out, double& fillSeconds)
{
    CDbConnection db;
    std::string error;
    if (!db.Open(connectionString, -1)) {
        std::fprintf(stderr, "%s: cannot open: %s\n", engine.c_str(), db.GetErrorsText().c_str());
        return false;
    }
    const auto start = Clock::now();
    if (!Fill(db, codes, logRows, error)) {
        std::fprintf(stderr, "%s: fill failed: %s\n", engine.c_str(), error.c_str());
        return false;
    }
    fillSeconds = Ms(Clock::now() - start) / 1000;
    if (!Run(db, codes, queries, recorders, out, error)) {
        std::fprintf(stderr, "%s: query failed: %s\n", engine.c_str(), error.c_str());
        return false;
    }
    // What one statement costs with no work in it: the round trip the stepwise work pays
    // for each of its steps.
    std::vector<double> trips;
    for (int i = 0; i < 500; ++i) {
        const auto tripStart = Clock::now();
        if (!RunSql(db, "select 1", error))
            return false;
        trips.push_back(Ms(Clock::now() - tripStart));
    }
    const Figures trip = Summary(trips);
    std::printf("%s: an empty statement (select 1) mean %.3f ms, p50 %.3f\n", engine.c_str(), trip.mean, trip.p50);
    return true;
}

void Print(const std::string& label, long codes, long logRows, const Figures& f, double fill)
{
    std::printf("%-20s %8ld codes %8ld log rows: per query mean %.3f ms, p50 %.3f, p99 %.3f, max %.3f  (fill %.1f s)\n",
                label.c_str(), codes, logRows, f.mean, f.p50, f.p99, f.max, fill);
}

} // namespace

int main(int argc, char** argv)
{
    const long codes = argc > 1 ? std::atol(argv[1]) : 1000000;
    const long logRows = argc > 2 ? std::atol(argv[2]) : 1000000;
    const int queries = argc > 3 ? std::atoi(argv[3]) : 2000;
    const long smallCodes = 1000, smallLog = 0;

    char tmpl[] = "/tmp/bench-gateway-XXXXXX";
    const std::string folder = mkdtemp(tmpl);
    std::printf("RecordQuery, %d queries each (half genuine, a quarter forged, a quarter unknown); goal <= 2 ms\n",
                queries);

    std::string why;
    PgCluster* cluster = PgCluster::Shared(why);
    if (!cluster)
        std::printf("PostgreSQL: skipped (%s)\n", why.c_str());

    for (const char* engine : {"SQLite", "PostgreSQL"}) {
        const bool server = std::string(engine) == "PostgreSQL";
        // On the server RecordQuery is one statement; the stepwise work (one statement per
        // step in a transaction, as before and as on SQLite) runs beside it as the baseline.
        std::vector<Recorder> recorders = {&RecordQuery};
        if (server)
            recorders.push_back(&RecordQueryStepwise);
        std::vector<Figures> small, large;
        double fillSmall = 0, fillLarge = 0;
        std::string smallString, largeString;
        if (!server) {
            smallString = "Provider=SQLite;Data Source=" + folder + "/small.db;Create=true;";
            largeString = "Provider=SQLite;Data Source=" + folder + "/large.db;Create=true;";
        } else {
            if (!cluster || !cluster->CreateDatabase(smallString, why) || !cluster->CreateDatabase(largeString, why))
                continue;
        }
        if (!Measure(engine, smallString, smallCodes, smallLog, queries, recorders, small, fillSmall) ||
            !Measure(engine, largeString, codes, logRows, queries, recorders, large, fillLarge))
            return 1;
        for (std::size_t k = 0; k < recorders.size(); ++k) {
            const std::string label = std::string(engine) + (k == 1 ? " stepwise" : "");
            Print(label + " base", smallCodes, smallLog, small[k], fillSmall);
            Print(label + " large", codes, logRows, large[k], fillLarge);
            std::printf("%s ratio large/base (mean) = %.2f\n", label.c_str(), large[k].mean / small[k].mean);
        }
        if (server)
            std::printf("PostgreSQL large: one statement %.3f ms beside stepwise %.3f ms (mean), %.2fx\n",
                        large[0].mean, large[1].mean, large[1].mean / large[0].mean);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
