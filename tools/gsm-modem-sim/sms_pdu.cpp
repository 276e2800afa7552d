#include "sms_pdu.h"

#include "gsm_text.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace gsmsim {
namespace {

constexpr char kSemiOctet[] = "0123456789*#abc";

using Bytes = std::vector<std::uint8_t>;

// Bounds-checked walk over the octets of a data unit.
class Reader final {
public:
    explicit Reader(const Bytes& bytes) : m_bytes(bytes) {}
    bool Take(int* value)
    {
        if (m_pos >= m_bytes.size())
            return false;
        *value = m_bytes[m_pos++];
        return true;
    }
    bool TakeBytes(std::size_t count, Bytes* out)
    {
        if (m_bytes.size() - m_pos < count)
            return false;
        out->assign(m_bytes.begin() + static_cast<long>(m_pos), m_bytes.begin() + static_cast<long>(m_pos + count));
        m_pos += count;
        return true;
    }
    std::size_t Position() const { return m_pos; }
    std::size_t Remaining() const { return m_bytes.size() - m_pos; }

private:
    const Bytes& m_bytes;
    std::size_t m_pos = 0;
};

bool Fail(std::string* error, const char* reason)
{
    if (error)
        *error = reason;
    return false;
}

int SemiOctetValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    switch (c) {
    case '*':
        return 10;
    case '#':
        return 11;
    case 'a':
    case 'A':
        return 12;
    case 'b':
    case 'B':
        return 13;
    case 'c':
    case 'C':
        return 14;
    default:
        return -1;
    }
}

std::string SemiOctetsToDigits(const Bytes& octets, int digitCount)
{
    std::string digits;
    for (int i = 0; i < digitCount; ++i) {
        const int v = (i % 2 == 0) ? (octets[i / 2] & 0x0F) : (octets[i / 2] >> 4);
        if (v == 0x0F)
            break;
        digits.push_back(kSemiOctet[v]);
    }
    return digits;
}

void AppendSemiOctets(const std::string& digits, Bytes* out)
{
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        const int lo = SemiOctetValue(digits[i]);
        const int hi = i + 1 < digits.size() ? SemiOctetValue(digits[i + 1]) : 0x0F;
        out->push_back(static_cast<std::uint8_t>((hi << 4) | lo));
    }
}

bool IsDialString(const std::string& number)
{
    if (number.empty())
        return false;
    for (std::size_t i = 0; i < number.size(); ++i) {
        if (i == 0 && number[i] == '+')
            continue;
        if (SemiOctetValue(number[i]) < 0)
            return false;
    }
    return number != "+";
}

// Address field of TS 23.040: digit count (or semi-octets used), type, semi-octets.
void AppendAddress(const std::string& number, Bytes* out)
{
    if (IsDialString(number)) {
        const bool international = number[0] == '+';
        const std::string digits = international ? number.substr(1) : number;
        out->push_back(static_cast<std::uint8_t>(digits.size()));
        out->push_back(international ? 0x91 : 0x81);
        AppendSemiOctets(digits, out);
        return;
    }
    // Alphanumeric sender: GSM septets, the length counting the semi-octets used.
    std::vector<std::uint8_t> septets;
    if (!Utf8ToGsm7(number, &septets))
        septets.assign(number.size(), '?');
    if (septets.size() > 11)
        septets.resize(11);
    const Bytes packed = PackSeptets(septets);
    out->push_back(static_cast<std::uint8_t>((septets.size() * 7 + 3) / 4));
    out->push_back(0xD0);
    out->insert(out->end(), packed.begin(), packed.end());
}

void AppendServiceCentre(const std::string& smsc, Bytes* out)
{
    if (!IsDialString(smsc)) {
        out->push_back(0);
        return;
    }
    const bool international = smsc[0] == '+';
    const std::string digits = international ? smsc.substr(1) : smsc;
    out->push_back(static_cast<std::uint8_t>(1 + (digits.size() + 1) / 2));
    out->push_back(international ? 0x91 : 0x81);
    AppendSemiOctets(digits, out);
}

