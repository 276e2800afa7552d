// The statistics page on a log of real size: "统计" with the default order (and the other
// five), and the chart figures over a 90-day range, each through the page as the operator
// runs it, beside a bare select of the same rows in the same run (sqlite3 alone on SQLite,
// the data layer on PostgreSQL). For the page's commands it reports the longest time the
// window could not repaint: between two passes of the event loop or two calls of the
// lock-wait hook, which repaints the console's window while a read holds the connection.
//
// The chart figures are measured on both engines: without "postgres" the SQLite run is
// followed by the chart figures on a throw-away PostgreSQL cluster, with the server's CPU
// time (its backend and the parallel workers it started) beside the console's.
//
// With --database it reads an SQLite database as it is (a demo log of varnholt-db init --demo
// --queries N, copied first: the console upgrades a file of an earlier version on opening):
// the range is the log's first to last day, and the PostgreSQL figures are left out.
//
//   bench_query_stats [rows] [postgres]   (1000000 rows on SQLite when not given)
//   bench_query_stats --database FILE
#include "query_chart_data.h"
#include "query_stats.h"
#include "query_stats_chart.h"
#include "query_stats_page.h"

#include "color_list_ctrl.h"
#include "scripted_dialogs.h"
#include "skin_check_box.h"
#include "skin_combo_box.h"

#include "case_fold.h"
#include "database_file_facts.h"
#include "db_connection.h"
#include "db_provider.h"
#include "db_recordset.h"
#include "lock_wait.h"
#include "schema.h"
#include "test_database.h"

#include <QApplication>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QTimer>

#include <sqlite3.h>
#include <stdlib.h>
#include <time.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

const char* const kProvinces[] = {"安徽", "北京",   "福建",   "甘肃", "广东", "广西", "贵州", "海南",
                                  "河北", "河南",   "黑龙江", "湖北", "湖南", "吉林", "江苏", "江西",
                                  "辽宁", "内蒙古", "宁夏",   "青海", "山东", "山西", "陕西", "上海",
                                  "四川", "天津",   "西藏",   "新疆", "云南", "浙江", "重庆"};

// Six products, 31 provinces with three cities each, every result; the rows 7.776 seconds
// apart from the first of January, so a million span 90 days.
std::string FillScript(SqlDialect engine, long rows)
{
    std::string script = "create temp table Prov (n integer primary key, name text);";
    for (int n = 0; n < 31; ++n)
        script += "insert into Prov values (" + std::to_string(n) + ",'" + kProvinces[n] + "');";
    const std::string values =
        "case when i%10=0 then -1 when i%10=1 then -2 when i%5=2 then 2+i%7 when i%97=0 then 0 else 1 end,"
        "'/dev/ttyUSB0',Prov.name,'城'||((i/7)%3),"
        "case i%6 when 0 then '金穗' when 1 then '瑞丰' when 2 then '丰收' when 3 then '绿野' when 4 then '禾田' "
        "else '沃土' end ";
    const std::string columns = "insert into QueryLogTable (QueryTime,QueryPhoneNumber,QueryProductID,"
                                "QueryProductCode,RealProductCode,QueryStatus,QueryComm,QueryProv,QueryCity,"
                                "ProductName) ";
    if (engine == SqlDialect::SQLite)
        return script + "with recursive s(i) as (select 0 union all select i+1 from s where i<" +
               std::to_string(rows - 1) + ") " + columns +
               "select datetime('2026-01-01 00:00:00','+'||(i*7776/1000)||' seconds'),'139'||printf('%08d',i),"
               "printf('01%06d',i%50000),printf('%08d',(i*7919)%100000000),printf('%08d',(i*7919)%100000000)," +
               values + "from s join Prov on Prov.n=(i*7)%31;";
    return script + columns +
           "select timestamp '2026-01-01 00:00:00'+(i::bigint*7776/1000)*interval '1 second',"
           "'139'||lpad(i::text,8,'0'),'01'||lpad((i%50000)::text,6,'0'),lpad(((i::bigint*7919)%100000000)::text,8,"
           "'0'),lpad(((i::bigint*7919)%100000000)::text,8,'0')," +
           values + "from generate_series(0," + std::to_string(rows - 1) +
           ") i join Prov on Prov.n=(i*7)%31; analyze QueryLogTable;";
}

