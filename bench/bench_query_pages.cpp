// The query pages on a log of real size: the records page's query, clear and export and
// the code lookup, each through the page's command as the operator runs it, beside a bare
// baseline in the same run (sqlite3 reading or deleting the same rows). For the long
// commands it reports the longest gap between two passes of the event loop (the time the
// window could not repaint) and, for the query, the peak memory of the process. Then the
// query once more on a throw-away PostgreSQL cluster, beside libpq alone.
//
//   bench_query_pages [rows]      (1000000 when not given)
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

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

namespace {

// Rows seven seconds apart from the first of January: a million span 81 days.
std::string FillScript(long rows)
{
    return "with recursive n(i) as (select 0 union all select i+1 from n where i<" + std::to_string(rows - 1) +
           ") insert into QueryLogTable (QueryTime,QueryPhoneNumber,QueryProductID,QueryProductCode,RealProductCode,"
           "QueryStatus,QueryComm,QueryProv,QueryCity,ProductName) select "
           "datetime('2026-01-01 00:00:00','+'||(i*7)||' seconds'),'139'||printf('%08d',i),"
           "printf('01%06d',i%50000),printf('%08d',(i*7919)%100000000),printf('%08d',(i*7919)%100000000),"
           "case when i%10=0 then -1 when i%10=1 then -2 when i%5=2 then 2+i%7 else 1 end,'/dev/ttyUSB0',"
           "case i%4 when 0 then '广东' when 1 then '江苏' when 2 then '河南' else '四川' end,"
           "case i%4 when 0 then '深圳' when 1 then '南京' when 2 then '郑州' else '成都' end,'基准批次' from n;"
           "insert into ProductGroupTable (ProductName,CreateCodeTime,UseCodeTime,ProductCount,ProductStatus,"
           "ProductCode) values ('基准批次','2025-12-01 08:00:00','2025-12-02 08:00:00',50000,'启用',1);"
           "with recursive n(i) as (select 0 union all select i+1 from n where i<49999) insert into ProductTable "
           "(ProductID,ProductCode,QueryCount,ProductName,UseStatus) select printf('01%06d',i),"
           "printf('%08d',i*31),20,'基准批次',1 from n;";
}

// The same rows on PostgreSQL.
std::string ServerFillScript(long rows)
{
    return "insert into QueryLogTable (QueryTime,QueryPhoneNumber,QueryProductID,QueryProductCode,RealProductCode,"
           "QueryStatus,QueryComm,QueryProv,QueryCity,ProductName) select "
           "timestamp '2026-01-01 00:00:00'+(i::bigint*7)*interval '1 second','139'||lpad(i::text,8,'0'),"
           "'01'||lpad((i%50000)::text,6,'0'),lpad(((i::bigint*7919)%100000000)::text,8,'0'),"
           "lpad(((i::bigint*7919)%100000000)::text,8,'0'),"
           "case when i%10=0 then -1 when i%10=1 then -2 when i%5=2 then 2+i%7 else 1 end,'/dev/ttyUSB0',"
           "case i%4 when 0 then '广东' when 1 then '江苏' when 2 then '河南' else '四川' end,"
           "case i%4 when 0 then '深圳' when 1 then '南京' when 2 then '郑州' else '成都' end,'基准批次' "
           "from generate_series(0," +
           std::to_string(rows - 1) + ") i; analyze QueryLogTable;";
}

bool Prepare(CDbConnection& connection, const std::string& path, long rows)
{
    std::string error;
    if (!connection.Open("Provider=SQLite;Data Source=" + path + ";Create=1;", -1) ||
        !CreateSchema(connection, error) || !connection.Provider()->ExecuteScript(FillScript(rows))) {
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

// Runs a statement with sqlite3 alone and reads every cell as text; answers the seconds.
double Bare(const std::string& path, const char* statement, long& rows, double& cpu)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    RegisterFoldCollation(db);
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

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const long rows = argc > 1 ? std::atol(argv[1]) : 1000000;

    char folderTemplate[] = "/tmp/bench-query-pages-XXXXXX";
    const char* folder = mkdtemp(folderTemplate);
    if (folder == nullptr)
        return 1;
    const std::string path = std::string(folder) + "/Varnholt.db";
    const std::string copy = std::string(folder) + "/copy.db";

    CDbConnection connection;
    if (!Prepare(connection, path, rows))
        return 1;
    SetTheConnection(&connection);
    ScriptedDialogs dialogs;
    // The copy for the bare delete, made by the engine so that it is whole.
    if (!connection.Provider()->ExecuteScript("vacuum into '" + copy + "'")) {
        std::fprintf(stderr, "cannot copy the database: %s\n", connection.GetErrorsText().c_str());
        return 1;
    }

    const char* const kRange = " where QueryTime>'2026-01-01 00:00:01' and QueryTime<'2026-12-31 23:59:59'";
    long bareRows = 0;
    double bareSelectCpu = 0;
    const double bareSelect =
        Bare(path,
             (std::string("select QueryIndex,QueryTime,QueryPhoneNumber,QueryProductID,QueryProductCode,"
                          "RealProductCode,QueryStatus,QueryComm,QueryProv,QueryCity from QueryLogTable") +
              kRange)
                 .c_str(),
             bareRows, bareSelectCpu);
    const long peakBefore = PeakKb();

    CQueryRecordsPage records;
    records.resize(630, 400);
    records.show();
    records.FromDate()->setDate(QDate(2026, 1, 1));
    records.ToDate()->setDate(QDate(2026, 12, 31));
    const Timed query = Run([&] { records.RunQuery(); });
    const long peakAfter = PeakKb();
    const int listed = records.List()->GetItemCount();

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

    const std::string workbook = std::string(folder) + "/records.xlsx";
    dialogs.AnswerSaveFile(QString::fromStdString(workbook));
    const Timed exported = Run([&] { records.ExportRecords(); });
    const auto workbookBytes = std::filesystem::exists(workbook) ? std::filesystem::file_size(workbook) : 0;

    dialogs.AnswerQuestion(true);
    const Timed cleared = Run([&] { records.ClearRecords(); });
    const int left = records.List()->GetItemCount();
    long bareDeleted = 0;
    double bareClearCpu = 0;
    const double bareClear =
        Bare(copy, (std::string("delete from QueryLogTable") + kRange).c_str(), bareDeleted, bareClearCpu);

    SetTheConnection(nullptr);
    connection.CloseIfOpen();
    std::filesystem::remove_all(folder);

    std::printf("log rows=%ld; wall clock and (CPU) seconds: the machine's two cores are shared, so wall figures"
                " are noisy\n",
                rows);
    std::printf("RunQuery:     %.2f s (%.2f), %d rows listed, longest event-loop gap %.0f ms; peak memory %ld MB"
                " (%ld MB before) (goals 1.5 s, 600 MB)\n",
                query.seconds, query.cpu, listed, query.longestGapMs, peakAfter / 1024, peakBefore / 1024);
    std::printf("  baseline:   sqlite3 select of the same rows, every cell read: %.2f s (%.2f), %ld rows\n", bareSelect,
                bareSelectCpu, bareRows);
    std::printf("LookupCode:   %.1f ms (%.1f), %d rows listed (goal 50 ms)\n", look.seconds * 1e3, look.cpu * 1e3,
                history);
    std::printf("  baseline:   sqlite3 select of the code's log rows: %.1f ms (%.1f), %ld rows\n", bareLook * 1e3,
                bareLookCpu * 1e3, bareLookRows);
    std::printf("Export:       %.2f s (%.2f), %ld bytes, longest event-loop gap %.0f ms (goals 30 s, 200 ms)\n",
                exported.seconds, exported.cpu, static_cast<long>(workbookBytes), exported.longestGapMs);
    std::printf("ClearRecords: %.2f s (%.2f), %d rows left listed, longest event-loop gap %.0f ms (goal 5 s)\n",
                cleared.seconds, cleared.cpu, left, cleared.longestGapMs);
    std::printf("  baseline:   sqlite3 one delete of the same rows: %.2f s (%.2f), %ld rows\n", bareClear, bareClearCpu,
                bareDeleted);
    std::printf("messages: %s\n", dialogs.Messages().join(QStringLiteral(" / ")).toStdString().c_str());

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
