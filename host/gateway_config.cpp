#include "gateway_config.h"

#include "program_home.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iconv.h>
#include <sstream>

namespace {

enum class Kind { Text, Number, Flag, List };

// One setting: its INI section and key, its option, and where it goes. INI and command
// line share the table, so a setting never exists in one and not the other.
struct Setting {
    const char* section;
    const char* key;
    const char* option;
    Kind kind;
    const char* help;
    std::function<void(GatewayConfig&, const std::string&, int, bool)> set;
};

const std::vector<Setting>& Settings()
{
    static const std::vector<Setting> settings = {
        {"Gateway", "Database", "--database", Kind::Text, "connection string (default: the link file)",
         [](GatewayConfig& c, const std::string& v, int, bool) { c.connectionString = v; }},
        {"Gateway", "LinkFile", "--link-file", Kind::Text,
         "file holding the connection string (default: Varnholt-dblink.ini of the program directory)",
         [](GatewayConfig& c, const std::string& v, int, bool) { c.linkFile = v; }},
        {"Gateway", "Ports", "--port", Kind::List, "serial device of a modem; repeat or separate by commas for several",
         [](GatewayConfig& c, const std::string& v, int, bool) { c.ports.push_back(v); }},
        {"Gateway", "ModemType", "--modem-type", Kind::Number, "modem type (0: 19200 baud, no handshake; default 0)",
         [](GatewayConfig& c, const std::string&, int n, bool) { c.modemType = n; }},
        {"Gateway", "Baud", "--baud", Kind::Number, "line rate (default 19200)",
         [](GatewayConfig& c, const std::string&, int n, bool) { c.baud = n; }},
        {"Gateway", "SendPause", "--send-pause", Kind::Number, "pause after each message in 100 ms (default 15)",
         [](GatewayConfig& c, const std::string&, int n, bool) { c.sendPause = n; }},
        {"Gateway", "ServiceCentre", "--service-centre", Kind::Text, "SMS service centre number (default: the SIM's)",
         [](GatewayConfig& c, const std::string& v, int, bool) { c.serviceCentre = v; }},
        {"Gateway", "LimitPerHour", "--limit-hour", Kind::Number,
         "answers per sender and hour, 0 no limit (default 10)",
         [](GatewayConfig& c, const std::string&, int n, bool) { c.limitPerHour = n; }},
        {"Gateway", "LimitPerDay", "--limit-day", Kind::Number, "answers per sender and day, 0 no limit (default 30)",
         [](GatewayConfig& c, const std::string&, int n, bool) { c.limitPerDay = n; }},
        {"Gateway", "LogReplies", "--log-replies", Kind::Flag, "also keep answers as SendSmsTable rows (default no)",
         [](GatewayConfig& c, const std::string&, int, bool b) { c.logReplies = b; }},
        {"Gateway", "HelpReply", "--help-reply", Kind::Flag,
         "answer a text without a code with the help text (default yes)",
         [](GatewayConfig& c, const std::string&, int, bool b) { c.replies.helpEnabled = b; }},
        {"Gateway", "QueuePollMs", "--queue-poll-ms", Kind::Number,
         "how often the outgoing queue is read (default 1000)",
         [](GatewayConfig& c, const std::string&, int n, bool) { c.queuePollMs = n; }},
        {"Gateway", "BusyTimeoutMs", "--busy-timeout-ms", Kind::Number,
         "wait for another writer's lock, SQLite and PostgreSQL (default 5000)",
         [](GatewayConfig& c, const std::string&, int n, bool) { c.busyTimeoutMs = n; }},
        {"Gateway", "MaxSendAttempts", "--max-attempts", Kind::Number,
         "tries of a message before it is 失败 (default 3)",
         [](GatewayConfig& c, const std::string&, int n, bool) { c.maxSendAttempts = n; }},
        {"Gateway", "StopWaitMs", "--stop-wait-ms", Kind::Number,
         "on stop, wait for messages being sent (default 20000)",
         [](GatewayConfig& c, const std::string&, int n, bool) { c.stopWaitMs = n; }},
        {"Gateway", "LongSmsTimeout", "--long-sms-timeout", Kind::Number,
         "seconds to wait for the missing parts of a long message before it is taken as it is (default 600)",
         [](GatewayConfig& c, const std::string&, int n, bool) { c.longSmsTimeoutS = n; }},
        {"Gateway", "ResetAfterTimeouts", "--reset-after-timeouts", Kind::Number,
         "commands in a row without an answer before the modem's port is opened anew, 0 never (default 3)",
         [](GatewayConfig& c, const std::string&, int n, bool) { c.resetAfterTimeouts = n; }},
        {"Gateway", "HeldFile", "--held-file", Kind::Text,
         "keeps work the database never took over a stop (default: see README)",
         [](GatewayConfig& c, const std::string& v, int, bool) { c.heldFile = v; }},
        {"Gateway", "HostName", "--host-name", Kind::Text,
         "this machine's name among hosts sharing a database (default: its host name)",
         [](GatewayConfig& c, const std::string& v, int, bool) { c.hostName = v; }},
        {"Gateway", "LeaseSeconds", "--lease-seconds", Kind::Number,
         "a message held by a host that stopped renewing its claim this long is sent by another (default 60)",
         [](GatewayConfig& c, const std::string&, int n, bool) { c.leaseSeconds = n; }},
        {"Replies", "Genuine", "--reply-genuine", Kind::Text, "answer to a genuine code's first query",
         [](GatewayConfig& c, const std::string& v, int, bool) { c.replies.genuine = v; }},
        {"Replies", "Repeated", "--reply-repeated", Kind::Text, "answer to a repeated query",
         [](GatewayConfig& c, const std::string& v, int, bool) { c.replies.repeated = v; }},
        {"Replies", "Wrong", "--reply-wrong", Kind::Text, "answer to a wrong code",
         [](GatewayConfig& c, const std::string& v, int, bool) { c.replies.wrong = v; }},
        {"Replies", "NotEnabled", "--reply-not-enabled", Kind::Text, "answer to a code whose batch is not enabled",
         [](GatewayConfig& c, const std::string& v, int, bool) { c.replies.notEnabled = v; }},
        {"Replies", "Help", "--reply-help", Kind::Text, "answer to a text without a code",
         [](GatewayConfig& c, const std::string& v, int, bool) { c.replies.help = v; }},
    };
    return settings;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

bool IsUtf8(const std::string& bytes)
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0 || (extra > 0 && i + extra >= bytes.size()))
            return false;
        for (int k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(bytes[i + k]) >> 6) != 2)
                return false;
        i += 1 + extra;
    }
    return true;
}