// CPU seconds of the process: on a loaded machine a fairer figure than the wall clock.
double CpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

struct Timed {
    double seconds = 0;
    double cpu = 0;
    double longestGapMs = 0;
};

// Times a command and the longest gap between two chances to repaint while it ran.
Timed Run(const std::function<void()>& command)
{
    qint64 longestGapNs = 0;
    QElapsedTimer sincePass;
    const auto pass = [&] {
        if (sincePass.isValid())
            longestGapNs = std::max(longestGapNs, sincePass.nsecsElapsed());
        sincePass.restart();
    };
    SetLockWaitHook(pass);
    QTimer passes;
    QObject::connect(&passes, &QTimer::timeout, pass);
    passes.start(0);
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    const double cpuStart = CpuSeconds();
    sincePass.restart();
    command();
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double cpu = CpuSeconds() - cpuStart;
    longestGapNs = std::max(longestGapNs, sincePass.nsecsElapsed());
    QApplication::processEvents();
    passes.stop();
    SetLockWaitHook(nullptr);
    return {seconds, cpu, longestGapNs / 1e6};
}

// A statement read to the end with sqlite3 alone, every cell taken as text; each row is
// also handed to perRow when given.
Timed Bare(const std::string& path, const std::string& statement, long& rows,
           const std::function<void(sqlite3_stmt*)>& perRow = {})
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    RegisterFoldCollation(db);
    rows = 0;
    const Timed timed = Run([&] {
        sqlite3_stmt* step = nullptr;
        if (sqlite3_prepare_v2(db, statement.c_str(), -1, &step, nullptr) != SQLITE_OK) {
            std::fprintf(stderr, "bare: %s\n", sqlite3_errmsg(db));
            return;
        }
        std::size_t bytes = 0;
        while (sqlite3_step(step) == SQLITE_ROW) {
            for (int column = 0; column < sqlite3_column_count(step); ++column)
                bytes += static_cast<std::size_t>(sqlite3_column_bytes(step, column)) +
                         (sqlite3_column_text(step, column) != nullptr);
            if (perRow)
                perRow(step);
            ++rows;
        }
        sqlite3_finalize(step);
    });
    sqlite3_close(db);
    return timed;
}

// The same through the data layer, for the server engine.
Timed Layer(CDbConnection& connection, const std::string& statement, long& rows)
{
    rows = 0;
    return Run([&] {
        CDbRecordset read;
        read.SetConnection(&connection);
        if (read.Open(statement, 1, 3, 3) != 1)
            return;
        std::string cell;
        for (; !read.IsEOF(); read.MoveNext(), ++rows)
            for (const char* column : {"QueryTime", "QueryStatus", "QueryProv", "QueryCity", "ProductName"})
                read.GetFieldValue(column, cell);
    });
}

std::string Text(const unsigned char* text)
{
    return text ? reinterpret_cast<const char*>(text) : "";
}

void Line(const char* what, const Timed& timed, const std::string& note)
{
    std::printf("%-44s %8.1f ms (CPU %8.1f)  %s\n", what, timed.seconds * 1e3, timed.cpu * 1e3, note.c_str());
}

// CPU seconds /proc gives for a process: its own, and those of its children that ended
// (a server's parallel workers end with their statement).
double ProcCpuSeconds(long pid, bool children)
{
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const std::size_t end = text.rfind(')');
    if (end == std::string::npos)
        return 0;
    // After the name: state, ppid, ... utime is the 12th field, cutime the 14th.
    std::vector<std::string> fields;
    std::string field;
    for (std::size_t at = end + 2; at <= text.size(); ++at) {
        if (at == text.size() || text[at] == ' ') {
            fields.push_back(field);
            field.clear();
        } else {
            field += text[at];
        }
    }
    if (fields.size() < 15)
        return 0;
    const std::size_t first = children ? 13 : 11;
    return (std::atof(fields[first].c_str()) + std::atof(fields[first + 1].c_str())) /
           static_cast<double>(sysconf(_SC_CLK_TCK));
}

