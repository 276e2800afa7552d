#include "store_batch_codes.h"

#include "clock.h"
#include "code_generator.h"
#include "db_connection.h"
#include "db_provider.h"
#include "db_recordset.h"
#include "execute_sql.h"
#include "message_sink.h"
#include "sql_text.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

// How long one stretch may hold the write lock. Another writer waits at most about this
// long plus its own retry interval.
constexpr int kStretchMs = 200;
// Stretch sizes, in codes, between which the run adapts to what the engine manages in kStretchMs.
constexpr int kFirstStretch = 4000;
constexpr int kSmallestStretch = 500;
constexpr int kLargestStretch = 200000;
// SQLite has one write lock, and a writer that waits for it polls: at most every 100 ms
// with SQLite's own busy timeout. The pause is longer than that, so a waiting writer gets
// its turn. A server locks rows: there the pause only lets the console breathe.
constexpr int kSqlitePauseMs = 120;
// Leftovers of a killed run are taken away in ranges of this many serials per statement.
constexpr int kCleanupSerials = 20000;

bool g_running = false;

class RunningFlag final {
public:
    RunningFlag() { g_running = true; }
    ~RunningFlag() { g_running = false; }
    RunningFlag(const RunningFlag&) = delete;
    RunningFlag& operator=(const RunningFlag&) = delete;
};

void ShowOnce(const std::string& text)
{
    CurrentMessageSink().Show(text, ApplicationName(), MessageIcon::None);
}

std::string ProductId(int batchNumber, int serial)
{
    char id[16];
    std::snprintf(id, sizeof id, "%02d%06d", batchNumber, serial);
    return id;
}

class Run final {
public:
    Run(CDbConnection& connection, const std::string& name, int batchNumber, int quantity, const BatchPauseHook& pause)
        : m_connection(connection),
          m_quotedName(SqlQuote(name)),
          m_batchNumber(batchNumber),
          m_quantity(quantity),
          m_pause(pause),
          m_pauseMs(connection.Provider() && connection.Provider()->Dialect() == SqlDialect::SQLite ? kSqlitePauseMs
                                                                                                    : 0)
    {}

    // 1: the batch may be generated; 0: refused (the operator was told); -1: failed (shown).
    int CheckBatch()
    {
        CDbRecordset rows;
        rows.SetConnection(&m_connection);
        const int found = rows.Open("select CreateCodeTime from ProductGroupTable" + WhereName(), 1, 3, 3);
        if (found < 0) {
            ShowDbFailure(m_connection);
            return -1;
        }
        if (found == 0) {
            ShowOnce("数据库中没有这个产品批次（可能已被其他程序删除），未生成防伪码。");
            return 0;
        }
        std::string created;
        rows.GetFieldValue("CreateCodeTime", created);
        if (!created.empty()) {
            ShowOnce("这个产品批次已经生成了防伪码（可能是另一台电脑生成的），未再生成。");
            return 0;
        }
        return 1;
    }

    // Code rows of the batch that a killed run left behind; the batch has no codes yet,
    // so every row under its name is such a leftover.
    bool RemoveLeftovers()
    {
        CDbRecordset rows;
        rows.SetConnection(&m_connection);
        std::string count;
        if (rows.Open("select count(*) as N from ProductTable" + WhereName(), 1, 3, 3) != 1 ||
            !rows.GetFieldValue("N", count)) {
            ShowDbFailure(m_connection);
            return false;
        }
        rows.CloseIfOpen();
        if (count == "0")
            return true;
        // Most of them by ranges of serials, so no single transaction runs long; then
        // whatever lies outside this batch number's range.
        return RemoveSerials(999999, true) && Stretch({"delete from ProductTable" + WhereName()});
    }

    bool Store(const Clock& clock, const BatchProgressHook& progress, const BatchEndReport& report)
    {
        int stretch = kFirstStretch;
        int serial = 0;
        std::vector<std::string> statements;
        do {
            // Composed outside any transaction: the progress hook may let the window work.
            const int end = std::min(m_quantity, serial + stretch);
            statements.clear();
            for (; serial < end; ++serial) {
                if (progress)
                    progress(serial);
                const CodeGenerator::Code code = CodeGenerator::Compose(m_batchNumber, serial, clock.Now());
                statements.push_back(
                    "insert into ProductTable (ProductID,ProductCode,QueryCount,ProductName) values ('" +
                    code.productId + "','" + code.productCode + "',0,'" + m_quotedName + "')");
            }
            const bool last = serial == m_quantity;
            const auto started = std::chrono::steady_clock::now();
            if (!(last ? StoreLast(statements, report) : Stretch(statements)))
                return Undo(false);
            m_stored = serial;
            if (last)
                return true;
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
            stretch = std::clamp(static_cast<int>(stretch * kStretchMs / std::max(ms, 1.0)), kSmallestStretch,
                                 kLargestStretch);
            Pause();
        } while (true);
    }

private:
    std::string WhereName() const { return " where ProductName='" + m_quotedName + "'"; }

