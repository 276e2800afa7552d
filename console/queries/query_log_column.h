#pragma once

// Where each of the query log's ten columns stands in the records and warning lists; the
// headings in query_log_columns.h follow the same order. Pages bring the names into their
// own scope with `using enum`.
struct QueryLogList {
    enum Column {
        kIndex = 0,
        kStatus = 1,
        kTime = 2,
        kPhone = 3,
        kProductId = 4,
        kProductCode = 5,
        kRealCode = 6,
        kComm = 7,
        kProvince = 8,
        kCity = 9,
    };
};
