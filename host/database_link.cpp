#include "database_link.h"

#include "link_file.h"
#include "program_home.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

bool HostConnectionString(const std::string& given, const std::string& linkFile, std::string& out, std::string& error)
{
    if (!given.empty()) {
        out = given;
        return true;
    }
    if (linkFile.empty()) {
        out = LinkConnectionString(ProgramHome());
        return true;
    }
    std::ifstream file(linkFile, std::ios::binary);
    if (!file) {
        error = "cannot read the link file " + linkFile + ": " + std::strerror(errno);
        return false;
    }
    out.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (out.size() <= 20) {
        error = "the link file " + linkFile + " holds no connection string";
        return false;
    }
    return true;
}
