#include "link_file.h"

#include "private_file.h"

#include <fstream>
#include <iterator>

namespace {

// A shorter file is taken as missing.
constexpr std::size_t kMinimumLength = 21;

std::string PathIn(const std::string& directory, const char* name)
{
    return directory + "/" + name;
}

std::optional<std::string> ReadLink(const std::string& programDirectory)
{
    return ReadLinkFile(PathIn(programDirectory, kLinkFileName));
}

} // namespace

std::optional<std::string> ReadLinkFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::string content{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (content.size() < kMinimumLength)
        return std::nullopt;
    return content;
}

std::string DefaultConnectionString(const std::string& programDirectory)
{
    return "Provider=SQLite;Data Source=" + PathIn(programDirectory, "Varnholt.db") + ";";
}

std::string LinkConnectionString(const std::string& programDirectory)
{
    if (auto content = ReadLink(programDirectory))
        return *content;
    return DefaultConnectionString(programDirectory);
}

std::string ChooseConnectionString(const std::string& programDirectory)
{
    if (auto content = ReadLink(programDirectory))
        return *content;
    const std::string fallback = DefaultConnectionString(programDirectory);
    std::string ignored;
    WriteLinkFile(programDirectory, fallback, ignored);
    return fallback;
}

bool WriteLinkFile(const std::string& programDirectory, const std::string& connectionString, std::string& error)
{
    return WritePrivateFile(PathIn(programDirectory, kLinkFileName), connectionString, error);
}
