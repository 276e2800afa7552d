#pragma once

struct ExcelExportSpec;
class CColorListCtrl;

// The export command of a page: asks for a file name, writes the list's rows (in list
// order, columns 0.. as `spec` names them) into a new workbook and says how it went.
// Answers true when the workbook was written.
bool ExportListToExcel(const CColorListCtrl& list, const ExcelExportSpec& spec);
