#include "fake_modem.h"

#include <algorithm>
#include <cstring>

#include "manual_timer_host.h"

namespace {

constexpr const char* kOk = "\r\nOK\r\n";

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// The number after "=" in a command such as AT+CMGR=3; -1 when there is none.
int Argument(const std::string& command)
{
    const std::size_t eq = command.find('=');
    if (eq == std::string::npos || eq + 1 >= command.size())
        return -1;
    int value = 0;
    bool any = false;
    for (std::size_t i = eq + 1; i < command.size() && command[i] >= '0' && command[i] <= '9'; ++i) {
        value = value * 10 + (command[i] - '0');
        any = true;
        if (value > 1000000)
            break;
    }
    return any ? value : -1;
}

} // namespace

FakeModem::Rule& FakeModem::Rule::Reply(std::string text)
{
    m_parts = {std::move(text)};
    m_silent = false;
    m_answer = nullptr;
    return *this;
}

FakeModem::Rule& FakeModem::Rule::Parts(std::vector<std::string> parts)
{
    m_parts = std::move(parts);
    m_silent = false;
    m_answer = nullptr;
    return *this;
}

FakeModem::Rule& FakeModem::Rule::SplitInto(int n)
{
    m_split = std::max(1, n);
    return *this;
}

FakeModem::Rule& FakeModem::Rule::After(int ticks)
{
    m_afterTicks = std::max(0, ticks);
    return *this;
}

FakeModem::Rule& FakeModem::Rule::Silence()
{
    m_parts.clear();
    m_answer = nullptr;
    m_silent = true;
    return *this;
}

FakeModem::Rule& FakeModem::Rule::Times(int n)
{
    m_times = n;
    return *this;
}

FakeModem::Rule& FakeModem::Rule::Answer(std::function<std::string(const std::string&)> answer)
{
    m_answer = std::move(answer);
    m_parts.clear();
    m_silent = false;
    return *this;
}

FakeModem::FakeModem(std::function<std::int64_t()> nowMs) : m_nowMs(std::move(nowMs)) {}

FakeModem::FakeModem(const ManualTimerHost& timers) : FakeModem([&timers] { return timers.NowMs(); }) {}

bool FakeModem::Open(const std::string& name, int baud, int modemType)
{
    ++m_opens;
    m_openedName = name;
    m_openedBaud = baud;
    m_openedModemType = modemType;
    if (m_failOpen || m_unplugged)
        return false;
    m_open = true;
    m_input.clear();
    m_pending.clear();
    m_pduMode = false;
    return true;
}

void FakeModem::Unplug()
{
    m_unplugged = true;
    m_input.clear();
    m_pending.clear();
    m_pduMode = false;
    m_echo = true; // it starts afresh when it comes back
}

bool FakeModem::Close()
{
    if (m_open)
        ++m_closes;
    m_open = false;
    m_input.clear();
    m_pending.clear();
    m_pduMode = false;
    return true;
}

int FakeModem::Read(char* buffer, std::size_t capacity)
{
    if (!m_open)
        return -1;
    ++m_reads;
    if (m_dead || m_unplugged) {
        m_pending.clear(); // whatever the modem said is lost on a dead line
        return 0;
    }
    const std::int64_t now = m_nowMs();
    std::size_t filled = 0;
    while (!m_pending.empty() && filled < capacity) {
        auto it = m_pending.begin();
        if (it->first > now)
            break;
        std::string& text = it->second;
        const std::size_t take = std::min(capacity - filled, text.size());
        std::memcpy(buffer + filled, text.data(), take);
        filled += take;
        if (take == text.size())
            m_pending.erase(it);
        else
            text.erase(0, take);
    }
    return static_cast<int>(filled);
}

int FakeModem::Write(const char* bytes, std::size_t length)
{
    if (!m_open)
        return 0;
    if (m_dead || m_unplugged)
        return 1;
    m_written.append(bytes, length);
    m_input.append(bytes, length);
    Process();
    return 0;
}

