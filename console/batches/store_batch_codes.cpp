#include "store_batch_codes.h"

#include "clock.h"
#include "code_generator.h"
#include "db_connection.h"
#include "execute_sql.h"
#include "message_sink.h"
#include "sql_text.h"

namespace {

// Rolls the transaction back unless the run committed, whatever way the run is left.
class TransactionGuard final {
public:
    explicit TransactionGuard(CDbConnection& connection) : m_connection(connection) {}
    ~TransactionGuard()
    {
        if (!m_done)
            m_connection.RollbackTrans();
    }
    TransactionGuard(const TransactionGuard&) = delete;
    TransactionGuard& operator=(const TransactionGuard&) = delete;

    // On failure the engine's reason is shown, before the rollback clears it.
    bool Commit()
    {
        m_done = true;
        m_connection.ClearErrors();
        if (m_connection.CommitTrans())
            return true;
        ShowDbFailure(m_connection);
        // A refused commit can leave the transaction open; end it here.
        m_connection.RollbackTrans();
        return false;
    }
    void Rollback()
    {
        m_done = true;
        m_connection.RollbackTrans();
    }

private:
    CDbConnection& m_connection;
    bool m_done = false;
};

void ShowOnce(const std::string& text)
{
    CurrentMessageSink().Show(text, ApplicationName(), MessageIcon::None);
}

} // namespace

bool StoreBatchCodes(CDbConnection& connection, const Clock& clock, const std::string& name,
                     int batchNumber, int quantity, const BatchProgressHook& progress,
                     const BatchEndReport& report)
{
    // Outside these ranges a ProductID is no longer 8 digits and would run into the IDs
    // of another batch number.
    if (batchNumber < 0 || batchNumber > 99 || quantity > 1000000) {
        ShowOnce("批次编号或防伪码数量超出范围，未生成防伪码。");
        return false;
    }

    connection.ClearErrors();
    if (!connection.BeginTrans()) {
        ShowDbFailure(connection);
        return false;
    }
    TransactionGuard transaction(connection);

    const std::string quotedName = SqlQuote(name);
    std::string error;
    auto run = [&](const std::string& statement) {
        if (RunSql(connection, statement, error))
            return true;
        ShowDbFailure(connection);
        transaction.Rollback();
        return false;
    };

    for (int i = 0; i < quantity; ++i) {
        if (progress)
            progress(i);
        const CodeGenerator::Code code = CodeGenerator::Compose(batchNumber, i, clock.Now());
        if (!run("insert into ProductTable (ProductID,ProductCode,QueryCount,ProductName) values ('" +
                 code.productId + "','" + code.productCode + "',0,'" + quotedName + "')"))
            return false;
        if (i == 0) {
            if (report)
                report(BatchEnd::First, code.productId);
            if (!run("update ProductGroupTable set StartNumber='" + code.productId +
                     "' where ProductName='" + quotedName + "'"))
                return false;
        } else if (i == quantity - 1) {
            if (report)
                report(BatchEnd::Last, code.productId);
            if (!run("update ProductGroupTable set EndNumber='" + code.productId +
                     "' where ProductName='" + quotedName + "'"))
                return false;
        }
    }
    if (!run("update ProductGroupTable set CreateCodeTime=now() where ProductName='" + quotedName + "'"))
        return false;

    if (!transaction.Commit())
        return false;
    return true;
}

bool StoreBatchCodes(const std::string& name, int batchNumber, int quantity,
                     const BatchProgressHook& progress, const BatchEndReport& report)
{
    CDbConnection* connection = TheConnection();
    if (connection == nullptr) {
        CurrentMessageSink().Show("数据库可能已经断开,\r\n请重新连接、然后重试.", "提示",
                                  MessageIcon::Information);
        return false;
    }
    return StoreBatchCodes(*connection, TheSystemClock(), name, batchNumber, quantity, progress, report);
}
