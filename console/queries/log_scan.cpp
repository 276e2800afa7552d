#include "log_scan.h"

#include "db_connection.h"
#include "lock_wait.h"
#include "read_rows.h"
#include "text_util.h"

#include <chrono>

void RepaintWhileReading::Look()
{
    m_sinceLook = 0;
    if (Clock::now() - m_lastPaint >= kLongestQuiet) {
        CallLockWaitHook();
        m_lastPaint = Clock::now();
    }
}

std::string DisplayText(const FieldValue& value)
{
    if (value.kind == FieldValue::Kind::Null || value.kind == FieldValue::Kind::Empty)
        return std::string();
    if (value.kind == FieldValue::Kind::Text)
        return value.m_text == "NULL" ? std::string() : TrimBlanks(value.m_text);
    std::string text = FieldValueToText(value);
    return text == "NULL" ? std::string() : TrimBlanks(text);
}

std::string DisplayText(const DbCell& cell)
{
    std::string scratch;
    return std::string(CellShownText(cell, false, scratch));
}

ReadOutcome ScanQueryLog(CDbConnection& connection, const std::string& select, const std::string& condition,
                         const LogScanSink& sink, std::string& errorText)
{
    RepaintWhileReading repaint;
    const long long rows = ReadRows(connection, select + " " + condition + " ", [&](const DbRow& row) {
        sink(&row.Field(0));
        repaint.Row();
        return true;
    });
    if (rows < 0) {
        errorText = connection.GetErrorsText();
        return ReadOutcome::Failed;
    }
    return rows > 0 ? ReadOutcome::Rows : ReadOutcome::Empty;
}
