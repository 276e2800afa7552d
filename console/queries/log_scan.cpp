#include "log_scan.h"

#include "db_connection.h"
#include "lock_wait.h"
#include "read_rows.h"
#include "text_util.h"

#include <chrono>

namespace {

// Rows between two looks at the clock, and the longest the window goes unpainted.
constexpr long long kRowsPerLook = 4096;
constexpr std::chrono::milliseconds kLongestQuiet{50};

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
                         const LogScanSink& sink, std::string& errorText)
{
    using Clock = std::chrono::steady_clock;
    Clock::time_point lastPaint = Clock::now();
    long long sinceLook = 0;
    const long long rows = ReadRows(connection, select + " " + condition + " ", [&](const DbRow& row) {
        sink(&row.Field(0));
        if (++sinceLook == kRowsPerLook) {
            sinceLook = 0;
            if (Clock::now() - lastPaint >= kLongestQuiet) {
                CallLockWaitHook();
                lastPaint = Clock::now();
            }
        }
        return true;
    });
    if (rows < 0) {
        errorText = connection.GetErrorsText();
        return ReadOutcome::Failed;
    }
    return rows > 0 ? ReadOutcome::Rows : ReadOutcome::Empty;
}