std::uint8_t SwappedBcd(int value)
{
    value = std::abs(value) % 100;
    return static_cast<std::uint8_t>(((value % 10) << 4) | (value / 10));
}

void AppendTime(const SmsTime& t, Bytes* out)
{
    out->push_back(SwappedBcd(t.year % 100));
    out->push_back(SwappedBcd(t.month));
    out->push_back(SwappedBcd(t.day));
    out->push_back(SwappedBcd(t.hour));
    out->push_back(SwappedBcd(t.minute));
    out->push_back(SwappedBcd(t.second));
    std::uint8_t zone = SwappedBcd(t.zoneQuarters);
    if (t.zoneQuarters < 0)
        zone |= 0x08;
    out->push_back(zone);
}

int GmtOffsetQuarters(std::time_t when)
{
    std::tm local{};
    localtime_r(&when, &local);
    return static_cast<int>(local.tm_gmtoff / 900);
}

std::string Latin1ToUtf8(const Bytes& bytes)
{
    std::string out;
    for (std::uint8_t b : bytes)
        AppendUtf8(b, &out);
    return out;
}

} // namespace

bool ParseSmsTime(std::string_view text, SmsTime* out)
{
    SmsTime t;
    int consumed = 0;
    const std::string s(text);
    if (std::sscanf(s.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &t.year, &t.month, &t.day, &t.hour, &t.minute, &t.second,
                    &consumed) != 6) {
        return false;
    }
    if (t.year < 1900 || t.year > 2099 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 ||
        t.minute > 59 || t.second > 60 || t.hour < 0 || t.minute < 0 || t.second < 0) {
        return false;
    }
    const std::string zone = s.substr(static_cast<std::size_t>(consumed));
    if (zone.empty()) {
        std::tm tm{};
        tm.tm_year = t.year - 1900;
        tm.tm_mon = t.month - 1;
        tm.tm_mday = t.day;
        tm.tm_hour = t.hour;
        tm.tm_min = t.minute;
        tm.tm_sec = t.second;
        tm.tm_isdst = -1;
        t.zoneQuarters = GmtOffsetQuarters(std::mktime(&tm));
    } else if (zone == "Z") {
        t.zoneQuarters = 0;
    } else {
        int hh = 0;
        int mm = 0;
        int n = 0;
        if ((zone[0] != '+' && zone[0] != '-') || std::sscanf(zone.c_str() + 1, "%2d:%2d%n", &hh, &mm, &n) != 2 ||
            static_cast<std::size_t>(n) + 1 != zone.size() || hh > 24 || mm > 59 || mm % 15 != 0) {
            return false;
        }
        t.zoneQuarters = (hh * 4 + mm / 15) * (zone[0] == '-' ? -1 : 1);
    }
    *out = t;
    return true;
}

SmsTime LocalSmsTime(std::time_t when)
{
    std::tm local{};
    localtime_r(&when, &local);
    SmsTime t;
    t.year = local.tm_year + 1900;
    t.month = local.tm_mon + 1;
    t.day = local.tm_mday;
    t.hour = local.tm_hour;
    t.minute = local.tm_min;
    t.second = local.tm_sec;
    t.zoneQuarters = static_cast<int>(local.tm_gmtoff / 900);
    return t;
}

std::string FormatSmsTime(const SmsTime& t)
{
    const int q = std::abs(t.zoneQuarters);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second, t.zoneQuarters < 0 ? '-' : '+', q / 4, (q % 4) * 15);
    return buf;
}

Alphabet AlphabetOfDcs(int dcs)
{
    const int group = (dcs >> 4) & 0x0F;
    if (group <= 0x07) {
        switch ((dcs >> 2) & 0x03) {
        case 1:
            return Alphabet::kData8;
        case 2:
            return Alphabet::kUcs2;
        default:
            return Alphabet::kGsm7;
        }
    }
    if (group == 0x0E)
        return Alphabet::kUcs2;
    if (group == 0x0F)
        return (dcs & 0x04) ? Alphabet::kData8 : Alphabet::kGsm7;
    return Alphabet::kGsm7;
}

