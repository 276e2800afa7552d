#pragma once

#include "message_store.h"
#include "sms_pdu.h"

#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace gsmsim {

struct ModemSimOptions {
    std::string smsc;                  // put in front of stored units until AT+CSCA sets one
    std::string deliverStorage = "SM"; // where incoming messages land
    std::string reportStorage = "SM";  // where status reports land
    int autoReportMs = -1;             // >= 0: report every message that asks, after this delay
};

// What a fault does to a command whose text (after "AT", upper case) starts with its prefix.
// The prefix "PDU" stands for the message body written after the prompt.
struct Fault {
    enum class Kind { kError, kCmsError, kIgnore, kDelay, kPromptDelay };
    Kind kind = Kind::kError;
    std::string prefix;
    int code = 0;       // +CMS ERROR code
    int delayMs = 0;    // kDelay, kPromptDelay
    int remaining = -1; // commands still to hit; negative: until cleared
};

struct ControlResult {
    bool ok = true;
    std::string detail;
};

struct DeliverRequest {
    std::string sender;
    std::optional<SmsTime> time; // none: now
    std::string text;            // UTF-8
    int dcs = -1;                // -1: 7-bit when it fits, else UCS-2
    std::string storage;         // empty: the deliver storage
};

// The modem itself, without any device: bytes from the terminal go in through Feed, bytes
// for the terminal come out of TakeOutput once due. Time is handed in as monotonic
// milliseconds so that tests can run it without waiting.
class ModemSim final {
public:
    using LogSink = std::function<void(const std::string& jsonLine)>;
    using WallClock = std::function<std::time_t()>;

    ModemSim(ModemSimOptions options, LogSink log, WallClock wallClock);

    void Feed(std::string_view bytes, std::int64_t nowMs);
    // Runs due timed work and returns every byte whose time has come.
    std::string TakeOutput(std::int64_t nowMs);
    // Monotonic time of the next queued output or timed work; -1 when there is none.
    std::int64_t NextDueMs() const;
    // The terminal hung up or the line was dropped: half-typed input and queued output go.
    void LineDropped();

    ControlResult Deliver(const DeliverRequest& request, std::int64_t nowMs);
    ControlResult Report(int messageRef, int status, std::optional<SmsTime> dischargeTime, std::int64_t nowMs);
    void AddFault(const Fault& fault) { m_faults.push_back(fault); }
    void ClearPromptFaults();
    void ClearFaults();
    void SetSilent(bool silent) { m_silent = silent; }
    void InjectRaw(const std::string& bytes, std::int64_t nowMs) { Enqueue(bytes, 0, nowMs); }
    void InjectGarbage(int count, std::int64_t nowMs);
    void SetUrcSuffix(bool cdsi, const std::string& suffix) { (cdsi ? m_cdsiSuffix : m_cmtiSuffix) = suffix; }
    void SetUrcSpace(bool space) { m_urcSpace = space; }
    void SetEcho(bool echo) { m_echo = echo; }
    // What AT+CPIN? reports: "READY", "SIM PIN", "SIM PUK", "NOT READY"; empty: no SIM.
    void SetSimState(const std::string& state) { m_simState = state; }
    bool SetDeliverStorage(const std::string& name);
    bool SetReportStorage(const std::string& name);
    void SetAutoReport(int delayMs) { m_options.autoReportMs = delayMs; }
    void SetSmsc(const std::string& smsc) { m_options.smsc = smsc; }
    // A message for a full memory: refused (false, the control command fails) or, as the
    // network retries it, held and stored once a slot is free; the modem says
    // +CMS ERROR: 322 when one is held.
    void SetHoldWhenFull(bool hold) { m_holdWhenFull = hold; }
    MessageStore& Store() { return m_store; }

private:
    enum class Mode { kCommand, kPdu };

    void Enqueue(const std::string& bytes, int delayMs, std::int64_t nowMs);
    void EmitUnsolicited(const std::string& text, std::int64_t nowMs);
    void RunCommandLine(std::string line, std::int64_t nowMs);
    std::string Execute(const std::string& body, std::int64_t nowMs, bool* prompt);
    void Submit(std::int64_t nowMs);
    // Stores one part of a delivery, logs and announces it; -1 when the memory is full.
    int StorePart(const std::string& storage, const DeliverPart& part, const std::string& sender, const SmsTime& time,
                  std::int64_t nowMs);
    void StoreHeldParts(std::int64_t nowMs);
    Fault* MatchFault(const std::string& key, bool promptOnly);
    void Log(const std::string& line) const;
    std::string CurrentSmsc() const;

    std::string CmdCpms(const std::string& args, bool query);
    std::string CmdCmgr(const std::string& args);
    std::string CmdCmgd(const std::string& args);
    std::string CmdCmgl(const std::string& args, bool bare);
    std::string CmdCnmi(const std::string& args, bool query);

    ModemSimOptions m_options;
    LogSink m_log;
    WallClock m_wallClock;
    MessageStore m_store;

    struct Chunk {
        std::int64_t due;
        std::string bytes;
    };
    std::deque<Chunk> m_output;
    std::string m_deferred; // notifications held back while a message body is typed

    Mode m_mode = Mode::kCommand;
    std::string m_line;
    std::string m_pdu;
    int m_cmgsLength = 0;
    int m_pduDelayMs = 0;

    bool m_echo = true;
    std::string m_simState = "READY";
    bool m_silent = false;
    int m_cmgf = 0;
    int m_cnmi[5] = {0, 0, 0, 0, 0};
    std::string m_csca;
    int m_cscaType = 145;
    std::string m_mem[3] = {"SM", "SM", "SM"};

    struct Sent {
        std::string digits;
        int toa = 0x81;
        SmsTime submitted;
    };
    std::map<int, Sent> m_sent;
    int m_nextRef = 1;
    int m_nextDeliverRef = 1; // of long messages delivered in parts
    struct PendingReport {
        std::int64_t due;
        int ref;
    };
    std::vector<PendingReport> m_pendingReports;

    struct HeldPart {
        std::string storage;
        DeliverPart part;
        std::string sender;
        SmsTime time;
    };
    bool m_holdWhenFull = false;
    std::deque<HeldPart> m_held; // in arrival order

    std::vector<Fault> m_faults;
    std::string m_cmtiSuffix;
    std::string m_cdsiSuffix;
    bool m_urcSpace = false;
    std::mt19937 m_random{std::random_device{}()};
};

} // namespace gsmsim
