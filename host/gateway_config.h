#pragma once

#include "reply_texts.h"

#include <string>
#include <vector>

// Everything the gateway host can be told, with the defaults it starts from.
struct GatewayConfig {
    std::string connectionString;   // empty: the link file, else Varnholt.db of the program directory
    std::string linkFile;           // empty: Varnholt-dblink.ini of the program directory
    std::vector<std::string> ports; // serial devices, one modem each
    int modemType = 0;              // 0 takes 19200 baud only
    int baud = 19200;
    int sendPause = 15;        // pause after each send, in 100 ms ticks
    std::string serviceCentre; // empty: the SIM's own
    int limitPerHour = 10;     // answers per sender; 0 = no limit
    int limitPerDay = 30;
    bool logReplies = false; // answers also become SendSmsTable rows
    int queuePollMs = 1000;
    int busyTimeoutMs = 5000;   // how long a statement waits for another writer's lock
    int maxSendAttempts = 3;    // tries of one message before it counts as 失败
    int stopWaitMs = 20000;     // how long a stop waits for the message being sent
    int longSmsTimeoutS = 600;  // parts of a long message still missing after this are given up
    int resetAfterTimeouts = 3; // commands in a row without an answer before the modem is reopened; 0 off
    std::string heldFile;       // keeps unwritten work over a stop; empty: the default
    std::string hostName;       // names this machine in the leases of rows it sends; empty: its host name
    int leaseSeconds = 60;      // a row being sent by a host that stopped renewing is sent by another after this
    ReplyTexts replies;
};

// Reads the configuration: the INI file named by --config (UTF-8 or GBK), then the
// command-line options over it. False with a one-line reason in error; showHelp when
// --help was asked (the text is HelpText()).
bool LoadGatewayConfig(int argc, char** argv, GatewayConfig& config, bool& showHelp, std::string& error);

// Reads one INI file into config. False when it cannot be read or holds a bad value.
bool ApplyIniFile(const std::string& path, GatewayConfig& config, std::string& error);

std::string HelpText();

// Where unwritten work waits over a stop: the file given, else held-work in systemd's
// STATE_DIRECTORY, else varnholt-gateway.held in the program directory.
std::string HeldFilePath(const GatewayConfig& config);
