#include "code_lookup.h"

#include "db_connection.h"
#include "db_recordset.h"
#include "sql_text.h"

ReadOutcome LookupProduct(CDbConnection& connection, const std::string& productId, ProductOnFile& found,
                          std::string& errorText)
{
    CDbRecordset product;
    product.SetConnection(&connection);
    const int opened = product.Open(
        "select ProductName,ProductCode from ProductTable where ProductID='" + SqlQuote(productId) + "'", 1, 3, 3);
    if (opened < 0) {
        errorText = connection.GetErrorsText();
        return ReadOutcome::Failed;
    }
    if (opened == 0)
        return ReadOutcome::Empty;
    found = ProductOnFile{};
    product.GetFieldValue("ProductName", found.productName);
    product.GetFieldValue("ProductCode", found.productCode);

    CDbRecordset batch;
    batch.SetConnection(&connection);
    const int batchOpened = batch.Open("select CreateCodeTime,UseCodeTime from ProductGroupTable where ProductName='" +
                                           SqlQuote(found.productName) + "'",
                                       1, 3, 3);
    if (batchOpened < 0) {
        errorText = connection.GetErrorsText();
        return ReadOutcome::Failed;
    }
    if (batchOpened == 1) {
        found.batchFound = true;
        batch.GetFieldValue("CreateCodeTime", found.createCodeTime);
        batch.GetFieldValue("UseCodeTime", found.useCodeTime);
    }
    return ReadOutcome::Rows;
}

ReadOutcome ReadCodeQueries(CDbConnection& connection, const std::string& productId, const QueryLogRowSink& sink,
                            std::string& errorText)
{
    return ReadQueryLogRows(connection,
                            "select QueryIndex,QueryTime,QueryPhoneNumber,QueryProductID,QueryProductCode,"
                            "RealProductCode,QueryStatus,QueryComm,QueryProv,QueryCity from QueryLogTable where "
                            "QueryProductID='" +
                                SqlQuote(productId) + "' ",
                            sink, errorText);
}