void FakeModem::Process()
{
    for (;;) {
        if (m_pduMode) {
            const std::size_t end = m_input.find_first_of("\x1A\x1B");
            if (end == std::string::npos)
                return;
            const bool cancelled = m_input[end] == '\x1B';
            const std::string pdu = m_input.substr(0, end);
            m_input.erase(0, end + 1);
            m_pduMode = false;
            if (cancelled)
                Schedule(m_nowMs() + kTickMs, kOk);
            else
                HandleCommand(pdu, true);
            continue;
        }
        const std::size_t cr = m_input.find('\r');
        if (cr == std::string::npos)
            return;
        std::string line = m_input.substr(0, cr);
        m_input.erase(0, cr + 1);
        line.erase(0, line.find_first_not_of("\n "));
        if (line.empty())
            continue;
        if (m_echo)
            Schedule(m_nowMs(), line + "\r");
        HandleCommand(line, false);
    }
}

void FakeModem::HandleCommand(const std::string& command, bool isPdu)
{
    const std::int64_t now = m_nowMs();
    m_commands.push_back({now, isPdu ? std::string(kPdu) + command : command});

    std::vector<std::string> parts;
    int afterTicks = 1;
    bool answered = false;
    for (auto it = m_rules.rbegin(); it != m_rules.rend(); ++it) {
        Rule& rule = *it;
        if (rule.m_times == 0)
            continue;
        const bool match = isPdu ? rule.m_prefix == kPdu : rule.m_prefix != kPdu && StartsWith(command, rule.m_prefix);
        if (!match)
            continue;
        if (rule.m_times > 0)
            --rule.m_times;
        answered = true;
        afterTicks = rule.m_afterTicks;
        if (rule.m_silent)
            break;
        if (rule.m_answer) {
            parts = {rule.m_answer(command)};
        } else {
            parts = rule.m_parts;
        }
        if (rule.m_split > 1 && parts.size() == 1) {
            const std::string whole = parts.front();
            parts.clear();
            const std::size_t n = static_cast<std::size_t>(rule.m_split);
            const std::size_t piece = std::max<std::size_t>(1, (whole.size() + n - 1) / n);
            for (std::size_t pos = 0; pos < whole.size(); pos += piece)
                parts.push_back(whole.substr(pos, piece));
        }
        break;
    }
    if (!answered)
        parts = {DefaultAnswer(command, isPdu)};

    // A send command answered with the prompt switches to reading a data unit.
    if (!isPdu && StartsWith(command, "AT+CMGS=")) {
        for (const auto& part : parts) {
            if (part.find('>') != std::string::npos)
                m_pduMode = true;
        }
    }
    std::int64_t due = now + afterTicks * kTickMs;
    for (auto& part : parts) {
        if (!part.empty())
            Schedule(due, std::move(part));
        due += kTickMs;
    }
}

