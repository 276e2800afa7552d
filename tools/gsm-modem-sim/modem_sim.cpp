#include "modem_sim.h"

#include "json_line.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace gsmsim {
namespace {

constexpr char kCtrlZ = 0x1A;
constexpr char kEscape = 0x1B;
constexpr std::size_t kMaxLine = 512;
constexpr std::size_t kMaxPdu = 1024;

std::string Final(const std::string& info = {})
{
    return (info.empty() ? std::string() : "\r\n" + info + "\r\n") + "\r\nOK\r\n";
}
std::string Error()
{
    return "\r\nERROR\r\n";
}
std::string CmsError(int code)
{
    return "\r\n+CMS ERROR: " + std::to_string(code) + "\r\n";
}

std::string Upper(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string Trim(const std::string& s)
{
    const auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return {};
    return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

// Splits "a,b,"c"" into trimmed fields with their quotes removed.
std::vector<std::string> Fields(const std::string& args)
{
    std::vector<std::string> out;
    std::string cur;
    bool quoted = false;
    for (char c : args) {
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            out.push_back(Trim(cur));
            cur.clear();
        } else {
            cur.push_back(c);
        }
    }
    out.push_back(Trim(cur));
    return out;
}

bool ToInt(const std::string& text, int* value)
{
    if (text.empty() || text.size() > 9)
        return false;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    }
    *value = std::atoi(text.c_str());
    return true;
}

} // namespace

ModemSim::ModemSim(ModemSimOptions options, LogSink log, WallClock wallClock)
    : m_options(std::move(options)), m_log(std::move(log)), m_wallClock(std::move(wallClock))
{
    if (!m_store.Has(m_options.deliverStorage))
        m_options.deliverStorage = "SM";
    if (!m_store.Has(m_options.reportStorage))
        m_options.reportStorage = "SM";
}

void ModemSim::Log(const std::string& line) const
{
    if (m_log)
        m_log(line);
}

std::string ModemSim::CurrentSmsc() const
{
    if (m_csca.empty())
        return m_options.smsc;
    const bool international = m_cscaType == 145 && m_csca[0] != '+';
    return international ? "+" + m_csca : m_csca;
}

bool ModemSim::SetDeliverStorage(const std::string& name)
{
    if (!m_store.Has(name))
        return false;
    m_options.deliverStorage = name;
    return true;
}

bool ModemSim::SetReportStorage(const std::string& name)
{
    if (!m_store.Has(name))
        return false;
    m_options.reportStorage = name;
    return true;
}

void ModemSim::Enqueue(const std::string& bytes, int delayMs, std::int64_t nowMs)
{
    if (bytes.empty())
        return;
    std::int64_t due = nowMs + std::max(delayMs, 0);
    // Output leaves in the order it was made, so a delayed answer holds back what follows.
    if (!m_output.empty())
        due = std::max(due, m_output.back().due);
    if (!m_output.empty() && m_output.back().due == due) {
        m_output.back().bytes += bytes;
    } else {
        m_output.push_back({due, bytes});
    }
}

void ModemSim::EmitUnsolicited(const std::string& text, std::int64_t nowMs)
{
    if (m_silent)
        return;
    if (m_mode == Mode::kPdu) {
        m_deferred += text;
    } else {
        Enqueue(text, 0, nowMs);
    }
}

std::string ModemSim::TakeOutput(std::int64_t nowMs)
{
    while (true) {
        auto due = std::find_if(m_pendingReports.begin(), m_pendingReports.end(),
                                [&](const PendingReport& p) { return p.due <= nowMs; });
        if (due == m_pendingReports.end())
            break;
        const int ref = due->ref;
        m_pendingReports.erase(due);
        Report(ref, 0, std::nullopt, nowMs);
    }
    std::string out;
    while (!m_output.empty() && m_output.front().due <= nowMs) {
        out += m_output.front().bytes;
        m_output.pop_front();
    }
    return out;
}

