// varnholt-db: creates the database of the console and the gateway host.
#include "connection_target.h"
#include "database_setup.h"

#include "clock.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage: varnholt-db init <connection string or path> [--demo [--queries N]] [--force]";

// More log rows than any demo needs would only fill the disk.
constexpr long long kMostQueries = 100000000;

int Fail(const std::string& line)
{
    std::fprintf(stderr, "varnholt-db: %s\n", line.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::printf("%s\n", kUsage);
        return 0;
    }
    if (args.empty() || args[0] != "init") {
        std::fprintf(stderr, "%s\n", kUsage);
        return 2;
    }

    std::string targetText;
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
            if (count.empty() || *end != '\0' || errno != 0 || queries < 1 || queries > kMostQueries) {
                std::fprintf(stderr, "%s\n", kUsage);
                return 2;
            }
        } else if (args[i] == "--force") {
            force = true;
        } else if (args[i].rfind("--", 0) == 0 || !targetText.empty()) {
            std::fprintf(stderr, "%s\n", kUsage);
            return 2;
        } else {
            targetText = args[i];
        }
    }
    if (targetText.empty() || (queries > 0 && !demo)) {
        std::fprintf(stderr, "%s\n", kUsage);
        return 2;
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
    return 0;
}