const char* AlphabetName(Alphabet alphabet)
{
    switch (alphabet) {
    case Alphabet::kData8:
        return "8bit";
    case Alphabet::kUcs2:
        return "ucs2";
    case Alphabet::kGsm7:
        break;
    }
    return "gsm7";
}

bool DecodeSubmit(std::string_view hex, SubmitMessage* out, std::string* error)
{
    Bytes bytes;
    if (!FromHex(hex, &bytes))
        return Fail(error, "not hexadecimal text");
    Reader r(bytes);
    int scaLength = 0;
    Bytes skipped;
    if (!r.Take(&scaLength) || !r.TakeBytes(static_cast<std::size_t>(scaLength), &skipped)) {
        return Fail(error, "service centre address cut short");
    }
    SubmitMessage m;
    m.tpduLength = static_cast<int>(r.Remaining());
    if (!r.Take(&m.firstOctet))
        return Fail(error, "no first octet");
    if ((m.firstOctet & 0x03) != 0x01)
        return Fail(error, "not an SMS-SUBMIT");
    m.validityFormat = (m.firstOctet >> 3) & 0x03;
    m.statusReport = (m.firstOctet & 0x20) != 0;
    const bool udhi = (m.firstOctet & 0x40) != 0;
    int digitCount = 0;
    Bytes address;
    if (!r.Take(&m.messageRef) || !r.Take(&digitCount) || !r.Take(&m.toa)) {
        return Fail(error, "destination address cut short");
    }
    if (digitCount > 20)
        return Fail(error, "destination address longer than 20 digits");
    if (!r.TakeBytes(static_cast<std::size_t>((digitCount + 1) / 2), &address)) {
        return Fail(error, "destination address cut short");
    }
    m.digits = SemiOctetsToDigits(address, digitCount);
    m.number = ((m.toa & 0x70) == 0x10 ? "+" : "") + m.digits;
    Bytes validity;
    static constexpr std::size_t kValidityLength[] = {0, 7, 1, 7};
    if (!r.Take(&m.pid) || !r.Take(&m.dcs) || !r.TakeBytes(kValidityLength[m.validityFormat], &validity)) {
        return Fail(error, "protocol fields cut short");
    }
    m.alphabet = AlphabetOfDcs(m.dcs);
    int udl = 0;
    if (!r.Take(&udl))
        return Fail(error, "no user data length");
    const bool septets = m.alphabet == Alphabet::kGsm7;
    if ((septets && udl > 160) || (!septets && udl > 140))
        return Fail(error, "user data length too large");
    const std::size_t octets = septets ? (static_cast<std::size_t>(udl) * 7 + 7) / 8 : static_cast<std::size_t>(udl);
    if (r.Remaining() != octets)
        return Fail(error, "user data length does not match the data");
    Bytes ud;
    r.TakeBytes(octets, &ud);
    std::size_t headerOctets = 0;
    if (udhi) {
        if (ud.empty() || static_cast<std::size_t>(ud[0]) + 1 > ud.size()) {
            return Fail(error, "user data header cut short");
        }
        headerOctets = static_cast<std::size_t>(ud[0]) + 1;
        m.userDataHeader = ToHex(Bytes(ud.begin(), ud.begin() + static_cast<long>(headerOctets)));
    }
    if (septets) {
        const std::size_t headerSeptets = (headerOctets * 8 + 6) / 7;
        std::vector<std::uint8_t> all = UnpackSeptets(ud, static_cast<std::size_t>(udl));
        if (headerSeptets > all.size())
            return Fail(error, "user data header longer than the data");
        all.erase(all.begin(), all.begin() + static_cast<long>(headerSeptets));
        m.text = Gsm7ToUtf8(all);
    } else {
        const Bytes body(ud.begin() + static_cast<long>(headerOctets), ud.end());
        if (m.alphabet == Alphabet::kUcs2) {
            if (body.size() % 2 != 0)
                return Fail(error, "odd number of UCS-2 octets");
            std::vector<std::uint16_t> units;
            for (std::size_t i = 0; i < body.size(); i += 2) {
                units.push_back(static_cast<std::uint16_t>(body[i] << 8 | body[i + 1]));
            }
            m.text = Utf16ToUtf8(units);
        } else {
            m.text = Latin1ToUtf8(body);
        }
    }
    *out = m;
    return true;
}