std::int64_t ModemSim::NextDueMs() const
{
    std::int64_t next = m_output.empty() ? -1 : m_output.front().due;
    for (const PendingReport& p : m_pendingReports) {
        if (next < 0 || p.due < next)
            next = p.due;
    }
    return next;
}

void ModemSim::LineDropped()
{
    m_output.clear();
    m_deferred.clear();
    m_line.clear();
    m_pdu.clear();
    m_mode = Mode::kCommand;
}

void ModemSim::Feed(std::string_view bytes, std::int64_t nowMs)
{
    for (char c : bytes) {
        if (m_silent)
            continue;
        if (m_mode == Mode::kPdu) {
            if (m_echo && c != kCtrlZ && c != kEscape)
                Enqueue(std::string(1, c), 0, nowMs);
            if (c == kCtrlZ) {
                Submit(nowMs);
            } else if (c == kEscape) {
                m_mode = Mode::kCommand;
                m_pdu.clear();
                Enqueue(Final() + m_deferred, 0, nowMs);
                m_deferred.clear();
            } else if (!std::isspace(static_cast<unsigned char>(c)) && m_pdu.size() < kMaxPdu) {
                m_pdu.push_back(c);
            }
            continue;
        }
        if (m_echo)
            Enqueue(std::string(1, c), 0, nowMs);
        if (c == '\r') {
            std::string line;
            line.swap(m_line);
            RunCommandLine(std::move(line), nowMs);
        } else if (c == '\b' || c == 0x7F) {
            if (!m_line.empty())
                m_line.pop_back();
        } else if (c != '\n' && c != kCtrlZ && c != kEscape && c != 0) {
            if (m_line.size() < kMaxLine)
                m_line.push_back(c);
        }
    }
}

Fault* ModemSim::MatchFault(const std::string& key, bool promptOnly)
{
    for (Fault& f : m_faults) {
        if (f.remaining == 0)
            continue;
        if ((f.kind == Fault::Kind::kPromptDelay) != promptOnly)
            continue;
        if (key.compare(0, f.prefix.size(), f.prefix) != 0)
            continue;
        if (f.remaining > 0)
            --f.remaining;
        return &f;
    }
    return nullptr;
}

void ModemSim::ClearPromptFaults()
{
    std::erase_if(m_faults, [](const Fault& f) {
        return f.prefix.rfind("+CMGS", 0) == 0 &&
               (f.kind == Fault::Kind::kIgnore || f.kind == Fault::Kind::kPromptDelay);
    });
}

void ModemSim::ClearFaults()
{
    m_faults.clear();
    m_silent = false;
    m_cmtiSuffix.clear();
    m_cdsiSuffix.clear();
    m_urcSpace = false;
}

void ModemSim::RunCommandLine(std::string line, std::int64_t nowMs)
{
    line = Trim(line);
    // Anything that is not a command is line noise to a modem: no answer.
    if (line.size() < 2 || Upper(line.substr(0, 2)) != "AT")
        return;
    const std::string body = line.substr(2);
    const std::string key = Upper(body);
    int delayMs = 0;
    if (Fault* f = MatchFault(key, false)) {
        switch (f->kind) {
        case Fault::Kind::kError:
            Enqueue(Error(), 0, nowMs);
            return;
        case Fault::Kind::kCmsError:
            Enqueue(CmsError(f->code), 0, nowMs);
            return;
        case Fault::Kind::kIgnore:
            return;
        case Fault::Kind::kDelay:
            delayMs = f->delayMs;
            break;
        case Fault::Kind::kPromptDelay:
            break;
        }
    }
    bool prompt = false;
    const std::string answer = Execute(body, nowMs, &prompt);
    if (prompt) {
        const Fault* f = MatchFault(key, true);
        Enqueue(answer, delayMs + (f ? f->delayMs : 0), nowMs);
        m_mode = Mode::kPdu;
        m_pdu.clear();
        m_pduDelayMs = delayMs;
    } else {
        Enqueue(answer, delayMs, nowMs);
    }
    // A delete may have made room for what the network holds.
    StoreHeldParts(nowMs);
}