long ParentOf(long pid)
{
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const std::size_t end = text.rfind(')');
    return end == std::string::npos ? 0 : std::atol(text.c_str() + end + 4);
}

// The server's CPU seconds so far for this connection: its backend, and what the
// postmaster's ended children (the parallel workers among them) used.
struct ServerClock {
    long backend = 0;
    long postmaster = 0;
    double Now() const { return ProcCpuSeconds(backend, false) + ProcCpuSeconds(postmaster, true); }
};

ServerClock ServerOf(CDbConnection& connection)
{
    CDbRecordset pid;
    pid.SetConnection(&connection);
    std::string text;
    if (pid.Open("select pg_backend_pid() as Pid", 1, 3, 3) == 1)
        pid.GetFieldValue("Pid", text);
    ServerClock clock;
    clock.backend = std::atol(text.c_str());
    clock.postmaster = clock.backend ? ParentOf(clock.backend) : 0;
    return clock;
}

// A statement run to its end through the data layer, its result read; the server's CPU
// time goes into serverCpu.
Timed OnServer(CDbConnection& connection, const ServerClock& server, const std::string& statement, long& rows,
               double& serverCpu)
{
    const double before = server.Now();
    rows = 0;
    const Timed timed = Run([&] {
        CDbRecordset read;
        read.SetConnection(&connection);
        if (read.Open(statement, 1, 3, 3) != 1) {
            std::fprintf(stderr, "server: %s\n", connection.GetErrorsText().c_str());
            return;
        }
        for (; !read.IsEOF(); read.MoveNext())
            ++rows;
    });
    serverCpu = server.Now() - before;
    return timed;
}

void ServerLine(const char* what, const Timed& timed, double serverCpu, const std::string& note)
{
    std::printf("%-44s %8.1f ms (CPU %8.1f, server CPU %7.1f)  %s\n", what, timed.seconds * 1e3, timed.cpu * 1e3,
                serverCpu * 1e3, note.c_str());
}