std::string FakeModem::DefaultAnswer(const std::string& command, bool isPdu)
{
    if (isPdu) {
        m_submitted.push_back(command);
        m_messageReference = (m_messageReference + 1) % 256;
        return "\r\n+CMGS: " + std::to_string(m_messageReference) + "\r\n" + kOk;
    }
    if (command == "ATE" || command == "ATE0") {
        m_echo = false;
        return kOk;
    }
    if (command == "ATE1") {
        m_echo = true;
        return kOk;
    }
    if (command == "AT" || StartsWith(command, "AT+CMGF=") || StartsWith(command, "AT+CNMI=") ||
        StartsWith(command, "AT+CSCA="))
        return kOk;
    if (command == "AT+CPIN?")
        return std::string("\r\n+CPIN: READY\r\n") + kOk;
    if (StartsWith(command, "AT+CSMS="))
        return std::string("\r\n+CSMS: 1,1,1\r\n") + kOk;
    if (StartsWith(command, "AT+CMGS="))
        return "\r\n> ";
    if (StartsWith(command, "AT+CPMS=")) {
        const std::size_t open = command.find('"');
        const std::size_t close = open == std::string::npos ? open : command.find('"', open + 1);
        if (close == std::string::npos)
            return "\r\nERROR\r\n";
        m_selected = command.substr(open + 1, close - open - 1);
        int used = 0;
        for (const auto& [key, item] : m_store)
            used += key.first == m_selected ? 1 : 0;
        const std::string counts = std::to_string(used) + ",50";
        return "\r\n+CPMS: " + counts + "," + counts + "," + counts + "\r\n" + kOk;
    }
    if (StartsWith(command, "AT+CMGL="))
        return ListMessages(Argument(command));
    if (StartsWith(command, "AT+CMGR=")) {
        const auto it = m_store.find({m_selected, Argument(command)});
        if (it == m_store.end())
            return "\r\n+CMS ERROR: 321\r\n";
        const int stat = it->second.stat;
        it->second.stat = 1;
        return "\r\n+CMGR: " + std::to_string(stat) + ",," + std::to_string(it->second.pdu.size() / 2 - 1) + "\r\n" +
               it->second.pdu + "\r\n" + kOk;
    }
    if (StartsWith(command, "AT+CMGD=")) {
        m_store.erase({m_selected, Argument(command)});
        return kOk;
    }
    return "\r\nERROR\r\n";
}

std::string FakeModem::ListMessages(int stat)
{
    std::string listing;
    for (auto& [key, item] : m_store) {
        if (key.first != m_selected || item.report)
            continue;
        if (stat != 4 && item.stat != stat)
            continue;
        listing += "\r\n+CMGL: " + std::to_string(key.second) + "," + std::to_string(item.stat) + ",," +
                   std::to_string(item.pdu.size() / 2 - 1) + "\r\n" + item.pdu;
        item.stat = 1;
    }
    if (!listing.empty())
        listing += "\r\n";
    return listing + kOk;
}

void FakeModem::Schedule(std::int64_t dueMs, std::string text)
{
    m_pending.emplace(dueMs, std::move(text));
}

FakeModem::Rule& FakeModem::On(std::string prefix)
{
    m_rules.emplace_back(std::move(prefix));
    return m_rules.back();
}

void FakeModem::Push(std::string text, int afterTicks)
{
    Schedule(m_nowMs() + std::int64_t{afterTicks} * kTickMs, std::move(text));
}

void FakeModem::PushAt(std::int64_t ms, std::string text)
{
    Schedule(ms, std::move(text));
}

int FakeModem::FreeIndex(const std::string& storage) const
{
    int index = 1;
    while (m_store.count({storage, index}) != 0)
        ++index;
    return index;
}

int FakeModem::Store(std::string pdu, std::string storage, int stat, bool report)
{
    const int index = FreeIndex(storage);
    m_store[{std::move(storage), index}] = Stored{std::move(pdu), stat, report};
    return index;
}

int FakeModem::Deliver(std::string pdu, std::string storage)
{
    const int index = Store(std::move(pdu), storage);
    Push("\r\n+CMTI: \"" + storage + "\"," + std::to_string(index) + "\r\n");
    return index;
}

int FakeModem::DeliverReport(std::string pdu, std::string storage)
{
    const int index = Store(std::move(pdu), storage, 0, true);
    Push("\r\n+CDSI: \"" + storage + "\"," + std::to_string(index) + "\r\n");
    return index;
}

bool FakeModem::Holds(const std::string& storage, int index) const
{
    return m_store.count({storage, index}) != 0;
}

std::vector<std::int64_t> FakeModem::TimesOf(const std::string& prefix) const
{
    std::vector<std::int64_t> times;
    for (const auto& command : m_commands) {
        if (StartsWith(command.text, prefix))
            times.push_back(command.ms);
    }
    return times;
}

int FakeModem::CountOf(const std::string& prefix) const
{
    return static_cast<int>(TimesOf(prefix).size());
}

void FakeModem::ClearLog()
{
    m_commands.clear();
    m_submitted.clear();
    m_written.clear();
}
