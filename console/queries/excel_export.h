#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// What one page's export writes and says: the worksheet, its column names (the list's
// columns 0.. in order) and the page's three messages.
struct ExcelExportSpec {
    std::string table;
    std::vector<std::string> columns;
    std::string emptyListMessage;
    std::string completionMessage;
    std::string failureMessage;
    bool waitCursor = false;
};

const ExcelExportSpec& QueryRecordsExportSpec();
const ExcelExportSpec& BulkSmsExportSpec();

// Shown when a file of the chosen name is there and cannot be removed.
extern const char* const kExcelCannotReplaceMessage;

enum class ExcelWriteOutcome {
    Written = 0,
    CannotReplace = 1, // an existing file at the path could not be removed; nothing written
    WriteFailed = 2,   // nothing at the path
};

// Cell text of a row and column of the list; an empty text is written as one blank.
using ExcelCellReader = std::function<std::string(std::size_t row, std::size_t column)>;
// Told how many rows are written so far, every few thousand rows.
using ExcelProgress = std::function<void(std::size_t rowsWritten)>;

// Writes an .xlsx workbook at path: one worksheet named spec.table, the column names in
// the first row, then one row of text cells per list row. An existing file at path is
// removed first. The workbook is written beside the path under a temporary name and
// renamed into place when complete, so a failed write leaves nothing at the path.
ExcelWriteOutcome WriteExcelWorkbook(const std::string& path, const ExcelExportSpec& spec, std::size_t rowCount,
                                     const ExcelCellReader& cell, const ExcelProgress& progress = {});
