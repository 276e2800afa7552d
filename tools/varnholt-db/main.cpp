// varnholt-db: creates the database of the console and the gateway host.
#include "connection_target.h"
#include "database_setup.h"

#include "clock.h"
#include "link_file.h"
#include "program_home.h"
#include "sticker_settings.h"
#include "text_util.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage: varnholt-db init [DATABASE] [--link FILE] [--demo [--queries N]] [--force]\n"
    "       varnholt-db sms-number NUMBER\n"
    "\n"
    "init creates the tables and AddressTable. DATABASE is an SQLite file path or a\n"
    "connection string (\"Provider=PostgreSQL;Host=..;Database=..;User ID=..;Password=..;\").\n"
    "A connection string with a password belongs nowhere on the command line, where every\n"
    "local user sees it: give it instead\n"
    "  --link FILE     as the content of a file (a link file such as Varnholt-dblink.ini),\n"
    "  -               on standard input (one line), or\n"
    "                  in the environment variable VARNHOLT_DB when DATABASE is left out.\n"
    "  --demo          fill in demo batches, codes, queries and messages\n"
    "  --queries N     with --demo: N query log rows\n"
    "  --force         replace the tables of an existing database (all in one transaction)\n"
    "\n"
    "sms-number writes the number consumers text their codes to into Varnholt-stickers.ini\n"
    "of the program directory; the console prints it on every sticker.\n";

// More log rows than any demo needs would only fill the disk.
constexpr long long kMostQueries = 100000000;

int Fail(const std::string& line)
{
    std::fprintf(stderr, "varnholt-db: %s\n", line.c_str());
    return 1;
}

int Usage()
{
    std::fprintf(stderr, "varnholt-db: wrong arguments (see --help)\n");
    return 2;
}

// Line ends and blanks at either end are no part of a connection string given this way.
std::string Tidy(std::string text)
{
    return TrimBlanks(text);
}

bool ReadWhole(std::istream& in, std::string& out)
{
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    out = Tidy(out);
    return !out.empty();
}

int SmsNumber(const std::vector<std::string>& args)
{
    if (args.size() != 2)
        return Usage();
    std::string error;
    const std::string home = ProgramHome();
    if (!WriteSmsNumber(home, args[1], error))
        return Fail(error);
    std::printf("varnholt-db: stickers will name %s (%s/%s)\n", args[1].c_str(), home.c_str(), kStickerSettingsName);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!args.empty() && args[0] == "sms-number")
        return SmsNumber(args);
    if (args.empty() || args[0] != "init")
        return Usage();

    std::string targetText;
    std::string linkFile;
    bool given = false;
    bool demo = false;
    bool force = false;
    long long queries = 0;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--demo") {
            demo = true;
        } else if (args[i] == "--queries" && i + 1 < args.size()) {
            // A whole number of log rows, at least one; a million makes a log of real size.
            const std::string& count = args[++i];
            char* end = nullptr;
            errno = 0;
            queries = std::strtoll(count.c_str(), &end, 10);
            if (count.empty() || *end != '\0' || errno != 0 || queries < 1 || queries > kMostQueries)
                return Usage();
        } else if (args[i] == "--force") {
            force = true;
        } else if (args[i] == "--link" && i + 1 < args.size() && !given) {
            linkFile = args[++i];
            given = true;
        } else if ((args[i].rfind("--", 0) == 0 && args[i] != "-") || given) {
            return Usage();
        } else {
            targetText = args[i];
            given = true;
        }
    }

    if (queries > 0 && !demo)
        return Usage();
    if (!linkFile.empty()) {
        std::ifstream file(linkFile, std::ios::binary);
        if (!file)
            return Fail("cannot read " + linkFile);
        if (!ReadWhole(file, targetText))
            return Fail(linkFile + " holds no connection string");
    } else if (targetText == "-") {
        std::string line;
        std::getline(std::cin, line);
        targetText = Tidy(line);
        if (targetText.empty())
            return Fail("standard input held no connection string");
    } else if (!given) {
        const char* fromEnvironment = std::getenv("VARNHOLT_DB");
        if (!fromEnvironment || Tidy(fromEnvironment).empty())
            return Usage();
        targetText = Tidy(fromEnvironment);
    }

    ConnectionTarget target;
    std::string error;
    if (!target.Parse(targetText, error))
        return Fail(error);

    DatabaseSetup setup(target, TheSystemClock());
    setup.SetDemo(demo);
    setup.SetQueryCount(queries);
    setup.SetForce(force);
    if (!setup.Run(error))
        return Fail(error);

    std::printf("varnholt-db: created %s%s\n", target.Description().c_str(), demo ? " with demo data" : "");
    if (!setup.Note().empty())
        std::printf("varnholt-db: note: %s\n", setup.Note().c_str());
    return 0;
}
