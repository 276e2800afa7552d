// The cross-region and counterfeit warning pages on a log of a million rows, each through
// the page's command as the operator runs it, beside sqlite3 alone reading every cell of
// the same rows in the same run. Also the longest gap between two passes of the event loop
// (the time the window could not repaint).
//
//   bench_region_warning_pages [rows [region|warnings]]      (1000000 rows and both pages when not given)
//   bench_region_warning_pages --database FILE [region|warnings]
//
// With --database it reads an SQLite database as it is (a demo log of varnholt-db init
// --demo --queries N): the batch queried most, outside the province most of its queries
// came from, and the warnings of every day of the log.
#include "cross_region_page.h"
#include "fake_warning_page.h"

#include "color_list_ctrl.h"
#include "scripted_dialogs.h"
#include "skin_combo_box.h"

#include "case_fold.h"
#include "database_file_facts.h"
#include "db_connection.h"
#include "db_provider.h"
#include "schema.h"
#include "sql_text.h"

#include <QApplication>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>

#include <sqlite3.h>
#include <stdlib.h>
#include <time.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace {

// Rows seven seconds apart from the first of January (a million span 81 days), all of one
// product. Provinces come in stretches of three queries, so runs are short (the costly
// case: a quarter of a million list lines); a quarter are from 广东, the sales region. One query in
// ten points to a fake: status -2 or a repeat.
std::string FillScript(long rows)
{
    return "with recursive n(i) as (select 0 union all select i+1 from n where i<" + std::to_string(rows - 1) +
           ") insert into QueryLogTable (QueryTime,QueryPhoneNumber,QueryProductID,QueryProductCode,RealProductCode,"
           "QueryStatus,QueryComm,QueryProv,QueryCity,ProductName) select "
           "datetime('2026-01-01 00:00:00','+'||(i*7)||' seconds'),'139'||printf('%08d',i),"
           "printf('01%06d',i%50000),printf('%08d',(i*7919)%100000000),printf('%08d',(i*7919)%100000000),"
           "case when i%20=1 then -2 when i%20=11 then 2+i%7 when i%10=0 then -1 else 1 end,'/dev/ttyUSB0',"
           "case (i/3)%4 when 0 then '广东' when 1 then '江苏' when 2 then '河南' else '四川' end,"
           "case (i/3)%4 when 0 then '深圳' when 1 then '南京' when 2 then '郑州' else '成都' end,"
           "'基准批次' from n;"
           "insert into ProductGroupTable (ProductName,CreateCodeTime,UseCodeTime,ProductCount,ProductStatus,"
           "ProductCode) values ('基准批次','2025-12-01 08:00:00','2025-12-02 08:00:00',50000,'启用',1);";
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

struct Timed {
    double seconds = 0;
    double cpu = 0;
    double longestGapMs = 0;
    long rows = 0;
};

// Runs a statement with sqlite3 alone and reads every cell as text.
Timed Bare(const std::string& path, const std::string& statement)
{
    Timed timed;
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    RegisterFoldCollation(db);
    QElapsedTimer timer;
    timer.start();
    const double cpuStart = CpuSeconds();
    sqlite3_stmt* step = nullptr;
    if (sqlite3_prepare_v2(db, statement.c_str(), -1, &step, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "bare: %s\n", sqlite3_errmsg(db));
        sqlite3_close(db);
        return timed;
    }
    std::size_t bytes = 0;
    while (sqlite3_step(step) == SQLITE_ROW) {
        for (int column = 0; column < sqlite3_column_count(step); ++column)
            bytes += static_cast<std::size_t>(sqlite3_column_bytes(step, column)) +
                     (sqlite3_column_text(step, column) != nullptr);
        ++timed.rows;
    }
    sqlite3_finalize(step);
    timed.seconds = timer.nsecsElapsed() / 1e9;
    timed.cpu = CpuSeconds() - cpuStart;
    sqlite3_close(db);
    return timed;
}

// Times a command and the longest gap between two passes of the event loop while it ran.
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
    pass.start(0);
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    const double cpuStart = CpuSeconds();
    sincePass.restart();
    command();
    Timed timed;
    timed.seconds = timer.nsecsElapsed() / 1e9;
    timed.cpu = CpuSeconds() - cpuStart;
    QApplication::processEvents();
    pass.stop();
    timed.longestGapMs = longestGapNs / 1e6;
    return timed;
}

const char* const kSelect = "select QueryIndex,QueryTime,QueryPhoneNumber,QueryProductID,QueryProductCode,"
                            "RealProductCode,QueryStatus,QueryComm,QueryProv,QueryCity from QueryLogTable ";

