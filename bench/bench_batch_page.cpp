// Generating a batch's codes through the batch page's command, as the operator does it,
// beside the bare storage run on its own (no window, no progress) in the same run, each
// on a fresh SQLite database. For the page it also reports the longest gap between two
// passes of the window's event loop: the time the window could not repaint or answer.
//
//   bench_batch_page [codes]      (999999 when not given)
#include "product_batch_page.h"
#include "store_batch_codes.h"

#include "color_list_ctrl.h"
#include "scripted_dialogs.h"

#include "clock.h"
#include "db_connection.h"
#include "execute_sql.h"
#include "schema.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

const char* const kName = "基准批次";

bool Prepare(CDbConnection& connection, const std::string& path, int codes)
{
    std::string error;
    if (!connection.Open("Provider=SQLite;Data Source=" + path + ";Create=1;", -1) ||
        !CreateSchema(connection, error) ||
        !RunSql(connection,
                "insert into ProductGroupTable (ProductName,ProductRemark,ProductCount,ProductStatus,ProductCode) "
                "values ('" +
                    std::string(kName) + "',' '," + std::to_string(codes) + ",'未启用',1)",
                error)) {
        std::fprintf(stderr, "cannot prepare %s: %s%s\n", path.c_str(), error.c_str(),
                     connection.GetErrorsText().c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int codes = argc > 1 ? std::atoi(argv[1]) : 999999;

    char folderTemplate[] = "/tmp/bench-batch-page-XXXXXX";
    const char* folder = mkdtemp(folderTemplate);
    if (folder == nullptr)
        return 1;

    // Baseline: the storage run alone, its hook doing nothing.
    double bareSeconds = 0;
    double bareTailMs = 0; // from the last code's hook to the end of the run: its commit
    {
        CDbConnection connection;
        if (!Prepare(connection, std::string(folder) + "/bare.db", codes))
            return 1;
        QElapsedTimer timer;
        timer.start();
        qint64 lastCodeNs = 0;
        if (!StoreBatchCodes(
                connection, TheSystemClock(), kName, 1, codes, [&](int) { lastCodeNs = timer.nsecsElapsed(); },
                [](BatchEnd, const std::string&) {}))
            return 1;
        bareSeconds = timer.nsecsElapsed() / 1e9;
        bareTailMs = (timer.nsecsElapsed() - lastCodeNs) / 1e6;
    }

    // The page's command with its window on screen, the administrator's answer scripted.
    double pageSeconds = 0;
    qint64 longestGapNs = 0;
    long passes = 0;
    {
        CDbConnection connection;
        if (!Prepare(connection, std::string(folder) + "/page.db", codes))
            return 1;
        SetTheConnection(&connection);
        ScriptedDialogs dialogs;
        CProductBatchPage page;
        page.resize(630, 400);
        page.show();
        page.LoadBatches();
        page.List()->SetItemSelected(0, true);
        dialogs.AnswerAdministrator(true);

        // A zero timer runs on every pass of the event loop; the gaps between its runs
        // are the times the window was left alone.
        QElapsedTimer sincePass;
        QTimer pass;
        QObject::connect(&pass, &QTimer::timeout, [&] {
            if (sincePass.isValid())
                longestGapNs = std::max(longestGapNs, sincePass.nsecsElapsed());
            sincePass.restart();
            ++passes;
        });
        pass.start(0);
        QElapsedTimer timer;
        timer.start();
        page.GenerateCodes();
        pageSeconds = timer.nsecsElapsed() / 1e9;
        // The pass after the command counts too: the final commit runs after the last pump.
        QApplication::processEvents();
        pass.stop();
        SetTheConnection(nullptr);
        if (page.List()->GetItemText(0, 2).isEmpty()) {
            std::fprintf(stderr, "the page did not finish the run\n");
            return 1;
        }
    }
    std::filesystem::remove_all(folder);

    std::printf("codes=%d\n", codes);
    std::printf("bare StoreBatchCodes: %.2f s (%.0f codes/s)\n", bareSeconds, codes / bareSeconds);
    std::printf("  of which after the last code (last insert, CreateCodeTime, commit): %.1f ms\n", bareTailMs);
    std::printf("page GenerateCodes:   %.2f s (%.0f codes/s)\n", pageSeconds, codes / pageSeconds);
    std::printf("event loop passes during the run: %ld, longest gap between two: %.1f ms (goal < 200 ms)\n", passes,
                longestGapNs / 1e6);
    std::printf("ratio=%.3f\n", pageSeconds / bareSeconds);
    return 0;
}