// Files written on the factory's Windows PCs are GBK; GB18030 reads them and loses nothing.
bool Gb18030ToUtf8(const std::string& in, std::string& out)
{
    iconv_t cd = iconv_open("UTF-8", "GB18030");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    out.assign(in.size() * 2 + 4, '\0');
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    const std::size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1))
        return false;
    out.resize(out.size() - dstLeft);
    return true;
}

bool ParseNumber(const std::string& text, int& out)
{
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < INT_MIN || value > INT_MAX)
        return false;
    out = static_cast<int>(value);
    return true;
}

bool ParseFlag(const std::string& text, bool& out)
{
    const std::string v = Lower(text);
    if (v == "1" || v == "yes" || v == "true" || v == "on") {
        out = true;
        return true;
    }
    if (v == "0" || v == "no" || v == "false" || v == "off") {
        out = false;
        return true;
    }
    return false;
}

bool Apply(const Setting& setting, GatewayConfig& config, const std::string& value, const std::string& where,
           std::string& error)
{
    int number = 0;
    bool flag = false;
    switch (setting.kind) {
    case Kind::Number:
        if (!ParseNumber(value, number) || number < 0) {
            error = where + ": not a whole number of 0 or more: " + value;
            return false;
        }
        break;
    case Kind::Flag:
        if (!ParseFlag(value, flag)) {
            error = where + ": not yes or no: " + value;
            return false;
        }
        break;
    case Kind::List: {
        std::stringstream parts(value);
        std::string part;
        while (std::getline(parts, part, ','))
            if (!Trim(part).empty())
                setting.set(config, Trim(part), 0, false);
        return true;
    }
    case Kind::Text:
        break;
    }
    setting.set(config, value, number, flag);
    return true;
}

} // namespace