QDate DayOf(const std::string& time)
{
    return QDate::fromString(QString::fromStdString(time.substr(0, 10)), QStringLiteral("yyyy-MM-dd"));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const bool given = argc > 2 && std::string(argv[1]) == "--database";
    const long rows = !given && argc > 1 ? std::atol(argv[1]) : 1000000;
    const std::string only = argc > (given ? 3 : 2) ? argv[given ? 3 : 2] : "";

    char folderTemplate[] = "/tmp/bench-region-warning-XXXXXX";
    const char* folder = given ? nullptr : mkdtemp(folderTemplate);
    if (!given && folder == nullptr)
        return 1;
    const std::string path = given ? std::string(argv[2]) : std::string(folder) + "/Varnholt.db";
    CDbConnection connection;
    if (given ? !connection.Open("Provider=SQLite;Data Source=" + path + ";", -1) : !Prepare(connection, path, rows)) {
        std::fprintf(stderr, "cannot open %s: %s\n", path.c_str(), connection.GetErrorsText().c_str());
        return 1;
    }
    SetTheConnection(&connection);
    ScriptedDialogs dialogs;

    // The batch queried most, sold where most of its queries came from; the warnings of
    // every day of the log in every province.
    const std::string product =
        First(path, "select ProductName from QueryLogTable group by ProductName order by count(*) desc limit 1");
    const std::string province =
        First(path, "select QueryProv from QueryLogTable where ProductName='" + SqlQuote(product) +
                        "' group by QueryProv order by count(*) desc limit 1");
    const std::string firstTime = First(path, "select min(QueryTime) from QueryLogTable");
    const std::string lastTime = First(path, "select max(QueryTime) from QueryLogTable");
    const long logRows = std::atol(First(path, "select count(*) from QueryLogTable").c_str());

    const std::string loadBefore = LoadAverage();
    Timed bareRegion;
    Timed regionRun;
    Timed bareWarnings;
    Timed warningRun;
    CCrossRegionPage region;
    CFakeWarningPage warnings;
    if (only != "warnings") {
        bareRegion =
            Bare(path, std::string(kSelect) + " where ( QueryProv > '" + SqlQuote(province) + "' or QueryProv < '" +
                           SqlQuote(province) + "')  and  ProductName='" + SqlQuote(product) + "' ");
        region.resize(630, 400);
        region.show();
        region.ProvinceList()->setCurrentIndex(region.ProvinceList()->findText(QString::fromStdString(province)));
        region.ProductList()->showPopup();
        region.ProductList()->hidePopup();
        region.ProductList()->setCurrentIndex(region.ProductList()->findText(QString::fromStdString(product)));
        regionRun = Run([&] { region.RunCrossRegionQuery(); });
    }
    if (only != "region") {
        const QDate from = DayOf(firstTime);
        const QDate to = DayOf(lastTime);
        bareWarnings = Bare(path, std::string(kSelect) + " where ( QueryStatus>1 or QueryStatus=-2 ) and QueryTime>'" +
                                      from.toString(Qt::ISODate).toStdString() + " 00:00:01' and QueryTime<'" +
                                      to.toString(Qt::ISODate).toStdString() + " 23:59:59' ");
        warnings.resize(630, 400);
        warnings.show();
        warnings.FromDate()->setDate(from);
        warnings.ToDate()->setDate(to);
        warningRun = Run([&] { warnings.RunWarningQuery(); });
    }
    const int regionLines = region.List()->GetItemCount();
    const int warningRows = warnings.List()->GetItemCount();

    SetTheConnection(nullptr);
    connection.CloseIfOpen();
    if (!given)
        std::filesystem::remove_all(folder);

    std::printf("log rows=%ld%s; wall clock and (CPU) seconds: the machine's two cores are shared, so wall figures"
                " are noisy (load %s before, %s after)\n",
                logRows, given ? (" in " + path).c_str() : "", loadBefore.c_str(), LoadAverage().c_str());
    std::printf("RunCrossRegionQuery: %.2f s (%.2f), %d lines listed for %s outside %s, longest event-loop gap %.0f ms"
                " (goal 1.5 s)\n",
                regionRun.seconds, regionRun.cpu, regionLines, product.c_str(), province.c_str(),
                regionRun.longestGapMs);
    std::printf("  baseline:          sqlite3 select of the same rows, every cell read: %.2f s (%.2f), %ld rows\n",
                bareRegion.seconds, bareRegion.cpu, bareRegion.rows);
    std::printf("RunWarningQuery:     %.2f s (%.2f), %d rows listed, longest event-loop gap %.0f ms (goal 1 s)\n",
                warningRun.seconds, warningRun.cpu, warningRows, warningRun.longestGapMs);
    std::printf("  baseline:          sqlite3 select of the same rows, every cell read: %.2f s (%.2f), %ld rows\n",
                bareWarnings.seconds, bareWarnings.cpu, bareWarnings.rows);
    std::printf("  provinces:         %s\n", warnings.SummaryLabel()->text().toStdString().c_str());
    std::printf("messages: %s\n", dialogs.Messages().join(QStringLiteral(" / ")).toStdString().c_str());
    return 0;
}
