#include "workbook_reader.h"

#include <cstdio>
#include <sstream>

namespace {

std::vector<std::string> Split(const std::string& line, char separator)
{
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(line);
    while (std::getline(in, part, separator))
        parts.push_back(part == "\x1d" ? "<none>" : part);
    if (!line.empty() && line.back() == separator)
        parts.emplace_back();
    return parts;
}

} // namespace

WorkbookContent ReadWorkbook(const std::string& path)
{
    WorkbookContent content;
    const std::string command = "/usr/bin/python3 '" KELVANE_WORKBOOK_SCRIPT "' '" + path + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        content.error = "cannot start python3";
        return content;
    }
    std::string output;
    char buffer[4096];
    std::size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, got);
    if (pclose(pipe) != 0) {
        content.error = output;
        return content;
    }
    std::istringstream lines(output);
    std::string line;
    if (std::getline(lines, line, '\x1e'))
        content.sheets = Split(line, '\x1f');
    while (std::getline(lines, line, '\x1e'))
        content.rows.push_back(Split(line, '\x1f'));
    content.read = true;
    return content;
}
