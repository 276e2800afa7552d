#include "database_link.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <unistd.h>

std::string ProgramDirectory()
{
    if (const char* home = std::getenv("KELVANE_HOME"); home && *home)
        return home;
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return ".";
    std::string exe(path, static_cast<std::size_t>(n));
    const auto slash = exe.rfind('/');
    return slash == std::string::npos ? "." : exe.substr(0, slash);
}

bool ChooseConnectionString(const std::string& given, const std::string& linkFile, std::string& out,
                            std::string& error)
{
    if (!given.empty()) {
        out = given;
        return true;
    }
    const std::string path = linkFile.empty() ? ProgramDirectory() + "/Varnholt-dblink.ini" : linkFile;
    std::ifstream file(path, std::ios::binary);
    if (file) {
        std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        if (text.size() > 20) {
            // A line end typed after the string is no part of it.
            while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
                text.pop_back();
            out = text;
            return true;
        }
    } else if (!linkFile.empty()) {
        error = "cannot read the link file " + linkFile + ": " + std::strerror(errno);
        return false;
    }
    out = "Provider=SQLite;Data Source=" + ProgramDirectory() + "/Varnholt.db;";
    return true;
}
