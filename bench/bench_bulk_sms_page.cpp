// The bulk SMS page's work on a queue of 100,000 rows, each beside a baseline measured in
// the same run on the same SQLite database:
//   full load into the page          beside the bare select walked backwards
//   one refresh with 10 rows flagged beside the bare select of the flagged rows
//   send to 10,000 recipients        beside the 10,000 inserts in one transaction
//                                    (and the longest gap of the window's event loop)
//   import of a 5,000,000-byte file  beside reading and splitting the file alone
//   export of the list               beside libxlsxwriter alone writing the same cells
//
//   bench_bulk_sms_page [rows] [postgres]   (100000 rows on SQLite when not given; with
//                                           postgres on a throw-away PostgreSQL cluster)
#include "bulk_sms_page.h"
#include "number_file.h"

#include "color_list_ctrl.h"
#include "scripted_dialogs.h"

#include "db_connection.h"
#include "db_recordset.h"
#include "execute_sql.h"
#include "schema.h"
#include "test_database.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTimer>

#include <xlsxwriter.h>

#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

double Ms(const QElapsedTimer& timer)
{
    return timer.nsecsElapsed() / 1e6;
}

bool Fill(CDbConnection& connection, int rows)
{
    std::string error;
    if (!connection.BeginTrans())
        return false;
    static const char* const kStatus[] = {"成功", "成功", "成功", "失败", "接收", "待发", "发送中"};
    for (int i = 0; i < rows; ++i) {
        if (!RunSql(connection,
                    "insert into SendSmsTable (SendStatus,SendTime,PhoneNumber,SmsContent,NewFlag) values ('" +
                        std::string(kStatus[i % 7]) + "','2026-12-10 08:00:00','1380013" + std::to_string(i % 10000) +
                        "','您好，您查询的防伪码是正品，感谢您的支持。第" + std::to_string(i) + "条',0)",
                    error)) {
            std::fprintf(stderr, "fill: %s\n", error.c_str());
            return false;
        }
    }
    return connection.CommitTrans();
}

void Flag(CDbConnection& connection, int count)
{
    // What the host does: a few rows change to sent, each with its flag up.
    ExecuteSql(connection,
               "update SendSmsTable set SendStatus='成功',NewFlag=1 where SmsIndex in (select SmsIndex from "
               "SendSmsTable where NewFlag=0 order by SmsIndex desc limit " +
                   std::to_string(count) + ")");
}

// Records the longest time between two passes of the event loop while a command runs.
class GapMeter final {
public:
    GapMeter()
    {
        QObject::connect(&m_pass, &QTimer::timeout, [this] {
            if (m_since.isValid())
                m_longestNs = std::max(m_longestNs, m_since.nsecsElapsed());
            m_since.restart();
        });
        m_pass.start(0);
        // The first pass starts the clock.
        QApplication::processEvents();
    }
    double LongestMs()
    {
        QApplication::processEvents();
        m_pass.stop();
        return m_longestNs / 1e6;
    }

private:
    QTimer m_pass;
    QElapsedTimer m_since;
    qint64 m_longestNs = 0;
};

