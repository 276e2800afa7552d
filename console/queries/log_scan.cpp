#include "log_scan.h"

#include "db_connection.h"
#include "db_provider.h"
#include "db_result.h"
#include "text_util.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace {

// Row numbers per read: a window's cells are held at once, never the whole log's.
constexpr std::int64_t kScanWindow = 65536;

bool Run(CDbConnection& connection, const std::string& statement, std::unique_ptr<DbResult>& result,
         std::string& errorText)
{
    DbProvider* provider = connection.StartStatement();
    if (provider && provider->Execute(statement, &result) && result)
        return true;
    errorText = connection.GetErrorsText();
    return false;
}

bool Number(const DbResult& result, std::size_t column, std::int64_t& value)
{
    const std::string text = DisplayText(result.Cell(0, column));
    if (text.empty())
        return false;
    value = std::strtoll(text.c_str(), nullptr, 10);
    return true;
}

} // namespace

std::string DisplayText(const FieldValue& value)
{
    if (value.kind == FieldValue::Kind::Null || value.kind == FieldValue::Kind::Empty)
        return std::string();
    if (value.kind == FieldValue::Kind::Text)
        return value.m_text == "NULL" ? std::string() : TrimBlanks(value.m_text);
    std::string text = FieldValueToText(value);
    return text == "NULL" ? std::string() : TrimBlanks(text);
}

ReadOutcome ScanQueryLog(CDbConnection& connection, const std::string& select, const std::string& condition,
                         const std::string& range, const LogScanSink& sink, const std::function<void()>& betweenWindows,
                         std::string& errorText)
{
    std::unique_ptr<DbResult> bounds;
    if (!Run(connection,
             "select min(QueryIndex) as FirstIndex,max(QueryIndex) as LastIndex from QueryLogTable " + range, bounds,
             errorText))
        return ReadOutcome::Failed;
    std::int64_t first = 0;
    std::int64_t last = 0;
    if (bounds->RowCount() == 0 || !Number(*bounds, 0, first) || !Number(*bounds, 1, last))
        return ReadOutcome::Empty;
    bounds.reset();

    bool any = false;
    for (std::int64_t from = first - 1; from < last; from += kScanWindow) {
        const std::int64_t to = std::min(last, from + kScanWindow);
        std::unique_ptr<DbResult> rows;
        if (!Run(connection,
                 select + " " + condition + " and QueryIndex>" + std::to_string(from) +
                     " and QueryIndex<=" + std::to_string(to) + " ",
                 rows, errorText))
            return ReadOutcome::Failed;
        for (std::size_t row = 0; row < rows->RowCount(); ++row)
            sink(*rows, row);
        any = any || rows->RowCount() > 0;
        rows.reset();
        if (betweenWindows)
            betweenWindows();
    }
    return any ? ReadOutcome::Rows : ReadOutcome::Empty;
}
