#pragma once

#include <string>
#include <vector>

// A workbook read back with python3-openpyxl (Debian's, /usr/bin/python3), so the tests
// check the file as another program sees it.
struct WorkbookContent {
    bool read = false;
    std::string error;
    std::vector<std::string> sheets;
    // Rows of the first sheet; a cell without a value reads "<none>".
    std::vector<std::vector<std::string>> rows;
};

WorkbookContent ReadWorkbook(const std::string& path);
