#include "link_file.h"

#include <fstream>
#include <iterator>

std::string DefaultConnectionString(const std::string& programDirectory)
{
    return "Provider=SQLite;Data Source=" + programDirectory + "/Varnholt.db;";
}

std::string LinkConnectionString(const std::string& programDirectory)
{
    std::ifstream file(programDirectory + "/Varnholt-dblink.ini", std::ios::binary);
    if (!file)
        return DefaultConnectionString(programDirectory);
    std::string content{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (content.size() <= 20)
        return DefaultConnectionString(programDirectory);
    // A line end added by an editor is no part of the string.
    while (!content.empty() && (content.back() == '\n' || content.back() == '\r'))
        content.pop_back();
    return content;
}