namespace {

// One SMS-DELIVER; header holds the user-data header's elements (without its length octet).
bool BuildDeliverUnit(const DeliverSpec& spec, const Bytes& header, std::string* hex, int* tpduLength,
                      std::string* error)
{
    int dcs = spec.dcs;
    std::vector<std::uint8_t> septets;
    std::vector<std::uint16_t> units;
    if (!Utf8ToUtf16(spec.text, &units))
        return Fail(error, "text is not UTF-8");
    if (dcs < 0)
        dcs = Utf8ToGsm7(spec.text, &septets) && septets.size() <= 160 ? 0x00 : 0x08;
    const Alphabet alphabet = AlphabetOfDcs(dcs);
    // The header takes its octets (and, in 7-bit, the fill bits up to a septet) from the data.
    Bytes ud;
    const std::size_t headerOctets = header.empty() ? 0 : header.size() + 1;
    if (headerOctets > 0) {
        ud.push_back(static_cast<std::uint8_t>(header.size()));
        ud.insert(ud.end(), header.begin(), header.end());
    }
    const int headerSeptets = static_cast<int>((headerOctets * 8 + 6) / 7);
    int udl = 0;
    switch (alphabet) {
    case Alphabet::kGsm7: {
        if (!Utf8ToGsm7(spec.text, &septets))
            return Fail(error, "text does not fit the GSM 7-bit alphabet");
        if (static_cast<int>(septets.size()) + headerSeptets > 160)
            return Fail(error, "text longer than 160 septets");
        const Bytes packed = PackSeptets(septets, headerSeptets * 7 - static_cast<int>(headerOctets) * 8);
        ud.insert(ud.end(), packed.begin(), packed.end());
        udl = headerSeptets + static_cast<int>(septets.size());
        break;
    }
    case Alphabet::kUcs2:
        if (units.size() * 2 + headerOctets > 140)
            return Fail(error, "text longer than 70 UCS-2 units");
        for (std::uint16_t u : units) {
            ud.push_back(static_cast<std::uint8_t>(u >> 8));
            ud.push_back(static_cast<std::uint8_t>(u & 0xFF));
        }
        udl = static_cast<int>(ud.size());
        break;
    case Alphabet::kData8:
        if (spec.text.size() + headerOctets > 140)
            return Fail(error, "data longer than 140 octets");
        ud.insert(ud.end(), spec.text.begin(), spec.text.end());
        udl = static_cast<int>(ud.size());
        break;
    }
    Bytes pdu;
    AppendServiceCentre(spec.smsc, &pdu);
    const std::size_t tpduStart = pdu.size();
    pdu.push_back(headerOctets > 0 ? 0x44 : 0x04); // SMS-DELIVER, no more messages waiting, UDHI
    AppendAddress(spec.sender, &pdu);
    pdu.push_back(0x00);
    pdu.push_back(static_cast<std::uint8_t>(dcs));
    AppendTime(spec.time, &pdu);
    pdu.push_back(static_cast<std::uint8_t>(udl));
    pdu.insert(pdu.end(), ud.begin(), ud.end());
    *hex = ToHex(pdu);
    *tpduLength = static_cast<int>(pdu.size() - tpduStart);
    return true;
}

} // namespace

bool BuildDeliver(const DeliverSpec& spec, std::string* hex, int* tpduLength, std::string* error)
{
    return BuildDeliverUnit(spec, {}, hex, tpduLength, error);
}