std::string ModemSim::Execute(const std::string& body, std::int64_t nowMs, bool* prompt)
{
    const std::string upper = Upper(body);
    if (upper.empty())
        return Final();
    if (upper == "E" || upper == "E0") {
        m_echo = false;
        return Final();
    }
    if (upper == "E1") {
        m_echo = true;
        return Final();
    }
    if (upper == "Z" || upper == "&F") {
        m_echo = true;
        std::fill(std::begin(m_cnmi), std::end(m_cnmi), 0);
        std::fill(std::begin(m_mem), std::end(m_mem), "SM");
        return Final();
    }
    if (upper == "V1" || upper == "Q0" || upper.rfind("+CMEE=", 0) == 0)
        return Final();
    if (upper == "I" || upper == "+CGMM")
        return Final("GSM MODEM SIMULATOR");
    if (upper == "+CGMI")
        return Final("SIMULATED");
    if (upper == "+CGMR")
        return Final("1.0");
    if (upper == "+CGSN")
        return Final("350000000000001");
    if (upper == "+CPIN?") {
        if (m_simState.empty())
            return "\r\n+CME ERROR: 10\r\n"; // no SIM in the slot
        return Final("+CPIN: " + m_simState);
    }
    if (upper == "+CSQ")
        return Final("+CSQ: 20,99");
    if (upper == "+CREG?")
        return Final("+CREG: 0,1");

    const auto split = upper.find_first_of("=?");
    const std::string name = upper.substr(0, split);
    const bool test = split != std::string::npos && upper.compare(split, 2, "=?") == 0;
    const bool query = split != std::string::npos && upper[split] == '?';
    const std::string args = (split != std::string::npos && !query && !test) ? body.substr(split + 1) : "";
    const bool bare = split == std::string::npos;

    if (name == "+CMGF") {
        if (test)
            return Final("+CMGF: (0)");
        if (query)
            return Final("+CMGF: " + std::to_string(m_cmgf));
        int mode = 0;
        if (!ToInt(Trim(args), &mode) || mode > 1)
            return Error();
        if (mode == 1)
            return CmsError(303); // text mode is not offered
        m_cmgf = 0;
        return Final();
    }
    if (name == "+CSMS") {
        if (test)
            return Final("+CSMS: (0,1)");
        if (query)
            return Final("+CSMS: 1,1,1,1");
        int service = 0;
        if (!ToInt(Trim(args), &service) || service > 1)
            return CmsError(303);
        return Final("+CSMS: 1,1,1");
    }
    if (name == "+CNMI")
        return CmdCnmi(args, query || test);
    if (name == "+CSCA") {
        if (query)
            return Final("+CSCA: \"" + m_csca + "\"," + std::to_string(m_cscaType));
        const auto f = Fields(args);
        if (bare || test || f[0].empty())
            return Error();
        int type = 145;
        if (f.size() > 1 && !ToInt(f[1], &type))
            return Error();
        m_csca = f[0];
        m_cscaType = type;
        return Final();
    }
    if (name == "+CPMS") {
        if (test) {
            std::string list;
            for (const std::string& n : m_store.Names())
                list += (list.empty() ? "\"" : ",\"") + n + "\"";
            return Final("+CPMS: (" + list + "),(" + list + "),(" + list + ")");
        }
        return CmdCpms(args, query || bare);
    }
    if (name == "+CMGR")
        return CmdCmgr(args);
    if (name == "+CMGD")
        return CmdCmgd(args);
    if (name == "+CMGL")
        return CmdCmgl(args, bare);
    if (name == "+CMGS") {
        int length = 0;
        if (test)
            return Final();
        if (!ToInt(Trim(args), &length) || length < 1 || length > 255)
            return CmsError(304);
        m_cmgsLength = length;
        *prompt = true;
        return "\r\n> ";
    }
    (void)nowMs;
    return Error();
}

