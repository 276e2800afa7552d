#include "batch_commands.h"

#include "choose_batch_number.h"

#include "db_connection.h"
#include "db_recordset.h"
#include "execute_sql.h"
#include "message_sink.h"
#include "sql_text.h"

#include <functional>

namespace {

const char* const kGone = "数据库中已没有这个产品批次（可能已被其他程序删除），修改没有保存。";

std::string WhereName(const std::string& name)
{
    return " where ProductName='" + SqlQuote(name) + "'";
}

// Runs body inside a transaction: commits when it answers true, rolls back otherwise.
// A failure of the engine is shown here; body shows its own refusals.
bool InTransaction(CDbConnection& connection, const std::function<bool(bool& engineFailed)>& body)
{
    if (!connection.BeginTrans()) {
        ShowDbFailure(connection);
        return false;
    }
    bool engineFailed = false;
    if (!body(engineFailed)) {
        if (engineFailed)
            ShowDbFailure(connection); // before the rollback clears the errors
        connection.RollbackTrans();
        return false;
    }
    connection.ClearErrors();
    if (!connection.CommitTrans()) {
        ShowDbFailure(connection);
        connection.RollbackTrans();
        return false;
    }
    return true;
}

bool Run(CDbConnection& connection, const std::string& statement, bool& engineFailed)
{
    std::string ignored;
    engineFailed = !RunSql(connection, statement, ignored);
    return !engineFailed;
}

// 1 when the batch row exists, 0 when it does not (the operator is told), -1 on failure.
int BatchPresent(CDbConnection& connection, const std::string& name)
{
    CDbRecordset rows;
    rows.SetConnection(&connection);
    const int found = rows.Open("select ProductName from ProductGroupTable" + WhereName(name), 1, 3, 3);
    if (found == 0)
        CurrentMessageSink().Show(kGone, ApplicationName(), MessageIcon::None);
    return found;
}

bool UpdateExisting(CDbConnection& connection, const std::string& name, const std::vector<std::string>& statements)
{
    return InTransaction(connection, [&](bool& engineFailed) {
        const int present = BatchPresent(connection, name);
        engineFailed = present < 0;
        if (present != 1)
            return false;
        for (const std::string& statement : statements)
            if (!Run(connection, statement, engineFailed))
                return false;
        return true;
    });
}

} // namespace

bool LoadBatchRows(CDbConnection& connection, std::vector<BatchCells>& rows)
{
    static const char* const kFields[] = {"ProductName",  "ProductRemark", "CreateCodeTime",
                                          "UseCodeTime",  "StartNumber",   "EndNumber",
                                          "ProductCount", "ProductStatus", "ProductCode"};
    CDbRecordset recordset;
    recordset.SetConnection(&connection);
    const int found = recordset.Open("select ProductName,ProductRemark,CreateCodeTime,UseCodeTime,StartNumber,"
                                     "EndNumber,ProductCount,ProductStatus,ProductCode from ProductGroupTable",
                                     1, 3, 3);
    if (found < 0) {
        ShowDbFailure(connection);
        return false;
    }
    for (; found == 1 && !recordset.IsEOF(); recordset.MoveNext()) {
        BatchCells& cells = rows.emplace_back();
        for (std::size_t column = 0; column < cells.size(); ++column)
            recordset.GetFieldValue(kFields[column], cells[column]);
    }
    return true;
}

int FindBatchName(CDbConnection& connection, const std::string& name)
{
    CDbRecordset rows;
    rows.SetConnection(&connection);
    const int found = rows.Open("select * from ProductGroupTable" + WhereName(name), 1, 3, 3);
    if (found < 0)
        ShowDbFailure(connection);
    return found;
}

bool InsertBatch(CDbConnection& connection, const std::string& name, const std::string& remark, int quantity,
                 const std::vector<std::string>& listedNumbers, int& batchNumber)
{
    return InTransaction(connection, [&](bool& engineFailed) {
        // The database's own rows count too: a batch another console made since the list
        // was read holds its number, and two batches with one number share their codes.
        std::vector<std::string> held = listedNumbers;
        CDbRecordset rows;
        rows.SetConnection(&connection);
        const int found = rows.Open("select ProductCode from ProductGroupTable", 1, 3, 3);
        engineFailed = found < 0;
        if (engineFailed)
            return false;
        for (; found == 1 && !rows.IsEOF(); rows.MoveNext())
            rows.GetFieldValue("ProductCode", held.emplace_back());
        batchNumber = ChooseBatchNumber(held);
        return Run(connection,
                   "insert into ProductGroupTable (ProductName,ProductRemark,ProductCount,ProductStatus,ProductCode) "
                   "values ('" +
                       SqlQuote(BlankIfEmpty(name)) + "','" + SqlQuote(BlankIfEmpty(remark)) + "'," +
                       IntText(quantity) + ",'未启用'," + IntText(batchNumber) + ")",
                   engineFailed);
    });
}

bool EnableBatchCodes(CDbConnection& connection, const std::string& name)
{
    return UpdateExisting(connection, name,
                          {"update ProductTable set UseStatus=1" + WhereName(name),
                           "update ProductGroupTable set UseCodeTime=now(),ProductStatus='启用'" + WhereName(name)});
}

bool DisableBatchCodes(CDbConnection& connection, const std::string& name)
{
    return UpdateExisting(connection, name,
                          {"update ProductTable set UseStatus=0" + WhereName(name),
                           "update ProductGroupTable set ProductStatus='停用'" + WhereName(name)});
}

bool DeleteBatchRows(CDbConnection& connection, const std::string& name)
{
    return InTransaction(connection, [&](bool& engineFailed) {
        return Run(connection, "delete from ProductGroupTable" + WhereName(name), engineFailed) &&
               Run(connection, "delete from ProductTable" + WhereName(name), engineFailed);
    });
}

bool UpdateBatchRemark(CDbConnection& connection, const std::string& name, const std::string& remark)
{
    return UpdateExisting(
        connection, name,
        {"update ProductGroupTable set ProductRemark='" + SqlQuote(BlankIfEmpty(remark)) + "'" + WhereName(name)});
}
