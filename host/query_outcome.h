#pragma once

#include <optional>
#include <string>

// The first ProductTable row of a ProductID, as far as a query needs it.
struct ProductRow {
    std::string productCode;
    std::string productName;
    int queryCount = 0;
    int useStatus = 0;
};

// QueryStatus values the host writes besides the count of a genuine query (1, 2, ...).
enum QueryStatusValue : int {
    kUnknownProductId = -1, // no code with that ProductID
    kForgedCode = -2,       // the ProductID exists but the code value differs: a counterfeit
    kNotEnabled = -3,       // a genuine code of a batch whose verification is off
};

// What one query comes to: its QueryStatus, and for a genuine code of an enabled batch the
// new QueryCount (which is the status as well).
struct QueryOutcome {
    int status = 0;
    bool counts = false; // QueryCount goes up by one
};

QueryOutcome ClassifyQuery(const std::optional<ProductRow>& row, const std::string& sentCode);
