#include "database_link.h"

#include "link_file.h"
#include "program_home.h"

#include <cerrno>
#include <cstring>

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
    errno = 0;
    const std::optional<std::string> text = ReadLinkFile(linkFile);
    if (!text) {
        error = "the link file " + linkFile +
                (errno != 0 ? std::string(" cannot be read: ") + std::strerror(errno)
                            : std::string(" holds no connection string"));
        return false;
    }
    out = *text;
    return true;
}
