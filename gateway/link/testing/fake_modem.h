#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "byte_port.h"

class ManualTimerHost;

// A scripted GSM modem behind the BytePort, on virtual time. It parses what the engine
// writes into command lines (and, after a ">" prompt, a data unit ended by Ctrl-Z) and
// answers each by the newest matching rule, or else like a plain, healthy modem with a
// small message store: OK to the set-up commands, a prompt and +CMGS to a send, listing,
// reading and deleting of stored items. Replies become readable a number of ticks later;
// what is due is handed out by Read in order, up to 1000 bytes a read.
class FakeModem final : public BytePort {
public:
    static constexpr std::int64_t kTickMs = 100;
    // The match key of the data unit written after the prompt.
    static constexpr const char* kPdu = "<PDU>";

    // How one command is answered.
    class Rule {
    public:
        explicit Rule(std::string prefix) : m_prefix(std::move(prefix)) {}
        Rule& Reply(std::string text);
        // The reply in pieces, one piece per read (successive ticks).
        Rule& Parts(std::vector<std::string> parts);
        // Splits the reply text into n pieces of about equal length.
        Rule& SplitInto(int n);
        // First readable that many ticks after the command (default 1, the next tick).
        Rule& After(int ticks);
        Rule& Error() { return Reply("\r\nERROR\r\n"); }
        Rule& CmsError(int code) { return Reply("\r\n+CMS ERROR: " + std::to_string(code) + "\r\n"); }
        Rule& Silence();
        // Applies this many times, then falls through to older rules and the defaults.
        Rule& Times(int n);
        // The reply computed from the command line.
        Rule& Answer(std::function<std::string(const std::string& command)> answer);

    private:
        friend class FakeModem;
        std::string m_prefix;
        std::vector<std::string> m_parts;
        std::function<std::string(const std::string&)> m_answer;
        int m_split = 1;
        int m_afterTicks = 1;
        int m_times = -1;
        bool m_silent = false;
    };

    struct Command {
        std::int64_t ms;
        // The line without its terminator; a data unit is logged as kPdu followed by it.
        std::string text;
    };

    explicit FakeModem(std::function<std::int64_t()> nowMs);
    explicit FakeModem(const ManualTimerHost& timers);

    bool Open(const std::string& name, int baud, int modemType) override;
    int Read(char* buffer, std::size_t capacity) override;
    int Write(const char* bytes, std::size_t length) override;
    void DiscardOutput() override { ++m_discards; }
    bool Close() override;

    // Rules are matched newest first against the start of the command line.
    Rule& On(std::string prefix);
    void ClearRules() { m_rules.clear(); }
    // Echo of command lines (a real modem starts with it on; "ATE" switches it off).
    void SetEcho(bool on) { m_echo = on; }
    bool Echo() const { return m_echo; }

    // Unsolicited output, readable after that many ticks (0: at the next read).
    void Push(std::string text, int afterTicks = 0);
    void PushAt(std::int64_t ms, std::string text);
    // Output scheduled and not yet read.
    bool HasPending() const { return !m_pending.empty(); }

    // The store. A new item takes the lowest free index from 1 on; stat 0 unread, 1 read.
    int Store(std::string pdu, std::string storage = "SM", int stat = 0, bool report = false);
    // Stores a received message and announces it with +CMTI.
    int Deliver(std::string pdu, std::string storage = "SM");
    // Stores a delivery report and announces it with +CDSI.
    int DeliverReport(std::string pdu, std::string storage = "SM");
    bool Holds(const std::string& storage, int index) const;
    std::size_t StoredCount() const { return m_store.size(); }
    const std::string& SelectedStorage() const { return m_selected; }

    // Faults: Open fails; the line goes dead (reads give 0, writes fail and are lost).
    void FailOpen(bool fail) { m_failOpen = fail; }
    void SetDead(bool dead) { m_dead = dead; }
    // The device goes away (reads give nothing, writes fail, Lost() is true, Open fails)
    // and comes back under the same name.
    void Unplug();
    void Replug() { m_unplugged = false; }
    bool Lost() const override { return m_open && m_unplugged; }

    bool IsOpen() const { return m_open; }
    int OpenCount() const { return m_opens; }
    int CloseCount() const { return m_closes; }
    const std::string& OpenedName() const { return m_openedName; }
    int OpenedBaud() const { return m_openedBaud; }
    int OpenedModemType() const { return m_openedModemType; }
    int DiscardCount() const { return m_discards; }
    int ReadCount() const { return m_reads; }

    const std::vector<Command>& Commands() const { return m_commands; }
    // Times of the commands that begin with prefix.
    std::vector<std::int64_t> TimesOf(const std::string& prefix) const;
    int CountOf(const std::string& prefix) const;
    // Every data unit the default answer accepted after a prompt.
    const std::vector<std::string>& SubmittedPdus() const { return m_submitted; }
    // Everything written while open, raw.
    const std::string& Written() const { return m_written; }
    void ClearLog();

private:
    struct Stored {
        std::string pdu;
        int stat = 0;
        bool report = false;
    };

    void Schedule(std::int64_t dueMs, std::string text);
    void Process();
    void HandleCommand(const std::string& command, bool isPdu);
    std::string DefaultAnswer(const std::string& command, bool isPdu);
    std::string ListMessages(int stat);
    int FreeIndex(const std::string& storage) const;

    std::function<std::int64_t()> m_nowMs;
    std::deque<Rule> m_rules;
    std::multimap<std::int64_t, std::string> m_pending;
    std::string m_input;
    bool m_pduMode = false;
    bool m_echo = false;
    bool m_open = false;
    bool m_dead = false;
    bool m_failOpen = false;
    bool m_unplugged = false;
    int m_opens = 0;
    int m_closes = 0;
    int m_discards = 0;
    int m_reads = 0;
    int m_messageReference = 0;
    std::string m_openedName;
    int m_openedBaud = 0;
    int m_openedModemType = 0;
    std::string m_selected = "SM";
    std::map<std::pair<std::string, int>, Stored> m_store;
    std::vector<Command> m_commands;
    std::vector<std::string> m_submitted;
    std::string m_written;
};
