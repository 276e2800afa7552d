#include "query_outcome.h"

QueryOutcome ClassifyQuery(const std::optional<ProductRow>& row, const std::string& sentCode)
{
    if (!row)
        return {kUnknownProductId, false};
    if (row->productCode != sentCode)
        return {kForgedCode, false};
    // Only 1 means enabled; a batch never enabled may carry 0 or nothing at all.
    if (row->useStatus != 1)
        return {kNotEnabled, false};
    // A count the console never writes (negative) starts again, so the status stays a count.
    return {(row->queryCount > 0 ? row->queryCount : 0) + 1, true};
}