bool ApplyIniFile(const std::string& path, GatewayConfig& config, std::string& error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read the configuration file " + path + ": " + std::strerror(errno);
        return false;
    }
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        bytes.erase(0, 3);
    std::string text;
    if (IsUtf8(bytes))
        text = bytes;
    else if (!Gb18030ToUtf8(bytes, text)) {
        error = "the configuration file " + path + " is neither UTF-8 nor GBK";
        return false;
    }
    // Settings given twice in a file: the first counts, as profile reading does; except
    // ports, which add up.
    bool portsFromFile = false;
    std::stringstream lines(text);
    std::string line, section;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        line = Trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line[0] == '[') {
            const auto close = line.find(']');
            section = Lower(Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1)));
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = Lower(Trim(line.substr(0, eq)));
        std::string value = Trim(line.substr(eq + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        const std::string where = path + ":" + std::to_string(number);
        bool known = false;
        for (const Setting& setting : Settings()) {
            if (Lower(setting.section) != section || Lower(setting.key) != key)
                continue;
            known = true;
            if (setting.kind == Kind::List && !portsFromFile) {
                config.ports.clear();
                portsFromFile = true;
            }
            if (!Apply(setting, config, value, where, error))
                return false;
        }
        if (!known) {
            error = where + ": unknown setting " + key;
            return false;
        }
    }
    return true;
}

bool LoadGatewayConfig(int argc, char** argv, GatewayConfig& config, bool& showHelp, std::string& error)
{
    showHelp = false;
    std::vector<std::pair<std::string, std::string>> options; // option, value
    std::string configFile;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            showHelp = true;
            return true;
        }
        std::string value;
        bool hasValue = false;
        if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            hasValue = true;
        }
        if (arg == "--config") {
            if (!hasValue && i + 1 < argc) {
                value = argv[++i];
                hasValue = true;
            }
            if (!hasValue) {
                error = "--config needs a file";
                return false;
            }
            configFile = value;
            continue;
        }
        const Setting* found = nullptr;
        bool negated = false;
        for (const Setting& setting : Settings()) {
            if (arg == setting.option)
                found = &setting;
            else if (setting.kind == Kind::Flag && arg == std::string("--no-") + (setting.option + 2)) {
                found = &setting;
                negated = true;
            }
        }
        if (!found) {
            error = "unknown option " + arg + " (see --help)";
            return false;
        }
        if (found->kind == Kind::Flag && !hasValue) {
            value = negated ? "no" : "yes";
        } else if (!hasValue) {
            if (i + 1 >= argc) {
                error = arg + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        options.emplace_back(arg, value);
    }
    if (!configFile.empty() && !ApplyIniFile(configFile, config, error))
        return false;
    bool portsFromCommandLine = false;
    for (const auto& [option, value] : options) {
        for (const Setting& setting : Settings()) {
            const bool negated = option == std::string("--no-") + (setting.option + 2);
            if (option != setting.option && !negated)
                continue;
            if (setting.kind == Kind::List && !portsFromCommandLine) {
                config.ports.clear(); // ports on the command line replace the file's
                portsFromCommandLine = true;
            }
            if (!Apply(setting, config, value, option, error))
                return false;
        }
    }
    return true;
}

std::string HelpText()
{
    std::string text = "Usage: varnholt-gateway [--config FILE] [OPTION VALUE]...\n"
                       "Answers anti-counterfeit queries that arrive by SMS and sends the messages the console\n"
                       "queues. Options override the INI file given by --config (UTF-8 or GBK; section and key\n"
                       "in brackets). Events go to standard error, one line each.\n\n"
                       "  --config FILE            the INI file to read first\n";
    for (const Setting& setting : Settings()) {
        std::string left = std::string("  ") + setting.option + (setting.kind == Kind::Flag ? "[=yes|no]" : " VALUE");
        if (left.size() < 27)
            left.append(27 - left.size(), ' ');
        else
            left += "\n" + std::string(27, ' ');
        text += left + setting.help + "  [" + setting.section + "] " + setting.key + "\n";
    }
    text += "  --help                   this text\n\n"
            "Reply texts may hold {product}, {count}, {first} (time of the first query) and {code}.\n"
            "Answers and queued messages longer than one SMS go out as linked parts.\n"
            "SIGTERM or SIGINT: the message being sent is finished, then the host stops.\n";
    return text;
}

std::string HeldFilePath(const GatewayConfig& config)
{
    if (!config.heldFile.empty())
        return config.heldFile;
    if (const char* state = std::getenv("STATE_DIRECTORY"); state && *state) {
        std::string first(state);
        return first.substr(0, first.find(':')) + "/held-work"; // several directories are ':'-separated
    }
    return ProgramHome() + "/varnholt-gateway.held";
}