    // The last stretch also writes the batch row, after making sure it is still there
    // without codes: a run whose batch was deleted meanwhile must not leave code rows.
    bool StoreLast(std::vector<std::string>& statements, const BatchEndReport& report)
    {
        return Stretch(statements, [&] {
            if (CheckBatch() != 1)
                return false;
            std::string error;
            if (m_quantity > 0) {
                const std::string first = ProductId(m_batchNumber, 0);
                if (report)
                    report(BatchEnd::First, first);
                if (!RunStatement("update ProductGroupTable set StartNumber='" + first + "'" + WhereName()))
                    return false;
            }
            if (m_quantity > 1) {
                const std::string last = ProductId(m_batchNumber, m_quantity - 1);
                if (report)
                    report(BatchEnd::Last, last);
                if (!RunStatement("update ProductGroupTable set EndNumber='" + last + "'" + WhereName()))
                    return false;
            }
            return RunStatement("update ProductGroupTable set CreateCodeTime=now()" + WhereName());
        });
    }

    // One transaction: the statements, then whatever more runs in it. A failure is shown
    // (with the engine's errors, read before the rollback clears them) and rolled back.
    bool Stretch(const std::vector<std::string>& statements, const std::function<bool()>& more = {})
    {
        m_connection.ClearErrors();
        if (!m_connection.BeginTrans()) {
            ShowDbFailure(m_connection);
            return false;
        }
        for (const std::string& statement : statements)
            if (!RunStatement(statement))
                return false;
        if (more && !more()) {
            m_connection.RollbackTrans();
            return false;
        }
        m_connection.ClearErrors();
        if (!m_connection.CommitTrans()) {
            ShowDbFailure(m_connection);
            m_connection.RollbackTrans();
            return false;
        }
        return true;
    }

    bool RunStatement(const std::string& statement)
    {
        std::string error;
        if (RunSql(m_connection, statement, error))
            return true;
        ShowDbFailure(m_connection);
        m_connection.RollbackTrans();
        return false;
    }

    // Deletes the batch's code rows with serials 0..lastSerial, a range per transaction,
    // pausing between them like the copy. Shows a failure only when asked to.
    bool RemoveSerials(int lastSerial, bool show)
    {
        for (int from = 0; from <= lastSerial; from += kCleanupSerials) {
            const int to = std::min(lastSerial, from + kCleanupSerials - 1);
            std::string error;
            if (!m_connection.BeginTrans()) {
                if (show)
                    ShowDbFailure(m_connection);
                return false;
            }
            if (!RunSql(m_connection,
                        "delete from ProductTable" + WhereName() + " and ProductID>='" +
                            ProductId(m_batchNumber, from) + "' and ProductID<='" + ProductId(m_batchNumber, to) + "'",
                        error) ||
                !m_connection.CommitTrans()) {
                if (show)
                    ShowDbFailure(m_connection); // before the rollback clears the errors
                m_connection.RollbackTrans();
                return false;
            }
            if (to < lastSerial)
                Pause();
        }
        return true;
    }

    // Takes the stored stretches away again after a failure; what cannot be taken away now
    // the next run of the batch removes.
    bool Undo(bool result)
    {
        if (m_stored > 0)
            RemoveSerials(m_stored - 1, false);
        return result;
    }

    void Pause()
    {
        if (m_pause)
            m_pause(m_stored, m_pauseMs);
        else if (m_pauseMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(m_pauseMs));
    }

    CDbConnection& m_connection;
    const std::string m_quotedName;
    const int m_batchNumber;
    const int m_quantity;
    const BatchPauseHook& m_pause;
    const int m_pauseMs;
    int m_stored = 0;
};

} // namespace

bool StoreBatchCodes(CDbConnection& connection, const Clock& clock, const std::string& name, int batchNumber,
                     int quantity, const BatchProgressHook& progress, const BatchEndReport& report,
                     const BatchPauseHook& pause)
{
    // Outside these ranges a ProductID is no longer 8 digits and would run into the IDs
    // of another batch number.
    if (batchNumber < 0 || batchNumber > 99 || quantity > 1000000) {
        ShowOnce("批次编号或防伪码数量超出范围，未生成防伪码。");
        return false;
    }
    // The console lets window events through during a run; a second run started from one
    // of them would interleave its stretches with the first.
    if (g_running) {
        ShowOnce("另一批防伪码正在生成，请等它完成以后再试。");
        return false;
    }
    RunningFlag running;
    Run run(connection, name, batchNumber, std::max(quantity, 0), pause);
    return run.CheckBatch() == 1 && run.RemoveLeftovers() && run.Store(clock, progress, report);
}

bool StoreBatchCodesApart(const CDbConnection& shared, const Clock& clock, const std::string& name, int batchNumber,
                          int quantity, const BatchProgressHook& progress, const BatchEndReport& report,
                          const BatchPauseHook& pause)
{
    CDbConnection own;
    own.SetClock(&clock); // now() of its statements reads the codes' clock
    if (!own.Open(shared.ConnectionString(), -1)) {
        ShowDbFailure(own);
        return false;
    }
    return StoreBatchCodes(own, clock, name, batchNumber, quantity, progress, report, pause);
}