std::string ModemSim::CmdCnmi(const std::string& args, bool query)
{
    if (query) {
        std::string v = "+CNMI: ";
        for (int i = 0; i < 5; ++i)
            v += std::to_string(m_cnmi[i]) + (i < 4 ? "," : "");
        return Final(v);
    }
    static constexpr int kMax[5] = {3, 3, 3, 2, 1};
    const auto f = Fields(args);
    if (f.size() > 5)
        return CmsError(303);
    int values[5];
    std::copy(std::begin(m_cnmi), std::end(m_cnmi), values);
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (f[i].empty())
            continue;
        if (!ToInt(f[i], &values[i]) || values[i] > kMax[i])
            return CmsError(303);
    }
    std::copy(std::begin(values), std::end(values), m_cnmi);
    return Final();
}

std::string ModemSim::CmdCpms(const std::string& args, bool query)
{
    auto counts = [&](const std::string& mem, bool named) {
        return (named ? "\"" + mem + "\"," : std::string()) + std::to_string(m_store.Used(mem)) + "," +
               std::to_string(m_store.Capacity(mem));
    };
    if (query) {
        return Final("+CPMS: " + counts(m_mem[0], true) + "," + counts(m_mem[1], true) + "," + counts(m_mem[2], true));
    }
    const auto f = Fields(Upper(args));
    if (f.size() > 3 || f[0].empty())
        return CmsError(302);
    for (const std::string& mem : f) {
        if (!mem.empty() && !m_store.Has(mem))
            return CmsError(302);
    }
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (!f[i].empty())
            m_mem[i] = f[i];
    }
    return Final("+CPMS: " + counts(m_mem[0], false) + "," + counts(m_mem[1], false) + "," + counts(m_mem[2], false));
}

std::string ModemSim::CmdCmgr(const std::string& args)
{
    int index = 0;
    if (!ToInt(Trim(args), &index) || !m_store.InRange(m_mem[0], index))
        return CmsError(321);
    StoredMessage* m = m_store.Get(m_mem[0], index);
    if (!m)
        return CmsError(321);
    const std::string header = "+CMGR: " + std::to_string(m->stat) + ",," + std::to_string(m->tpduLength);
    const std::string answer = Final(header + "\r\n" + m->pdu);
    if (m->stat == 0)
        m->stat = 1;
    Log(JsonLine().Add("event", "read").Add("storage", m_mem[0]).Add("index", index).Text());
    return answer;
}

std::string ModemSim::CmdCmgd(const std::string& args)
{
    const auto f = Fields(args);
    int index = 0;
    int flag = 0;
    if (!ToInt(f[0], &index) || (f.size() > 1 && !ToInt(f[1], &flag)) || f.size() > 2 || flag > 4) {
        return CmsError(302);
    }
    const std::string mem = m_mem[0];
    if (flag == 0) {
        if (!m_store.InRange(mem, index))
            return CmsError(321);
        if (m_store.Get(mem, index)) {
            m_store.Erase(mem, index);
            Log(JsonLine().Add("event", "delete").Add("storage", mem).Add("index", index).Text());
        }
        return Final();
    }
    // 1: all read, 2: and sent, 3: and unsent, 4: everything. Nothing is sent or unsent here.
    for (int i : m_store.Indexes(mem)) {
        if (flag == 4 || m_store.Get(mem, i)->stat == 1) {
            m_store.Erase(mem, i);
            Log(JsonLine().Add("event", "delete").Add("storage", mem).Add("index", i).Text());
        }
    }
    return Final();
}

