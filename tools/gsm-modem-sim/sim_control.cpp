#include "sim_control.h"

#include "modem_sim.h"

#include <cctype>
#include <cstdlib>
#include <map>
#include <sstream>
#include <vector>

namespace gsmsim {
namespace {

// Words of a line; rest(n) gives the line from the n-th word on, spacing kept.
class Words final {
public:
    explicit Words(const std::string& line) : m_line(line)
    {
        std::size_t i = 0;
        while (true) {
            while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i])))
                ++i;
            if (i >= line.size())
                break;
            const std::size_t b = i;
            while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])))
                ++i;
            m_starts.push_back(b);
            m_words.push_back(line.substr(b, i - b));
        }
    }
    std::size_t Size() const { return m_words.size(); }
    const std::string& operator[](std::size_t n) const { return m_words[n]; }
    std::string Rest(std::size_t n) const { return n < m_starts.size() ? m_line.substr(m_starts[n]) : ""; }

private:
    std::string m_line;
    std::vector<std::string> m_words;
    std::vector<std::size_t> m_starts;
};

bool ParseNumber(const std::string& text, int* value, int base = 10)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, base);
    if (*end != '\0' || v < -1000000000L || v > 1000000000L)
        return false;
    *value = static_cast<int>(v);
    return true;
}

