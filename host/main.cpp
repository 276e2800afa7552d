// varnholt-gateway: answers anti-counterfeit queries that arrive by SMS and sends what the
// console queues. See README.md beside this file.
#include "database_link.h"
#include "gateway_config.h"
#include "gateway_host.h"
#include "host_log.h"

#include "message_sink.h"

#include <csignal>
#include <cstdio>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {

// The data layer shows some failures itself; here they become log lines.
class LogMessageSink final : public MessageSink {
public:
    void Show(const std::string& text, const std::string&, MessageIcon) override { LogLine(LogLevel::Warning, text); }
};

} // namespace

int main(int argc, char** argv)
{
    // Blocked before any thread starts (the SQLite provider starts one), so they arrive
    // only through the descriptor the loop watches.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    const int signalFd = signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);

    GatewayConfig config;
    bool showHelp = false;
    std::string error;
    if (!LoadGatewayConfig(argc, argv, config, showHelp, error)) {
        std::fprintf(stderr, "varnholt-gateway: %s\n", error.c_str());
        return 2;
    }
    if (showHelp) {
        std::fputs(HelpText().c_str(), stdout);
        return 0;
    }
    if (config.ports.empty()) {
        std::fprintf(stderr, "varnholt-gateway: no modem port given (--port or [Gateway] Ports)\n");
        return 2;
    }
    std::string connectionString;
    if (!HostConnectionString(config.connectionString, config.linkFile, connectionString, error)) {
        std::fprintf(stderr, "varnholt-gateway: %s\n", error.c_str());
        return 2;
    }
    if (signalFd < 0) {
        std::perror("varnholt-gateway: signalfd");
        return 1;
    }
    LogMessageSink sink;
    SetMessageSink(&sink);
    SetApplicationName("varnholt-gateway");
    int status = 0;
    {
        GatewayHost host(config, connectionString);
        status = host.Run(signalFd);
    }
    SetMessageSink(nullptr);
    close(signalFd);
    return status;
}