std::string ModemSim::CmdCmgl(const std::string& args, bool bare)
{
    int stat = 0;
    if (!bare && (!ToInt(Trim(args), &stat) || stat > 4))
        return CmsError(302);
    std::string info;
    for (int i : m_store.Indexes(m_mem[0])) {
        StoredMessage* m = m_store.Get(m_mem[0], i);
        if (stat != 4 && m->stat != stat)
            continue;
        if (!info.empty())
            info += "\r\n";
        info += "+CMGL: " + std::to_string(i) + "," + std::to_string(m->stat) + ",," + std::to_string(m->tpduLength) +
                "\r\n" + m->pdu;
        if (m->stat == 0)
            m->stat = 1;
    }
    return Final(info);
}

void ModemSim::Submit(std::int64_t nowMs)
{
    m_mode = Mode::kCommand;
    const std::string pdu = m_pdu;
    m_pdu.clear();
    std::string answer;
    SubmitMessage message;
    std::string error;
    bool decoded = DecodeSubmit(pdu, &message, &error);
    if (decoded && message.tpduLength != m_cmgsLength) {
        decoded = false;
        error =
            "length " + std::to_string(m_cmgsLength) + " given, data unit has " + std::to_string(message.tpduLength);
    }
    int delayMs = m_pduDelayMs;
    if (!decoded) {
        Log(JsonLine().Add("event", "submit-error").Add("reason", error).Add("pdu", pdu).Text());
        answer = CmsError(304);
    } else if (Fault* f = MatchFault("PDU", false); f && f->kind != Fault::Kind::kDelay) {
        Log(JsonLine().Add("event", "submit-rejected").Add("number", message.number).Add("pdu", pdu).Text());
        if (f->kind == Fault::Kind::kError)
            answer = Error();
        if (f->kind == Fault::Kind::kCmsError)
            answer = CmsError(f->code);
    } else {
        if (f)
            delayMs += f->delayMs;
        const int ref = m_nextRef;
        m_nextRef = (m_nextRef + 1) % 256;
        const std::time_t now = m_wallClock();
        m_sent[ref] = Sent{message.digits, message.toa, LocalSmsTime(now)};
        JsonLine line;
        line.Add("event", "submit")
            .Add("ref", ref)
            .Add("number", message.number)
            .Add("text", message.text)
            .AddBool("status_report", message.statusReport)
            .Add("encoding", AlphabetName(message.alphabet))
            .Add("dcs", message.dcs)
            .Add("at", FormatSmsTime(LocalSmsTime(now)))
            .Add("pdu", pdu);
        if (!message.userDataHeader.empty())
            line.Add("udh", message.userDataHeader);
        Log(line.Text());
        answer = Final("+CMGS: " + std::to_string(ref));
        if (message.statusReport && m_options.autoReportMs >= 0) {
            m_pendingReports.push_back({nowMs + m_options.autoReportMs, ref});
        }
    }
    Enqueue(answer + m_deferred, delayMs, nowMs);
    m_deferred.clear();
}

ControlResult ModemSim::Deliver(const DeliverRequest& request, std::int64_t nowMs)
{
    const std::string storage = request.storage.empty() ? m_options.deliverStorage : request.storage;
    if (!m_store.Has(storage))
        return {false, "no storage " + storage};
    DeliverSpec spec;
    spec.smsc = CurrentSmsc();
    spec.sender = request.sender;
    spec.time = request.time ? *request.time : LocalSmsTime(m_wallClock());
    spec.dcs = request.dcs;
    spec.text = request.text;
    std::vector<DeliverPart> parts;
    std::string error;
    if (!BuildDeliverParts(spec, m_nextDeliverRef, &parts, &error))
        return {false, error};
    if (parts.size() > 1)
        m_nextDeliverRef = m_nextDeliverRef % 255 + 1;
    // A long text arrives as a phone sends it: linked parts, each stored and announced.
    std::string indexes;
    bool said = false;
    for (const DeliverPart& part : parts) {
        // Behind a held part nothing overtakes it.
        const int index = m_held.empty() ? StorePart(storage, part, request.sender, spec.time, nowMs) : -1;
        if (index < 0 && !m_holdWhenFull)
            return {false, "storage " + storage + " full"};
        if (index < 0) {
            m_held.push_back({storage, part, request.sender, spec.time});
            if (!said)
                EmitUnsolicited("\r\n+CMS ERROR: 322\r\n", nowMs);
            said = true;
        }
        indexes += (indexes.empty() ? "" : ",") + (index < 0 ? std::string("held") : std::to_string(index));
    }
    return {true, storage + " " + indexes};
}