void Line(const char* what, double ms, const char* baseline, double baseMs, const char* goal)
{
    std::printf("%-34s %9.1f ms   %-40s %9.1f ms   goal %s\n", what, ms, baseline, baseMs, goal);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;

    const bool postgres = argc > 2 && std::string(argv[2]) == "postgres";

    char folderTemplate[] = "/tmp/bench-bulk-sms-XXXXXX";
    const char* folder = mkdtemp(folderTemplate);
    if (folder == nullptr)
        return 1;
    const std::string dir = folder;

    TestDatabase database;
    CDbConnection connection;
    std::string error;
    bool unavailable = false;
    if (!database.Create(postgres ? SqlDialect::PostgreSQL : SqlDialect::SQLite, error, unavailable) ||
        !connection.Open(database.ConnectionString(), -1) || !CreateSchema(connection, error) ||
        !Fill(connection, rows)) {
        std::fprintf(stderr, "cannot prepare the database: %s%s\n", error.c_str(), connection.GetErrorsText().c_str());
        return 1;
    }
    SetTheConnection(&connection);
    ScriptedDialogs dialogs;
    std::printf("SendSmsTable with %d rows on %s; shared machine, figures are noisy\n\n", rows,
                postgres ? "PostgreSQL" : "SQLite");

    // Full load.
    QElapsedTimer timer;
    timer.start();
    {
        CDbRecordset all;
        all.SetConnection(&connection);
        all.Open("select SmsIndex,SendStatus,SendTime,PhoneNumber,SmsContent from SendSmsTable", 1, 3, 3);
        all.MoveLast();
        std::string cell;
        while (!all.IsBOF()) {
            for (const char* column : {"SmsIndex", "SendStatus", "SendTime", "PhoneNumber", "SmsContent"})
                all.GetFieldValue(column, cell);
            all.MovePrevious();
        }
    }
    const double bareSelect = Ms(timer);
    Flag(connection, 10);
    CBulkSmsPage page;
    page.resize(630, 400);
    page.show();
    QApplication::processEvents();
    timer.restart();
    page.LoadAll();
    const double load = Ms(timer);
    if (page.Records()->GetItemCount() != rows) {
        std::fprintf(stderr, "the page shows %d rows\n", page.Records()->GetItemCount());
        return 1;
    }
    Line("full load into the page", load, "bare select, walked backwards", bareSelect, "<= 1000 ms");

    // One refresh with 10 rows flagged, the median and the worst of 21.
    std::vector<double> ticks, bare;
    for (int i = 0; i < 21; ++i) {
        Flag(connection, 10);
        timer.restart();
        {
            CDbRecordset flagged;
            flagged.SetConnection(&connection);
            flagged.Open("select SmsIndex,SendStatus,SendTime,PhoneNumber,SmsContent,NewFlag from SendSmsTable "
                         "where NewFlag=1 ",
                         1, 3, 3);
            std::string cell;
            while (!flagged.IsEOF()) {
                for (const char* column : {"SmsIndex", "SendStatus", "SendTime", "PhoneNumber", "SmsContent"})
                    flagged.GetFieldValue(column, cell);
                flagged.MoveNext();
            }
        }
        bare.push_back(Ms(timer));
        timer.restart();
        page.RefreshChanged();
        ticks.push_back(Ms(timer));
    }
    std::sort(ticks.begin(), ticks.end());
    std::sort(bare.begin(), bare.end());
    Line("refresh, 10 flagged (median)", ticks[10], "bare flagged select (median)", bare[10], "<= 20 ms");
    Line("refresh, 10 flagged (worst)", ticks.back(), "bare flagged select (worst)", bare.back(), "<= 20 ms");

    // Send to 10,000 recipients.
    constexpr int kRecipients = 10000;
    const std::string text = "新茶上市，欢迎选购。";
    timer.restart();
    {
        connection.BeginTrans();
        for (int i = 0; i < kRecipients; ++i)
            RunSql(connection,
                   "insert into SendSmsTable (PhoneNumber,SmsContent,SendStatus,NewFlag) values ('139" +
                       std::to_string(10000000 + i) + "','" + text + "','待发',0)",
                   error);
        connection.CommitTrans();
    }
    const double bareInserts = Ms(timer);
    std::vector<std::vector<QString>> recipients;
    for (int i = 0; i < kRecipients; ++i)
        recipients.push_back({QStringLiteral("137%1").arg(10000000 + i)});
    page.Recipients()->InsertItems(0, std::move(recipients));
    page.MessageEdit()->setPlainText(QString::fromStdString(text));
    const int before = page.Records()->GetItemCount();
    double gap = 0;
    {
        GapMeter meter;
        timer.restart();
        page.Send();
        gap = meter.LongestMs();
    }
    const double send = Ms(timer);
    if (page.Records()->GetItemCount() != before + kRecipients) {
        std::fprintf(stderr, "send showed %d new rows\n", page.Records()->GetItemCount() - before);
        return 1;
    }
    Line("send to 10,000 recipients", send, "10,000 inserts in one transaction", bareInserts, "<= 3000 ms");
    std::printf("%-34s %9.1f ms   %-40s %12s   goal <= 200 ms\n", "  longest event-loop gap", gap, "", "");

    // Import of a 5,000,000-byte number file.
    const std::string numbers = dir + "/numbers.txt";
    {
        std::ofstream file(numbers, std::ios::binary);
        std::string bytes;
        for (long i = 0; bytes.size() < kNumberFileLimit; ++i)
            bytes += "  1" + std::to_string(3800000000L + i) + " \r\n";
        bytes.resize(kNumberFileLimit);
        file << bytes;
    }
    timer.restart();
    std::string content;
    ReadNumberFile(numbers, content);
    const std::size_t pieces = SplitNumbers(content).size();
    const double bareImport = Ms(timer);
    page.Recipients()->DeleteAllItems();
    dialogs.AnswerOpenFile(QString::fromStdString(numbers));
    timer.restart();
    page.ImportNumbers();
    const double import = Ms(timer);
    if (static_cast<std::size_t>(page.Recipients()->GetItemCount()) != pieces) {
        std::fprintf(stderr, "import added %d of %zu numbers\n", page.Recipients()->GetItemCount(), pieces);
        return 1;
    }
    char what[64];
    std::snprintf(what, sizeof what, "import, 5,000,000 bytes (%zu numbers)", pieces);
    Line(what, import, "read and split alone", bareImport, "<= 1000 ms");

    // Export of the list.
    const int listed = page.Records()->GetItemCount();
    std::vector<std::string> cells;
    for (int row = 0; row < listed; ++row)
        for (int column = 0; column < 5; ++column) {
            const std::string cell = page.Records()->GetItemText(row, column).toStdString();
            cells.push_back(cell.empty() ? " " : cell);
        }
    timer.restart();
    {
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        const std::string path = dir + "/bare.xlsx";
        lxw_workbook* workbook = workbook_new_opt(path.c_str(), &options);
        lxw_worksheet* sheet = workbook_add_worksheet(workbook, "短信记录");
        for (int column = 0; column < 5; ++column)
            worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(column), "列", nullptr);
        for (int row = 0; row < listed; ++row)
            for (int column = 0; column < 5; ++column)
                worksheet_write_string(
                    sheet, static_cast<lxw_row_t>(row + 1), static_cast<lxw_col_t>(column),
                    cells[static_cast<std::size_t>(row) * 5 + static_cast<std::size_t>(column)].c_str(), nullptr);
        workbook_close(workbook);
    }
    const double bareExport = Ms(timer);
    dialogs.AnswerSaveFile(QString::fromStdString(dir + "/page.xlsx"));
    timer.restart();
    page.ExportRecords();
    const double exportMs = Ms(timer);
    if (!std::filesystem::exists(dir + "/page.xlsx")) {
        std::fprintf(stderr, "the export wrote nothing\n");
        return 1;
    }
    std::snprintf(what, sizeof what, "export of %d rows", listed);
    Line(what, exportMs, "libxlsxwriter alone, same cells", bareExport, "<= 5000 ms");

    SetTheConnection(nullptr);
    std::filesystem::remove_all(folder);
    return 0;
}
