#pragma once

#include "query_log.h"

#include <string>

class CDbConnection;

// What the product tables hold for one ProductID.
struct ProductOnFile {
    std::string productName;
    std::string productCode;
    bool batchFound = false; // the batch row exists: the two dates below are its own
    std::string createCodeTime;
    std::string useCodeTime;
};

// The product and batch of a ProductID: Rows with found filled, Empty when ProductTable
// has no such ProductID, Failed with the database's error text.
ReadOutcome LookupProduct(CDbConnection& connection, const std::string& productId, ProductOnFile& found,
                          std::string& errorText);

// The consumers' queries that sent this ProductID, in the database's order.
ReadOutcome ReadCodeQueries(CDbConnection& connection, const std::string& productId, const QueryLogRowSink& sink,
                            std::string& errorText);