int ModemSim::StorePart(const std::string& storage, const DeliverPart& part, const std::string& sender,
                        const SmsTime& time, std::int64_t nowMs)
{
    const int index = m_store.Store(storage, StoredMessage{0, part.hex, part.tpduLength, false});
    if (index < 0)
        return -1;
    Log(JsonLine()
            .Add("event", "deliver")
            .Add("storage", storage)
            .Add("index", index)
            .Add("number", sender)
            .Add("text", part.text)
            .Add("time", FormatSmsTime(time))
            .Add("pdu", part.hex)
            .Text());
    if (m_cnmi[1] != 0) {
        EmitUnsolicited("\r\n+CMTI: \"" + storage + "\"," + (m_urcSpace ? " " : "") + std::to_string(index) +
                            m_cmtiSuffix + "\r\n",
                        nowMs);
    }
    return index;
}

void ModemSim::StoreHeldParts(std::int64_t nowMs)
{
    while (!m_held.empty()) {
        const HeldPart& held = m_held.front();
        if (StorePart(held.storage, held.part, held.sender, held.time, nowMs) < 0)
            return;
        m_held.pop_front();
    }
}

ControlResult ModemSim::Report(int messageRef, int status, std::optional<SmsTime> dischargeTime, std::int64_t nowMs)
{
    const auto sent = m_sent.find(messageRef);
    if (sent == m_sent.end())
        return {false, "no message sent with reference " + std::to_string(messageRef)};
    ReportSpec spec;
    spec.smsc = CurrentSmsc();
    spec.messageRef = messageRef;
    spec.recipientDigits = sent->second.digits;
    spec.recipientToa = sent->second.toa;
    spec.submitTime = sent->second.submitted;
    spec.dischargeTime = dischargeTime ? *dischargeTime : LocalSmsTime(m_wallClock());
    spec.status = status;
    int length = 0;
    const std::string hex = BuildStatusReport(spec, &length);
    JsonLine line;
    line.Add("event", "report").Add("ref", messageRef).Add("status", status).Add("pdu", hex);
    if (m_cnmi[3] == 1) {
        // Routed straight to the terminal, not stored.
        Log(line.Text());
        EmitUnsolicited("\r\n+CDS: " + std::to_string(length) + "\r\n" + hex + "\r\n", nowMs);
        return {true, "routed"};
    }
    const std::string storage = m_options.reportStorage;
    const int index = m_store.Store(storage, StoredMessage{0, hex, length, true});
    if (index < 0)
        return {false, "storage " + storage + " full"};
    line.Add("storage", storage).Add("index", index);
    Log(line.Text());
    if (m_cnmi[3] == 2) {
        EmitUnsolicited("\r\n+CDSI: \"" + storage + "\"," + (m_urcSpace ? " " : "") + std::to_string(index) +
                            m_cdsiSuffix + "\r\n",
                        nowMs);
    }
    return {true, storage + " " + std::to_string(index)};
}

void ModemSim::InjectGarbage(int count, std::int64_t nowMs)
{
    std::string bytes;
    std::uniform_int_distribution<int> byte(0, 255);
    for (int i = 0; i < count; ++i)
        bytes.push_back(static_cast<char>(byte(m_random)));
    Enqueue(bytes, 0, nowMs);
}

} // namespace gsmsim
