// The query pages on a log of real size: the records page's query, clear and export and
// the code lookup, each through the page's command as the operator runs it, beside a bare
// baseline in the same run (sqlite3 reading or deleting the same rows). For the long
// commands it reports the longest gap between two passes of the event loop (the time the
// window could not repaint) and, for the query, the peak memory of the process. Then the
// query once more on a throw-away PostgreSQL cluster, beside libpq alone.
//
// The clear runs twice: on a log whose every row is listed, and on one where a tenth of the
// rows lie outside the filter. A writer beside it (the gateway host's part: a short write
// every 10 ms, waiting at most the host's busy timeout) tells how long the clear kept it
// waiting for the write lock.
//
//   bench_query_pages [rows] [--only=query,lookup,export,clear,server]
//       rows: 1000000 when not given; --only runs just the named parts (all when not given;
//       the clear lists its rows with RunQuery first).
#include "code_lookup_page.h"
#include "query_records_page.h"

#include "color_list_ctrl.h"
#include "scripted_dialogs.h"
#include "skin_edit.h"

#include "case_fold.h"
#include "db_connection.h"
#include "db_provider.h"
#include "execute_sql.h"
#include "schema.h"
#include "test_database.h"

#include <QApplication>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QTimer>

#include <libpq-fe.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <thread>

namespace {

// How long the gateway host waits for another writer's lock, unless configured otherwise.
constexpr int kHostBusyTimeoutMs = 5000;

// Rows seven seconds apart from the first of January, the first at 00:00:07 (a row at
// midnight falls in no listing's range): a million span 81 days. With outsideEvery, every
// such row (the last of each run) is dated a year earlier, outside the benchmark's filter.
std::string FillScript(long rows, int outsideEvery = 0)
{
    const std::string year = outsideEvery > 0 ? "case when i%" + std::to_string(outsideEvery) + "=" +
                                                    std::to_string(outsideEvery - 1) + " then '2025' else '2026' end"
                                              : "'2026'";
    return "with recursive n(i) as (select 0 union all select i+1 from n where i<" + std::to_string(rows - 1) +
           ") insert into QueryLogTable (QueryTime,QueryPhoneNumber,QueryProductID,QueryProductCode,RealProductCode,"
           "QueryStatus,QueryComm,QueryProv,QueryCity,ProductName) select "
           "datetime(" +
           year +
           "||'-01-01 00:00:00','+'||(i*7+7)||' seconds'),'139'||printf('%08d',i),"
           "printf('01%06d',i%50000),printf('%08d',(i*7919)%100000000),printf('%08d',(i*7919)%100000000),"
           "case when i%10=0 then -1 when i%10=1 then -2 when i%5=2 then 2+i%7 else 1 end,'/dev/ttyUSB0',"
           "case i%4 when 0 then '广东' when 1 then '江苏' when 2 then '河南' else '四川' end,"
           "case i%4 when 0 then '深圳' when 1 then '南京' when 2 then '郑州' else '成都' end,'基准批次' from n;"
           "insert into ProductGroupTable (ProductName,CreateCodeTime,UseCodeTime,ProductCount,ProductStatus,"
           "ProductCode) values ('基准批次','2025-12-01 08:00:00','2025-12-02 08:00:00',50000,'启用',1);"
           "with recursive n(i) as (select 0 union all select i+1 from n where i<49999) insert into ProductTable "
           "(ProductID,ProductCode,QueryCount,ProductName,UseStatus) select printf('01%06d',i),"
           "printf('%08d',i*31),20,'基准批次',1 from n;"
           "create table BenchBeside (n integer);";
}

// The same rows on PostgreSQL.
std::string ServerFillScript(long rows)
{
    return "insert into QueryLogTable (QueryTime,QueryPhoneNumber,QueryProductID,QueryProductCode,RealProductCode,"
           "QueryStatus,QueryComm,QueryProv,QueryCity,ProductName) select "
           "timestamp '2026-01-01 00:00:00'+(i::bigint*7+7)*interval '1 second','139'||lpad(i::text,8,'0'),"
           "'01'||lpad((i%50000)::text,6,'0'),lpad(((i::bigint*7919)%100000000)::text,8,'0'),"
           "lpad(((i::bigint*7919)%100000000)::text,8,'0'),"
           "case when i%10=0 then -1 when i%10=1 then -2 when i%5=2 then 2+i%7 else 1 end,'/dev/ttyUSB0',"
           "case i%4 when 0 then '广东' when 1 then '江苏' when 2 then '河南' else '四川' end,"
           "case i%4 when 0 then '深圳' when 1 then '南京' when 2 then '郑州' else '成都' end,'基准批次' "
           "from generate_series(0," +
           std::to_string(rows - 1) + ") i; analyze QueryLogTable;";
}

bool Prepare(CDbConnection& connection, const std::string& path, long rows, int outsideEvery = 0)
{
    std::string error;
    if (!connection.Open("Provider=SQLite;Data Source=" + path + ";Create=1;", -1) ||
        !CreateSchema(connection, error) || !connection.Provider()->ExecuteScript(FillScript(rows, outsideEvery))) {
        std::fprintf(stderr, "cannot prepare %s: %s%s\n", path.c_str(), error.c_str(),
                     connection.GetErrorsText().c_str());
        return false;
    }
    return true;
}

// CPU seconds of the process: on a loaded machine a fairer figure than the wall clock.
double CpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

// CPU seconds of the calling thread.
double ThreadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

// Runs a statement with sqlite3 alone and reads every cell as text; answers the seconds.
double Bare(const std::string& path, const char* statement, long& rows, double& cpu)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    RegisterFoldCollation(db);
    // The writer beside a delete may hold the lock for a moment when it starts.
    sqlite3_busy_timeout(db, kHostBusyTimeoutMs);
    QElapsedTimer timer;
    timer.start();
    const double cpuStart = CpuSeconds();
    sqlite3_stmt* step = nullptr;
    if (sqlite3_prepare_v2(db, statement, -1, &step, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "bare: %s\n", sqlite3_errmsg(db));
        sqlite3_close(db);
        return -1;
    }
    rows = 0;
    std::size_t bytes = 0;
    while (sqlite3_step(step) == SQLITE_ROW) {
        for (int column = 0; column < sqlite3_column_count(step); ++column)
            bytes += static_cast<std::size_t>(sqlite3_column_bytes(step, column)) +
                     (sqlite3_column_text(step, column) != nullptr);
        ++rows;
    }
    if (rows == 0)
        rows = sqlite3_changes(db);
    sqlite3_finalize(step);
    const double seconds = timer.nsecsElapsed() / 1e9;
    cpu = CpuSeconds() - cpuStart;
    sqlite3_close(db);
    return seconds;
}