// The chart figures over the 90 days on the server engine, beside the count of the same
// rows (what reading them costs the server) and the earlier statement, which grouped by
// day, province and QueryStatus.
void ServerChart(CDbConnection& connection, const StatsFilter& quarter)
{
    const ServerClock server = ServerOf(connection);
    const std::string range = " where QueryTime>#2026-01-01 0:0:1# and QueryTime<#2026-03-31 23:59:59# ";
    QueryChartData data;
    std::string error;
    double serverCpu = 0;
    long rows = 0;
    for (int pass = 0; pass < 2; ++pass) {
        const double before = server.Now();
        const Timed figures = Run([&] { ReadQueryChartData(connection, quarter, data, error); });
        ServerLine(pass ? "chart figures, PostgreSQL, again" : "chart figures, 90 days, PostgreSQL (goal 300 ms)",
                   figures, server.Now() - before,
                   std::to_string(data.days.size()) + " days, " + std::to_string(data.total.Total()) + " queries");
    }
    const Timed count =
        OnServer(connection, server, "select count(*) as N from QueryLogTable" + range, rows, serverCpu);
    ServerLine("  baseline: count(*) of the same rows", count, serverCpu, "the rows read, nothing grouped");
    const Timed earlier = OnServer(connection, server,
                                   "select cast(cast(QueryTime as date) as text) as QueryDay,cast(QueryProv as text) "
                                   "as QueryProv,QueryStatus,count(*) as Queries from QueryLogTable" +
                                       range + "group by cast(QueryTime as date),2,3",
                                   rows, serverCpu);
    ServerLine("  reference: grouped by day, province, status", earlier, serverCpu,
               std::to_string(rows) + " groups (the statement before)");
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const bool given = argc > 2 && std::string(argv[1]) == "--database";
    long rows = !given && argc > 1 ? std::atol(argv[1]) : 1000000;
    const bool postgres = !given && argc > 2 && std::string(argv[2]) == "postgres";
    const SqlDialect engine = postgres ? SqlDialect::PostgreSQL : SqlDialect::SQLite;

    char folderTemplate[] = "/tmp/bench-query-stats-XXXXXX";
    const char* folder = given ? nullptr : mkdtemp(folderTemplate);
    if (!given && folder == nullptr)
        return 1;
    const std::string path = given ? std::string(argv[2]) : std::string(folder) + "/Varnholt.db";
    TestDatabase server;
    std::string connectionString = "Provider=SQLite;Data Source=" + path + (given ? ";" : ";Create=1;");
    std::string error;
    bool unavailable = false;
    if (postgres) {
        if (!server.Create(engine, error, unavailable)) {
            std::fprintf(stderr, "no PostgreSQL cluster: %s\n", error.c_str());
            return 1;
        }
        connectionString = server.ConnectionString();
    }
    CDbConnection connection;
    if (!connection.Open(connectionString, -1) ||
        (!given &&
         (!CreateSchema(connection, error) || !connection.Provider()->ExecuteScript(FillScript(engine, rows))))) {
        std::fprintf(stderr, "cannot prepare the database: %s%s\n", error.c_str(), connection.GetErrorsText().c_str());
        return 1;
    }
    SetTheConnection(&connection);
    ScriptedDialogs dialogs;

    // The quarter of the filled log, or the given log's first to last day.
    QDate fromDay(2026, 1, 1);
    QDate toDay(2026, 3, 31);
    if (given) {
        const auto day = [&](const char* statement) {
            return QDate::fromString(QString::fromStdString(First(path, statement).substr(0, 10)), Qt::ISODate);
        };
        fromDay = day("select min(QueryTime) from QueryLogTable");
        toDay = day("select max(QueryTime) from QueryLogTable");
        rows = std::atol(First(path, "select count(*) from QueryLogTable").c_str());
    }
    const auto calendar = [](const QDate& day) { return CalendarDate{day.year(), day.month(), day.day()}; };
    const StatsFilter quarter{calendar(fromDay), calendar(toDay), "<不限>", "", "", "<不限>"};
    // The same rows without the Jet date literals, for sqlite3 alone.
    const std::string range = " where QueryTime>'" + fromDay.toString(Qt::ISODate).toStdString() +
                              " 00:00:01' and QueryTime<'" + toDay.toString(Qt::ISODate).toStdString() + " 23:59:59' ";

    CQueryStatsPage page;
    page.resize(630, 400);
    page.show();
    page.FromDate()->setDate(fromDay);
    page.ToDate()->setDate(toDay);

    std::printf("log of %ld rows over %lld days on %s%s; wall clock and CPU milliseconds; the machine's two cores are "
                "shared, so the figures are noisy (load %s)\n\n",
                rows, fromDay.daysTo(toDay) + 1, postgres ? "PostgreSQL" : "SQLite",
                given ? (" in " + path).c_str() : "", LoadAverage().c_str());

    // Statistics with the default order, then the other five.
    const Timed stats = Run([&] { page.RunStatistics(); });
    Line("统计, 产品-地域-状态 (goal 1500 ms)", stats,
         std::to_string(page.List()->GetItemCount()) + " lines, longest event-loop gap " +
             std::to_string(static_cast<int>(stats.longestGapMs)) + " ms");
    long bareRows = 0;
    const std::string everyColumn = "select QueryIndex,QueryTime,QueryPhoneNumber,QueryProductID,QueryProductCode,"
                                    "RealProductCode,QueryStatus,QueryComm,QueryProv,QueryCity,ProductName from "
                                    "QueryLogTable";
    if (!postgres) {
        const Timed bare = Bare(path, everyColumn + range, bareRows);
        Line("  baseline: sqlite3 select of the same rows", bare, std::to_string(bareRows) + " rows, every cell read");
        // Every row read in the list's order and grouped one by one, as a page without the
        // database's counting would.
        std::vector<StatsRow> read;
        std::size_t lines = 0;
        Timed sorted = Bare(path, everyColumn + range + StatsOrderClause(0), bareRows, [&](sqlite3_stmt* row) {
            read.push_back({Text(sqlite3_column_text(row, 10)), Text(sqlite3_column_text(row, 8)),
                            Text(sqlite3_column_text(row, 9)), Text(sqlite3_column_text(row, 6)), 1});
        });
        const Timed grouped = Run([&] { lines = GroupStatsRows(read).size(); });
        sorted.seconds += grouped.seconds;
        sorted.cpu += grouped.cpu;
        Line("  reference: the same rows sorted, grouped one by one", sorted,
             std::to_string(bareRows) + " rows, " + std::to_string(lines) + " lines");
    } else {
        const Timed layer =
            Layer(connection, everyColumn + " where QueryTime>#2026-01-01 0:0:1# and QueryTime<#2026-03-31 23:59:59#",
                  bareRows);
        Line("  baseline: the layer's select of the same rows", layer, std::to_string(bareRows) + " rows");
    }
    for (int choice = 1; choice < kStatsSortChoiceCount; ++choice) {
        page.SortList()->setCurrentIndex(choice);
        const Timed other = Run([&] { page.RunStatistics(); });
        Line(("统计, " + std::string(StatsSortChoices()[static_cast<std::size_t>(choice)].label)).c_str(), other,
             std::to_string(page.List()->GetItemCount()) + " lines");
    }

    // The chart figures over the 90 days, alone and as the chart view shows them.
    QueryChartData data;
    if (postgres) {
        ServerChart(connection, quarter);
    } else {
        const Timed figures = Run([&] { ReadQueryChartData(connection, quarter, data, error); });
        Line(("chart figures, " + std::to_string(fromDay.daysTo(toDay) + 1) + " days (goal 300 ms)").c_str(), figures,
             std::to_string(data.days.size()) + " days, " + std::to_string(data.total.Total()) + " queries");
        const Timed bareFigures =
            Bare(path, "select QueryTime,QueryStatus,QueryProv from QueryLogTable" + range, bareRows);
        Line("  baseline: sqlite3 select of the same rows", bareFigures, std::to_string(bareRows) + " rows");
        const Timed oneReader = Run([&] { ReadQueryChartData(connection, quarter, data, error, ChartReaders::One); });
        Line("  reference: the chart figures on one connection", oneReader,
             std::to_string(data.total.Total()) +
                 " queries (above: two connections taking pieces of the days in turn)");
    }
    const Timed shown = Run([&] { page.ChartToggle()->click(); });
    Line("chart view switched on (figures and drawing)", shown,
         "longest event-loop gap " + std::to_string(static_cast<int>(shown.longestGapMs)) + " ms");

    std::printf("\nmessages: %s\nload at the end %s\n",
                dialogs.Messages().join(QStringLiteral(" / ")).toStdString().c_str(), LoadAverage().c_str());
    SetTheConnection(nullptr);
    connection.CloseIfOpen();
    if (!given)
        std::filesystem::remove_all(folder);

    if (!postgres && !given) {
        // The chart figures on the server engine as well, on a log filled the same way.
        std::printf("\nthe chart figures on PostgreSQL, the same %ld rows:\n", rows);
        TestDatabase other;
        CDbConnection onServer;
        if (!other.Create(SqlDialect::PostgreSQL, error, unavailable) || !onServer.Open(other.ConnectionString(), -1) ||
            !CreateSchema(onServer, error) ||
            !onServer.Provider()->ExecuteScript(FillScript(SqlDialect::PostgreSQL, rows))) {
            std::printf("no PostgreSQL figures: %s%s\n", error.c_str(), onServer.GetErrorsText().c_str());
            return 0;
        }
        ServerChart(onServer, quarter);
    }
    return 0;
}