bool BuildDeliverParts(const DeliverSpec& spec, int reference, std::vector<DeliverPart>* parts, std::string* error)
{
    parts->clear();
    DeliverPart whole;
    std::string oneError;
    if (BuildDeliver(spec, &whole.hex, &whole.tpduLength, &oneError)) {
        whole.text = spec.text;
        parts->push_back(std::move(whole));
        return true;
    }
    // Too long for one message (or not sendable at all: then the parts fail alike).
    std::vector<std::uint8_t> septets;
    std::vector<std::uint16_t> units;
    if (!Utf8ToUtf16(spec.text, &units))
        return Fail(error, "text is not UTF-8");
    const bool gsm7 = (spec.dcs < 0 && Utf8ToGsm7(spec.text, &septets)) ||
                      (spec.dcs >= 0 && AlphabetOfDcs(spec.dcs) == Alphabet::kGsm7 && Utf8ToGsm7(spec.text, &septets));
    if (spec.dcs >= 0 && AlphabetOfDcs(spec.dcs) == Alphabet::kData8) {
        *error = oneError;
        return false;
    }
    std::vector<std::string> texts;
    if (gsm7) {
        for (std::size_t at = 0; at < septets.size();) {
            std::size_t end = std::min(septets.size(), at + 153);
            if (end < septets.size() && septets[end - 1] == 0x1B)
                --end; // the escape goes with the character it announces
            texts.push_back(Gsm7ToUtf8(std::vector<std::uint8_t>(septets.begin() + static_cast<long>(at),
                                                                 septets.begin() + static_cast<long>(end))));
            at = end;
        }
    } else {
        for (std::size_t at = 0; at < units.size();) {
            std::size_t end = std::min(units.size(), at + 67);
            if (end < units.size() && units[end - 1] >= 0xD800 && units[end - 1] < 0xDC00)
                --end; // a surrogate pair stays together
            texts.push_back(Utf16ToUtf8(std::vector<std::uint16_t>(units.begin() + static_cast<long>(at),
                                                                   units.begin() + static_cast<long>(end))));
            at = end;
        }
    }
    if (texts.size() > 255)
        return Fail(error, "text needs more than 255 parts");
    for (std::size_t i = 0; i < texts.size(); ++i) {
        DeliverSpec part = spec;
        part.dcs = gsm7 ? (spec.dcs < 0 ? 0x00 : spec.dcs) : (spec.dcs < 0 ? 0x08 : spec.dcs);
        part.text = texts[i];
        const Bytes header = {0x00, 0x03, static_cast<std::uint8_t>(reference), static_cast<std::uint8_t>(texts.size()),
                              static_cast<std::uint8_t>(i + 1)};
        DeliverPart built;
        if (!BuildDeliverUnit(part, header, &built.hex, &built.tpduLength, error))
            return false;
        built.text = texts[i];
        parts->push_back(std::move(built));
    }
    return true;
}

std::string BuildStatusReport(const ReportSpec& spec, int* tpduLength)
{
    Bytes pdu;
    AppendServiceCentre(spec.smsc, &pdu);
    const std::size_t tpduStart = pdu.size();
    pdu.push_back(0x06); // SMS-STATUS-REPORT, no more messages waiting
    pdu.push_back(static_cast<std::uint8_t>(spec.messageRef));
    pdu.push_back(static_cast<std::uint8_t>(spec.recipientDigits.size()));
    pdu.push_back(static_cast<std::uint8_t>(spec.recipientToa));
    AppendSemiOctets(spec.recipientDigits, &pdu);
    AppendTime(spec.submitTime, &pdu);
    AppendTime(spec.dischargeTime, &pdu);
    pdu.push_back(static_cast<std::uint8_t>(spec.status));
    *tpduLength = static_cast<int>(pdu.size() - tpduStart);
    return ToHex(pdu);
}

} // namespace gsmsim