std::string Upper(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// "\r", "\n", "\t", "\\" and "\xHH" written out in a control line.
bool Unescape(const std::string& text, std::string* out)
{
    out->clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out->push_back(text[i]);
            continue;
        }
        if (++i >= text.size())
            return false;
        switch (text[i]) {
        case 'r':
            out->push_back('\r');
            break;
        case 'n':
            out->push_back('\n');
            break;
        case 't':
            out->push_back('\t');
            break;
        case '\\':
            out->push_back('\\');
            break;
        case 'x': {
            int v = 0;
            if (i + 2 >= text.size())
                return false;
            if (!ParseNumber(text.substr(i + 1, 2), &v, 16) || v < 0)
                return false;
            out->push_back(static_cast<char>(v));
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

ControlReply Ok(const std::string& detail = {})
{
    return {detail.empty() ? "ok" : "ok " + detail};
}
ControlReply Err(const std::string& reason)
{
    return {"error " + reason};
}

// A command prefix as the fault table keys it: upper case, without "AT".
std::string FaultPrefix(const std::string& word)
{
    std::string p = Upper(word);
    if (p.rfind("AT", 0) == 0)
        p = p.substr(2);
    return p;
}

bool OptionalCount(const Words& w, std::size_t at, int* count)
{
    *count = -1;
    if (w.Size() <= at)
        return true;
    return w.Size() == at + 1 && ParseNumber(w[at], count) && *count > 0;
}

bool ParseTime(const std::string& text, std::optional<SmsTime>* out)
{
    if (text == "now") {
        out->reset();
        return true;
    }
    SmsTime t;
    if (!ParseSmsTime(text, &t))
        return false;
    *out = t;
    return true;
}

} // namespace

const char* SimControl::HelpText()
{
    return "deliver report slots show error cms-error ignore delay prompt silence garbage raw hangup "
           "quirk set clear ping quit";
}

ControlReply SimControl::Handle(const std::string& line, std::int64_t nowMs)
{
    const Words w(line);
    if (w.Size() == 0 || w[0][0] == '#')
        return {};
    const std::string& cmd = w[0];

    if (cmd == "ping")
        return Ok("pong");
    if (cmd == "help")
        return Ok(HelpText());
    if (cmd == "quit")
        return {"ok", ControlReply::Action::kQuit};
    if (cmd == "hangup")
        return {"ok", ControlReply::Action::kHangup};

    if (cmd == "deliver") {
        DeliverRequest request;
        std::size_t i = 1;
        for (; i < w.Size() && w[i].rfind("--", 0) == 0; ++i) {
            const std::string& opt = w[i];
            int dcs = 0;
            if (opt == "--7bit") {
                request.dcs = 0x00;
            } else if (opt == "--8bit") {
                request.dcs = 0x04;
            } else if (opt == "--ucs2") {
                request.dcs = 0x08;
            } else if (opt.rfind("--dcs=", 0) == 0 && ParseNumber(opt.substr(6), &dcs, 16) && dcs >= 0 && dcs <= 255) {
                request.dcs = dcs;
            } else if (opt.rfind("--mem=", 0) == 0) {
                request.storage = Upper(opt.substr(6));
            } else {
                return Err("unknown option " + opt);
            }
        }
        if (w.Size() < i + 3)
            return Err("usage: deliver [options] <sender> <time|now> <text>");
        request.sender = w[i];
        if (!ParseTime(w[i + 1], &request.time))
            return Err("bad time " + w[i + 1]);
        if (!Unescape(w.Rest(i + 2), &request.text))
            return Err("bad escape in text");
        const ControlResult r = m_sim.Deliver(request, nowMs);
        return r.ok ? Ok(r.detail) : Err(r.detail);
    }
    if (cmd == "report") {
        int ref = 0;
        int status = 0;
        std::optional<SmsTime> time;
        std::size_t i = 1;
        for (; i < w.Size() && w[i].rfind("--", 0) == 0; ++i) {
            const std::string& opt = w[i];
            if (opt.rfind("--status=", 0) == 0 && ParseNumber(opt.substr(9), &status) && status >= 0 && status <= 255) {
                continue;
            }
            if (opt.rfind("--time=", 0) == 0 && ParseTime(opt.substr(7), &time))
                continue;
            return Err("bad option " + opt);
        }
        if (w.Size() != i + 1 || !ParseNumber(w[i], &ref))
            return Err("usage: report [options] <ref>");
        const ControlResult r = m_sim.Report(ref, status, time, nowMs);
        return r.ok ? Ok(r.detail) : Err(r.detail);
    }
    if (cmd == "slots") {
        std::string out;
        for (const std::string& name : m_sim.Store().Names()) {
            if (w.Size() > 1 && Upper(w[1]) != name)
                continue;
            std::string list;
            for (int i : m_sim.Store().Indexes(name))
                list += (list.empty() ? "" : ",") + std::to_string(i);
            out += (out.empty() ? "" : " ") + name + "=" + list;
        }
        if (out.empty())
            return Err("no storage " + w[1]);
        return Ok(out);
    }
    if (cmd == "show") {
        int index = 0;
        if (w.Size() != 3 || !ParseNumber(w[2], &index))
            return Err("usage: show <storage> <index>");
        const StoredMessage* m = m_sim.Store().Get(Upper(w[1]), index);
        if (!m)
            return Err("empty slot");
        return Ok("stat=" + std::to_string(m->stat) + " report=" + (m->report ? "1" : "0") + " pdu=" + m->pdu);
    }

    if (cmd == "error" || cmd == "ignore") {
        Fault f;
        f.kind = cmd == "error" ? Fault::Kind::kError : Fault::Kind::kIgnore;
        if (w.Size() < 2 || !OptionalCount(w, 2, &f.remaining))
            return Err("usage: " + cmd + " <command> [count]");
        f.prefix = FaultPrefix(w[1]);
        m_sim.AddFault(f);
        return Ok();
    }
    if (cmd == "cms-error" || cmd == "delay") {
        Fault f;
        f.kind = cmd == "delay" ? Fault::Kind::kDelay : Fault::Kind::kCmsError;
        int value = 0;
        if (w.Size() < 3 || !ParseNumber(w[2], &value) || value < 0 || !OptionalCount(w, 3, &f.remaining)) {
            return Err("usage: " + cmd + (cmd == "delay" ? " <command> <ms> [count]" : " <command> <code> [count]"));
        }
        f.prefix = FaultPrefix(w[1]);
        (cmd == "delay" ? f.delayMs : f.code) = value;
        m_sim.AddFault(f);
        return Ok();
    }
    if (cmd == "prompt") {
        Fault f;
        f.prefix = "+CMGS";
        if (w.Size() >= 2 && w[1] == "normal" && w.Size() == 2) {
            m_sim.ClearPromptFaults();
            return Ok();
        }
        if (w.Size() >= 2 && w[1] == "none" && OptionalCount(w, 2, &f.remaining)) {
            f.kind = Fault::Kind::kIgnore;
        } else if (w.Size() >= 3 && w[1] == "delay" && ParseNumber(w[2], &f.delayMs) && f.delayMs >= 0 &&
                   OptionalCount(w, 3, &f.remaining)) {
            f.kind = Fault::Kind::kPromptDelay;
        } else {
            return Err("usage: prompt none [count] | prompt delay <ms> [count] | prompt normal");
        }
        m_sim.AddFault(f);
        return Ok();
    }
    if (cmd == "silence") {
        if (w.Size() != 2 || (w[1] != "on" && w[1] != "off"))
            return Err("usage: silence on|off");
        m_sim.SetSilent(w[1] == "on");
        return Ok();
    }
    if (cmd == "garbage") {
        int count = 16;
        if (w.Size() > 2 || (w.Size() == 2 && (!ParseNumber(w[1], &count) || count < 1 || count > 4096))) {
            return Err("usage: garbage [count]");
        }
        m_sim.InjectGarbage(count, nowMs);
        return Ok();
    }
    if (cmd == "raw") {
        std::string bytes;
        if (w.Size() < 2 || !Unescape(w.Rest(1), &bytes))
            return Err("usage: raw <text with \\r \\n \\xHH>");
        m_sim.InjectRaw(bytes, nowMs);
        return Ok();
    }
    if (cmd == "quirk") {
        if (w.Size() >= 2 && (w[1] == "cmti-suffix" || w[1] == "cdsi-suffix")) {
            std::string suffix;
            if (!Unescape(w.Rest(2), &suffix))
                return Err("bad escape");
            m_sim.SetUrcSuffix(w[1] == "cdsi-suffix", suffix);
            return Ok();
        }
        if (w.Size() == 3 && w[1] == "urc-space" && (w[2] == "on" || w[2] == "off")) {
            m_sim.SetUrcSpace(w[2] == "on");
            return Ok();
        }
        return Err("usage: quirk cmti-suffix|cdsi-suffix [text] | quirk urc-space on|off");
    }
    if (cmd == "set") {
        if (w.Size() == 3 && w[1] == "deliver-storage") {
            return m_sim.SetDeliverStorage(Upper(w[2])) ? Ok() : Err("no storage " + w[2]);
        }
        if (w.Size() == 3 && w[1] == "report-storage") {
            return m_sim.SetReportStorage(Upper(w[2])) ? Ok() : Err("no storage " + w[2]);
        }
        int value = 0;
        if (w.Size() == 3 && w[1] == "auto-report" && (w[2] == "off" || (ParseNumber(w[2], &value) && value >= 0))) {
            m_sim.SetAutoReport(w[2] == "off" ? -1 : value);
            return Ok();
        }
        if (w.Size() == 3 && w[1] == "smsc") {
            m_sim.SetSmsc(w[2] == "none" ? "" : w[2]);
            return Ok();
        }
        if (w.Size() == 3 && w[1] == "sim") {
            static const std::map<std::string, std::string> kStates = {
                {"ready", "READY"}, {"pin", "SIM PIN"}, {"puk", "SIM PUK"}, {"not-ready", "NOT READY"}, {"absent", ""}};
            const auto state = kStates.find(w[2]);
            if (state == kStates.end())
                return Err("usage: set sim ready|pin|puk|not-ready|absent");
            m_sim.SetSimState(state->second);
            return Ok();
        }
        if (w.Size() == 3 && w[1] == "echo" && (w[2] == "on" || w[2] == "off")) {
            m_sim.SetEcho(w[2] == "on");
            return Ok();
        }
        if (w.Size() == 3 && w[1] == "when-full" && (w[2] == "refuse" || w[2] == "hold")) {
            m_sim.SetHoldWhenFull(w[2] == "hold");
            return Ok();
        }
        if (w.Size() == 4 && w[1] == "capacity" && ParseNumber(w[3], &value)) {
            return m_sim.Store().SetCapacity(Upper(w[2]), value) ? Ok() : Err("bad storage or capacity");
        }
        return Err("usage: set deliver-storage|report-storage <mem> | set auto-report off|<ms> | "
                   "set smsc <number>|none | set echo on|off | set capacity <mem> <n> | set when-full refuse|hold | "
                   "set sim ready|pin|puk|not-ready|absent");
    }
    if (cmd == "clear") {
        m_sim.ClearFaults();
        return Ok();
    }
    return Err("unknown command " + cmd);
}

} // namespace gsmsim