// libpq's own parameters from the data layer's connection string of the test cluster.
std::string ServerParameters(const std::string& connectionString)
{
    static const std::pair<const char*, const char*> kKeys[] = {
        {"Host=", "host"}, {"Port=", "port"}, {"Database=", "dbname"}, {"User ID=", "user"}};
    std::string parameters;
    for (const auto& [ours, theirs] : kKeys) {
        const std::size_t at = connectionString.find(ours);
        if (at == std::string::npos)
            continue;
        const std::size_t from = at + std::strlen(ours);
        const std::size_t end = connectionString.find(';', from);
        parameters += std::string(theirs) + "='" + connectionString.substr(from, end - from) + "' ";
    }
    return parameters;
}

// The select with libpq alone, a row at a time as the server sends it, every cell read;
// answers the seconds.
double BareServer(const std::string& connectionString, const std::string& statement, long& rows, double& cpu)
{
    PGconn* conn = PQconnectdb(ServerParameters(connectionString).c_str());
    if (PQstatus(conn) != CONNECTION_OK) {
        std::fprintf(stderr, "bare server: %s\n", PQerrorMessage(conn));
        PQfinish(conn);
        return -1;
    }
    QElapsedTimer timer;
    timer.start();
    const double cpuStart = CpuSeconds();
    rows = 0;
    std::size_t bytes = 0;
    if (PQsendQuery(conn, statement.c_str()) && PQsetSingleRowMode(conn)) {
        while (PGresult* result = PQgetResult(conn)) {
            if (PQresultStatus(result) == PGRES_SINGLE_TUPLE) {
                for (int column = 0; column < PQnfields(result); ++column)
                    bytes += static_cast<std::size_t>(PQgetlength(result, 0, column)) +
                             (PQgetvalue(result, 0, column) != nullptr);
                ++rows;
            } else if (PQresultStatus(result) != PGRES_TUPLES_OK) {
                std::fprintf(stderr, "bare server: %s\n", PQresultErrorMessage(result));
            }
            PQclear(result);
        }
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    cpu = CpuSeconds() - cpuStart;
    PQfinish(conn);
    return seconds;
}

long PeakKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Times a command and the longest gap between two passes of the event loop while it ran.
struct Timed {
    double seconds = 0;
    double cpu = 0;
    double longestGapMs = 0;
};
Timed Run(const std::function<void()>& command)
{
    qint64 longestGapNs = 0;
    QElapsedTimer sincePass;
    QTimer pass;
    QObject::connect(&pass, &QTimer::timeout, [&] {
        if (sincePass.isValid())
            longestGapNs = std::max(longestGapNs, sincePass.nsecsElapsed());
        sincePass.restart();
    });
    // Every 5 ms rather than at every pass: a timer of 0 would keep this thread busy and take
    // the CPU from a worker (the export's) on a machine of two cores; a gap of 200 ms is
    // still seen to within 5 ms.
    pass.setTimerType(Qt::PreciseTimer);
    pass.start(5);
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    const double cpuStart = CpuSeconds();
    sincePass.restart();
    command();
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double cpu = CpuSeconds() - cpuStart;
    QApplication::processEvents();
    pass.stop();
    return {seconds, cpu, longestGapNs / 1e6};
}

// The gateway host's part beside a delete: a short write every 10 ms on a connection of
// its own that waits at most the host's busy timeout for the lock. The longest a write
// took is about the longest the delete held the write lock at a stretch (at most 10 ms
// more than the wait seen).
class BesideWriter {
public:
    struct Figures {
        double longestMs = 0;
        int writes = 0;
        int failed = 0;
        double cpu = 0; // the writer's own CPU seconds, taken off the figures it ran beside
    };

    explicit BesideWriter(const std::string& path)
    {
        sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_busy_timeout(m_db, kHostBusyTimeoutMs);
        // Its waits are for the lock alone: checkpoints are the console's and the bare run's.
        sqlite3_exec(m_db, "PRAGMA wal_autocheckpoint=0", nullptr, nullptr, nullptr);
        m_thread = std::thread([this] { Write(); });
    }
    ~BesideWriter()
    {
        Stop();
        sqlite3_close(m_db);
    }
    BesideWriter(const BesideWriter&) = delete;
    BesideWriter& operator=(const BesideWriter&) = delete;

    Figures Stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        return m_figures;
    }

private:
    void Write()
    {
        const double cpuStart = ThreadCpuSeconds();
        while (!m_stop) {
            const auto start = std::chrono::steady_clock::now();
            const int rc = sqlite3_exec(m_db, "insert into BenchBeside (n) values (1)", nullptr, nullptr, nullptr);
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            m_figures.longestMs = std::max(m_figures.longestMs, ms);
            ++m_figures.writes;
            m_figures.failed += rc != SQLITE_OK;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        m_figures.cpu = ThreadCpuSeconds() - cpuStart;
    }

    sqlite3* m_db = nullptr;
    std::atomic<bool> m_stop{false};
    Figures m_figures;
    std::thread m_thread;
};

// The page's clear of its listed rows and the bare delete of the same rows on the copy,
// each with a writer beside it.
struct ClearFigures {
    Timed page;
    int listed = 0;
    int left = 0;
    BesideWriter::Figures pageBeside;
    double bare = 0;
    double bareCpu = 0;
    long bareRows = 0;
    BesideWriter::Figures bareBeside;
};

ClearFigures ClearBeside(CQueryRecordsPage& page, ScriptedDialogs& dialogs, const std::string& path,
                         const std::string& copy, const std::string& range)
{
    ClearFigures figures;
    figures.listed = page.List()->GetItemCount();
    dialogs.AnswerQuestion(true);
    {
        BesideWriter writer(path);
        figures.page = Run([&] { page.ClearRecords(); });
        figures.pageBeside = writer.Stop();
        figures.page.cpu -= figures.pageBeside.cpu;
    }
    figures.left = page.List()->GetItemCount();
    BesideWriter writer(copy);
    figures.bare = Bare(copy, ("delete from QueryLogTable" + range).c_str(), figures.bareRows, figures.bareCpu);
    figures.bareBeside = writer.Stop();
    figures.bareCpu -= figures.bareBeside.cpu;
    return figures;
}

void PrintClear(const char* what, const ClearFigures& f)
{
    const auto beside = [](const BesideWriter::Figures& w) {
        return "a writer beside waited at most " + std::to_string(static_cast<long>(w.longestMs)) + " ms (" +
               std::to_string(w.writes) + " writes, " + std::to_string(w.failed) + " failed)";
    };
    std::printf("ClearRecords, %s: %.2f s (%.2f), %d rows listed, %d left listed, longest event-loop gap %.0f ms;"
                " %s (goal 5 s)\n",
                what, f.page.seconds, f.page.cpu, f.listed, f.left, f.page.longestGapMs, beside(f.pageBeside).c_str());
    std::printf("  baseline:   sqlite3 one delete of the same rows: %.2f s (%.2f), %ld rows; %s\n", f.bare, f.bareCpu,
                f.bareRows, beside(f.bareBeside).c_str());
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    long rows = 1000000;
    std::set<std::string> parts{"query", "lookup", "export", "clear", "server"};
    for (int at = 1; at < argc; ++at) {
        const std::string argument = argv[at];
        if (argument.rfind("--only=", 0) == 0) {
            parts.clear();
            for (std::size_t from = 7; from <= argument.size();) {
                const std::size_t comma = std::min(argument.find(',', from), argument.size());
                parts.insert(argument.substr(from, comma - from));
                from = comma + 1;
            }
        } else {
            rows = std::atol(argument.c_str());
        }
    }
    const auto runs = [&parts](const char* part) { return parts.count(part) > 0; };
    double load[3] = {};
    getloadavg(load, 3);
    std::printf("log rows=%ld; wall clock and (CPU) seconds: the machine's two cores are shared, so wall figures"
                " are noisy; load average %.2f at the start\n",
                rows, load[0]);

    char folderTemplate[] = "/tmp/bench-query-pages-XXXXXX";
    const char* folder = mkdtemp(folderTemplate);
    if (folder == nullptr)
        return 1;
    const std::string path = std::string(folder) + "/Varnholt.db";
    const std::string copy = std::string(folder) + "/copy.db";
    ScriptedDialogs dialogs;
    const std::string kRange = " where QueryTime>'2026-01-01 00:00:01' and QueryTime<'2026-12-31 23:59:59'";

    if (runs("query") || runs("lookup") || runs("export") || runs("clear")) {
        CDbConnection connection;
        if (!Prepare(connection, path, rows))
            return 1;
        SetTheConnection(&connection);
        // The copy for the bare delete, made by the engine so that it is whole.
        if (runs("clear") && !connection.Provider()->ExecuteScript("vacuum into '" + copy + "'")) {
            std::fprintf(stderr, "cannot copy the database: %s\n", connection.GetErrorsText().c_str());
            return 1;
        }

        long bareRows = 0;
        double bareSelectCpu = 0;
        const double bareSelect = Bare(path,
                                       ("select QueryIndex,QueryTime,QueryPhoneNumber,QueryProductID,QueryProductCode,"
                                        "RealProductCode,QueryStatus,QueryComm,QueryProv,QueryCity from QueryLogTable" +
                                        kRange)
                                           .c_str(),
                                       bareRows, bareSelectCpu);
        const long peakBefore = PeakKb();

        CQueryRecordsPage records;
        records.resize(630, 400);
        records.show();
        records.FromDate()->setDate(QDate(2026, 1, 1));
        records.ToDate()->setDate(QDate(2026, 12, 31));
        if (runs("query") || runs("export") || runs("clear")) {
            const Timed query = Run([&] { records.RunQuery(); });
            const long peakAfter = PeakKb();
            const int listed = records.List()->GetItemCount();
            std::printf("RunQuery:     %.2f s (%.2f), %d rows listed, longest event-loop gap %.0f ms; peak memory %ld"
                        " MB (%ld MB before) (goals 1.5 s, 600 MB)\n",
                        query.seconds, query.cpu, listed, query.longestGapMs, peakAfter / 1024, peakBefore / 1024);
            std::printf("  baseline:   sqlite3 select of the same rows, every cell read: %.2f s (%.2f), %ld rows\n",
                        bareSelect, bareSelectCpu, bareRows);
        }

        if (runs("lookup")) {
            CCodeLookupPage lookup;
            lookup.show();
            lookup.ProductIdEdit()->setText(QStringLiteral("01012345"));
            const Timed look = Run([&] { lookup.LookupCode(); });
            const int history = lookup.List()->GetItemCount();
            long bareLookRows = 0;
            double bareLookCpu = 0;
            const double bareLook = Bare(path,
                                         "select QueryIndex,QueryTime,QueryPhoneNumber,QueryProductID,QueryProductCode,"
                                         "RealProductCode,QueryStatus,QueryComm,QueryProv,QueryCity from QueryLogTable "
                                         "where QueryProductID='01012345'",
                                         bareLookRows, bareLookCpu);
            std::printf("LookupCode:   %.1f ms (%.1f), %d rows listed (goal 50 ms)\n", look.seconds * 1e3,
                        look.cpu * 1e3, history);
            std::printf("  baseline:   sqlite3 select of the code's log rows: %.1f ms (%.1f), %ld rows\n",
                        bareLook * 1e3, bareLookCpu * 1e3, bareLookRows);
        }

        if (runs("export")) {
            const std::string workbook = std::string(folder) + "/records.xlsx";
            dialogs.AnswerSaveFile(QString::fromStdString(workbook));
            const Timed exported = Run([&] { records.ExportRecords(); });
            const auto workbookBytes = std::filesystem::exists(workbook) ? std::filesystem::file_size(workbook) : 0;
            std::printf("Export:       %.2f s (%.2f), %ld bytes, longest event-loop gap %.0f ms (goals 30 s, 200 ms)\n",
                        exported.seconds, exported.cpu, static_cast<long>(workbookBytes), exported.longestGapMs);
        }

        if (runs("clear")) {
            // Every row of the log is listed: the whole log goes.
            PrintClear("every row listed", ClearBeside(records, dialogs, path, copy, kRange));
            SetTheConnection(nullptr);
            connection.CloseIfOpen();

            // A tenth of the rows lie outside the filter: the listed rows go window by window.
            const std::string partial = std::string(folder) + "/partial.db";
            const std::string partialCopy = std::string(folder) + "/partial-copy.db";
            CDbConnection partialConnection;
            if (!Prepare(partialConnection, partial, rows, 10) ||
                !partialConnection.Provider()->ExecuteScript("vacuum into '" + partialCopy + "'")) {
                std::fprintf(stderr, "cannot prepare the partial log: %s\n", partialConnection.GetErrorsText().c_str());
                return 1;
            }
            SetTheConnection(&partialConnection);
            CQueryRecordsPage partialPage;
            partialPage.resize(630, 400);
            partialPage.show();
            partialPage.FromDate()->setDate(QDate(2026, 1, 1));
            partialPage.ToDate()->setDate(QDate(2026, 12, 31));
            partialPage.RunQuery();
            PrintClear("9 in 10 rows listed", ClearBeside(partialPage, dialogs, partial, partialCopy, kRange));
            SetTheConnection(nullptr);
            partialConnection.CloseIfOpen();
        }
        SetTheConnection(nullptr);
        connection.CloseIfOpen();
    }
    std::filesystem::remove_all(folder);
    getloadavg(load, 3);
    std::printf("messages: %s\n", dialogs.Messages().join(QStringLiteral(" / ")).toStdString().c_str());
    std::printf("load average %.2f at the end of the SQLite figures\n", load[0]);
    if (!runs("server"))
        return 0;

    // RunQuery on the server engine, over a log filled the same way, beside libpq alone.
    TestDatabase server;
    CDbConnection onServer;
    std::string error;
    bool unavailable = false;
    if (!server.Create(SqlDialect::PostgreSQL, error, unavailable) || !onServer.Open(server.ConnectionString(), -1) ||
        !CreateSchema(onServer, error) || !onServer.Provider()->ExecuteScript(ServerFillScript(rows))) {
        std::printf("no PostgreSQL figures: %s%s\n", error.c_str(), onServer.GetErrorsText().c_str());
        return 0;
    }
    SetTheConnection(&onServer);
    dialogs.Clear();
    const long serverPeakBefore = PeakKb();
    {
        CQueryRecordsPage onServerPage;
        onServerPage.resize(630, 400);
        onServerPage.show();
        onServerPage.FromDate()->setDate(QDate(2026, 1, 1));
        onServerPage.ToDate()->setDate(QDate(2026, 12, 31));
        const Timed timed = Run([&] { onServerPage.RunQuery(); });
        std::printf("RunQuery, PostgreSQL: %.2f s (%.2f), %d rows listed, longest event-loop gap %.0f ms; peak memory "
                    "%ld MB (%ld MB before)\n",
                    timed.seconds, timed.cpu, onServerPage.List()->GetItemCount(), timed.longestGapMs, PeakKb() / 1024,
                    serverPeakBefore / 1024);
    }
    long serverRows = 0;
    double bareServerCpu = 0;
    const double bareServer = BareServer(
        server.ConnectionString(),
        "select QueryIndex,QueryTime,QueryPhoneNumber,QueryProductID,QueryProductCode,RealProductCode,QueryStatus,"
        "QueryComm,QueryProv,QueryCity from QueryLogTable where QueryTime>'2026-01-01 00:00:01' and "
        "QueryTime<'2026-12-31 23:59:59'",
        serverRows, bareServerCpu);
    std::printf("  baseline:   libpq select of the same rows, row by row, every cell read: %.2f s (%.2f, the"
                " console's side), %ld rows\n",
                bareServer, bareServerCpu, serverRows);
    std::printf("messages: %s\n", dialogs.Messages().join(QStringLiteral(" / ")).toStdString().c_str());
    SetTheConnection(nullptr);
    onServer.CloseIfOpen();
    return 0;
}
