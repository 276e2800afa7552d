#include "pdu_codec.h"

#include "gbk_text.h"
#include "gsm_alphabet.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

// A received data unit is at most 140 octets of user data; anything beyond that is not
// part of a message, and cutting it keeps the work bounded whatever the modem sends.
constexpr std::size_t kMaxUserDataChars = 2 * 140;
constexpr char kHexDigits[] = "0123456789ABCDEF";

int HexDigitValue(std::string_view hex, std::size_t pos)
{
    const int c = pos < hex.size() ? static_cast<unsigned char>(hex[pos]) : '0';
    if (c < 'A') {
        return c - '0';
    }
    if (c <= 'F') {
        return c - 'A' + 10;
    }
    return c - 87;
}

bool IsHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool IsHexText(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), IsHex);
}

bool IsDigitText(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

void AppendHexByte(std::string& out, unsigned value)
{
    out.push_back(kHexDigits[(value >> 4) & 0xF]);
    out.push_back(kHexDigits[value & 0xF]);
}

void AppendHexWord(std::string& out, unsigned value)
{
    AppendHexByte(out, value >> 8);
    AppendHexByte(out, value & 0xFF);
}

// Reads a data unit from left to right. Every Take checks that the field is really
// there; a unit that ends too early, or has a non-hex header field, makes no sense.
class Cursor final {
public:
    explicit Cursor(std::string_view text) : m_text(text) {}

    std::optional<std::string_view> Take(std::size_t count)
    {
        if (count > m_text.size() - m_pos) {
            return std::nullopt;
        }
        const std::string_view field = m_text.substr(m_pos, count);
        m_pos += count;
        return field;
    }

    // One octet written as two hex characters.
    std::optional<int> TakeOctet()
    {
        const auto field = Take(2);
        if (!field || !IsHexText(*field)) {
            return std::nullopt;
        }
        return HexByte(*field);
    }

    std::string_view Rest() const { return m_text.substr(m_pos); }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
};

// Address semi-octets as a number: each pair second digit first, ending at the "F"
// filler, at most 20 digits, without the home country's "86".
std::string SwappedNumber(std::string_view digits)
{
    std::string number;
    for (std::size_t i = 0; i + 1 < digits.size() && number.size() < MessageRecord::kMaxNumberDigits; i += 2) {
        const char pair[2] = {digits[i + 1], digits[i]};
        bool filler = false;
        for (const char c : pair) {
            if (c == 'F' || c == 'f') {
                filler = true;
                break;
            }
            if (number.size() < MessageRecord::kMaxNumberDigits) {
                number.push_back(c);
            }
        }
        if (filler) {
            break;
        }
    }
    if (number.starts_with("86")) {
        number.erase(0, 2);
    }
    return number;
}

// An originating or recipient address: length in digits, type of address, digits.
// Digits that are not hex make no sense and give no number.
std::optional<std::string> TakeAddress(Cursor& cursor)
{
    const auto length = cursor.TakeOctet();
    if (!length) {
        return std::nullopt;
    }
    const auto type = cursor.Take(2);
    const auto digits = cursor.Take(static_cast<std::size_t>(*length + (*length & 1)));
    if (!type || !digits || !IsHexText(*digits)) {
        return std::nullopt;
    }
    return SwappedNumber(*digits);
}

// "20" followed by the six swapped digit pairs of a time stamp: 20YYMMDDhhmmss.
std::string SwappedTime(std::string_view stamp)
{
    std::string time = "20";
    for (std::size_t i = 0; i + 1 < stamp.size() && i < 12; i += 2) {
        time.push_back(stamp[i + 1]);
        time.push_back(stamp[i]);
    }
    return time;
}

// Applies 20YYMMDDhhmmss onto the current local time, field by field: the first field
// that is out of range ends the walk, and it and every later field keep the clock's value.
void ApplyTimeStamp(std::string_view time, LinkTime& stamp)
{
    struct Field {
        std::size_t pos;
        std::size_t width;
        int low;
        int high;
        std::uint16_t LinkTime::*target;
    };
    const int year = stamp.year;
    const Field fields[] = {
        {0, 4, year - 1, year + 1, &LinkTime::year},
        {4, 2, 1, 12, &LinkTime::month},
        {6, 2, 1, 31, &LinkTime::day},
        {8, 2, 0, 24, &LinkTime::hour},
        {10, 2, 0, 60, &LinkTime::minute},
        {12, 2, 0, 60, &LinkTime::second},
    };
    for (const Field& field : fields) {
        if (field.pos + field.width > time.size()) {
            return;
        }
        const std::string_view digits = time.substr(field.pos, field.width);
        if (!IsDigitText(digits)) {
            return;
        }
        int value = 0;
        for (const char c : digits) {
            value = value * 10 + (c - '0');
        }
        if (value < field.low || value > field.high) {
            return;
        }
        stamp.*field.target = static_cast<std::uint16_t>(value);
    }
}

std::string DecodeUcs2(std::string_view userData)
{
    std::u16string units;
    for (std::size_t i = 0; i + 4 <= userData.size(); i += 4) {
        units.push_back(static_cast<char16_t>(HexWord(userData.substr(i, 4)) & 0xFFFF));
    }
    return Utf16ToGbk(units, MessageRecord::kTextSize - 1);
}

std::string DecodeEightBit(std::string_view userData)
{
    std::string bytes;
    for (std::size_t i = 0; i + 2 <= userData.size(); i += 2) {
        const char byte = static_cast<char>(HexByte(userData.substr(i, 2)) & 0xFF);
        if (byte == '\0') {
            break;
        }
        bytes.push_back(byte);
    }
    return bytes;
}

// The address of an outgoing message. Characters are written as given (a "+" or a blank
// makes the modem refuse the message), but never a control or non-ASCII byte: those
// could end the data unit early on the serial line and turn the rest into commands.
std::string DestinationAddress(std::string_view number)
{
    auto safe = [](char c) { return (c > ' ' && c < 0x7F) ? c : '?'; };
    auto appendSwapped = [&](std::string& out, std::string_view digits) {
        for (std::size_t i = 0; i < digits.size(); i += 2) {
            if (i + 1 < digits.size()) {
                out.push_back(safe(digits[i + 1]));
                out.push_back(safe(digits[i]));
            } else {
                out.push_back('F');
                out.push_back(safe(digits[i]));
            }
        }
    };

    std::string field;
    if (number.size() == 11) {
        // A mobile number of the home country goes as an international number.
        field = "0D9168";
        appendSwapped(field, number);
    } else {
        const std::string_view taken = number.substr(0, MessageRecord::kMaxNumberDigits);
        AppendHexByte(field, static_cast<unsigned>(taken.size()));
        field += "81";
        appendSwapped(field, taken);
    }
    return field;
}

// At most kMaxSeptets septets, never ending on the escape of an extension character.
std::string_view CutSeptets(std::string_view septets)
{
    std::size_t pos = 0;
    while (pos < septets.size()) {
        const std::size_t width = septets[pos] == kGsmEscape ? 2 : 1;
        if (pos + width > kMaxSeptets || pos + width > septets.size()) {
            break;
        }
        pos += width;
    }
    return septets.substr(0, pos);
}

// fillBits: zero bits in front of the first septet, which put it on a septet boundary
// after a user-data header.
std::string PackSeptetValues(std::string_view septets, int fillBits = 0)
{
    std::string hex;
    unsigned accumulator = 0;
    int bits = fillBits;
    for (const char septet : septets) {
        accumulator |= (static_cast<unsigned>(septet) & 0x7F) << bits;
        bits += 7;
        while (bits >= 8) {
            AppendHexByte(hex, accumulator & 0xFF);
            accumulator >>= 8;
            bits -= 8;
        }
    }
    if (bits > 0) {
        AppendHexByte(hex, accumulator & 0xFF);
    }
    return hex;
}

// Septet values (one per byte) of the packed octets, at most count of them.
std::string UnpackSeptetValues(std::string_view hex, std::size_t count)
{
    const std::size_t octets = hex.size() / 2;
    count = std::min(count, octets * 8 / 7);
    std::string septets;
    septets.reserve(count);
    unsigned accumulator = 0;
    int bits = 0;
    std::size_t octet = 0;
    while (septets.size() < count) {
        if (bits < 7) {
            accumulator |= static_cast<unsigned>(HexByte(hex.substr(2 * octet, 2)) & 0xFF) << bits;
            ++octet;
            bits += 8;
        }
        septets.push_back(static_cast<char>(accumulator & 0x7F));
        accumulator >>= 7;
        bits -= 7;
    }
    return septets;
}

// The user-data header at the front of userData (hex): its length in octets, the length
// octet included, and the concatenation element if there is one. 0 when it does not fit.
std::size_t ReadUserDataHeader(std::string_view userData, ConcatPart& part)
{
    if (userData.size() < 2 || !IsHexText(userData.substr(0, 2))) {
        return 0;
    }
    const std::size_t length = static_cast<std::size_t>(HexByte(userData)) + 1;
    if (2 * length > userData.size() || !IsHexText(userData.substr(0, 2 * length))) {
        return 0;
    }
    std::size_t pos = 1;
    while (pos + 2 <= length) {
        const int id = HexByte(userData.substr(2 * pos));
        const std::size_t size = static_cast<std::size_t>(HexByte(userData.substr(2 * pos + 2)));
        const std::size_t body = pos + 2;
        if (body + size > length) {
            break;
        }
        auto octet = [&](std::size_t i) { return HexByte(userData.substr(2 * (body + i))); };
        if (id == 0x00 && size == 3) {
            part = {octet(0), octet(1), octet(2)};
        } else if (id == 0x08 && size == 4) {
            part = {octet(0) * 256 + octet(1), octet(2), octet(3)};
        }
        pos = body + size;
    }
    // A part must know its place: numbered from 1 up to a total of at least 2.
    if (part.total < 2 || part.sequence < 1 || part.sequence > part.total) {
        part = {};
    }
    return length;
}

std::string SubmitHead(std::string_view number, bool requestReport, bool header)
{
    const bool report = number.size() == 11 && requestReport;
    std::string pdu = "00";
    pdu += header ? (report ? "71" : "51") : (report ? "31" : "11");
    pdu += "00";
    pdu += DestinationAddress(number);
    return pdu;
}

void AppendConcatHeader(std::string& pdu, int reference, std::size_t total, std::size_t sequence)
{
    pdu += "050003";
    AppendHexByte(pdu, static_cast<unsigned>(reference) & 0xFF);
    AppendHexByte(pdu, static_cast<unsigned>(total));
    AppendHexByte(pdu, static_cast<unsigned>(sequence));
}

} // namespace

int HexByte(std::string_view hex)
{
    return HexDigitValue(hex, 0) * 16 + HexDigitValue(hex, 1);
}

int HexWord(std::string_view hex)
{
    return HexDigitValue(hex, 0) * 4096 + HexDigitValue(hex, 1) * 256 + HexDigitValue(hex, 2) * 16 +
           HexDigitValue(hex, 3);
}

std::string BuildSubmitPdu(const MessageRecord& record, bool requestReport)
{
    const std::string number = record.Number();
    std::string pdu = "00";
    pdu += (number.size() == 11 && requestReport) ? "31" : "11";
    pdu += "00";
    pdu += DestinationAddress(number);

    const std::u16string units = GbkToUtf16(record.Text());
    bool allMapped = false;
    const std::string septets = GsmEncode(units, &allMapped);
    if (allMapped) {
        const std::string_view kept = CutSeptets(septets);
        pdu += "000000";
        AppendHexByte(pdu, static_cast<unsigned>(kept.size()));
        pdu += PackSeptetValues(kept);
    } else {
        std::size_t count = std::min(units.size(), kMaxUcs2Units);
        // Never keep the first half of a surrogate pair without its second half.
        if (count > 0 && count < units.size() && units[count - 1] >= 0xD800 && units[count - 1] < 0xDC00) {
            --count;
        }
        pdu += "000800";
        AppendHexByte(pdu, static_cast<unsigned>(2 * count));
        for (std::size_t i = 0; i < count; ++i) {
            AppendHexWord(pdu, units[i]);
        }
    }
    return pdu;
}

std::vector<std::string> BuildLongSubmitPdus(std::string_view number, std::string_view gbkText, bool requestReport,
                                             int reference)
{
    const std::string digits(number.substr(0, MessageRecord::kMaxNumberDigits));
    const std::u16string units = GbkToUtf16(gbkText);
    bool allMapped = false;
    const std::string septets = GsmEncode(units, &allMapped);

    // Cut points first: each part as [begin, end) in septets or in UTF-16 units.
    std::vector<std::pair<std::size_t, std::size_t>> parts;
    const std::size_t size = allMapped ? septets.size() : units.size();
    const std::size_t single = allMapped ? kMaxSeptets : kMaxUcs2Units;
    const std::size_t each = allMapped ? kPartSeptets : kPartUcs2Units;
    if (size <= single) {
        parts.emplace_back(0, size);
    } else {
        for (std::size_t begin = 0; begin < size;) {
            std::size_t end = std::min(begin + each, size);
            if (end < size) {
                if (allMapped) {
                    // An escape septet stays with the character it introduces.
                    std::size_t pos = begin;
                    while (pos < end) {
                        const std::size_t width = septets[pos] == kGsmEscape ? 2 : 1;
                        if (pos + width > end) {
                            break;
                        }
                        pos += width;
                    }
                    end = pos;
                } else if (units[end - 1] >= 0xD800 && units[end - 1] < 0xDC00) {
                    --end;
                }
            }
            parts.emplace_back(begin, end);
            begin = end;
            if (parts.size() > kMaxParts) {
                return {};
            }
        }
    }

    std::vector<std::string> pdus;
    const bool linked = parts.size() > 1;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const auto [begin, end] = parts[i];
        std::string pdu = SubmitHead(digits, requestReport, linked);
        pdu += allMapped ? "000000" : "000800";
        if (allMapped) {
            const std::string_view piece = std::string_view(septets).substr(begin, end - begin);
            // Six header octets are 48 bits; one fill bit brings the text to septet 7.
            AppendHexByte(pdu, static_cast<unsigned>(piece.size() + (linked ? 7 : 0)));
            if (linked) {
                AppendConcatHeader(pdu, reference, parts.size(), i + 1);
            }
            pdu += PackSeptetValues(piece, linked ? 1 : 0);
        } else {
            AppendHexByte(pdu, static_cast<unsigned>(2 * (end - begin) + (linked ? 6 : 0)));
            if (linked) {
                AppendConcatHeader(pdu, reference, parts.size(), i + 1);
            }
            for (std::size_t u = begin; u < end; ++u) {
                AppendHexWord(pdu, units[u]);
            }
        }
        pdus.push_back(std::move(pdu));
    }
    return pdus;
}

int SubmitCommandLength(std::string_view submitPdu)
{
    return static_cast<int>(submitPdu.size() / 2) - 1;
}

std::string PackSeptets(std::string_view text)
{
    return PackSeptetValues(CutSeptets(GsmEncode(GbkToUtf16(text))));
}

int SeptetLength(std::string_view text)
{
    bool allMapped = false;
    const std::string septets = GsmEncode(GbkToUtf16(text), &allMapped);
    return allMapped ? static_cast<int>(septets.size()) : -1;
}

std::string UnpackSeptets(std::string_view hex, std::size_t septetCount)
{
    const std::size_t octets = hex.size() / 2;
    std::string septets = UnpackSeptetValues(hex, septetCount);
    // Seven fill bits look like one more septet "@"; without a length it can only be
    // told by position: a whole septet of fill is there only when 8 * octets is a
    // multiple of 7.
    if (septetCount == kAllSeptets && octets > 0 && (octets * 8) % 7 == 0 && !septets.empty() &&
        septets.back() == '\0') {
        septets.pop_back();
    }
    return Utf16ToGbk(GsmDecode(septets));
}

bool DecodeReadResponse(std::string_view reply, const LinkClock& clock, MessageRecord& record, DeliveryReport& report,
                        ConcatPart* part)
{
    if (part != nullptr) {
        *part = {};
    }
    record.timeStamp = clock.LocalNow();
    record.SetNumber({});
    record.SetText({});

    // The data unit is the line after the "+CMGR:" header; a reply of some other shape
    // is taken whole.
    std::string_view line = reply;
    if (reply.size() > 8) {
        const std::size_t lineBreak = reply.find("\r\n", 8);
        if (lineBreak != std::string_view::npos) {
            const std::size_t start = lineBreak + 2;
            if (start > 3 && start + 10 < reply.size()) {
                const std::size_t end = reply.find("\r\n", start + 8);
                line = reply.substr(start, end == std::string_view::npos ? end : end - start);
            }
        }
    }

    Cursor cursor(line);
    const auto centreLength = cursor.TakeOctet();
    if (!centreLength || !cursor.Take(2 * static_cast<std::size_t>(*centreLength))) {
        return false;
    }
    const auto firstOctet = cursor.TakeOctet();
    if (!firstOctet) {
        return false;
    }
    if ((*firstOctet & 0x03) != 0) {
        if (!cursor.Take(2)) {
            return false;
        }
        report = DecodeStatusReport(cursor.Rest());
        return true;
    }

    const auto number = TakeAddress(cursor);
    const auto protocol = cursor.TakeOctet();
    const auto coding = cursor.TakeOctet();
    const auto serviceCentreTime = cursor.Take(14);
    const auto userDataLength = cursor.Take(2);
    if (!number || !protocol || !coding || !serviceCentreTime || !userDataLength) {
        return false;
    }
    std::string_view userData = cursor.Rest().substr(0, kMaxUserDataChars);

    // A header (TP-UDHI) is taken off the front; in 7-bit text it ends on a septet boundary.
    ConcatPart concat;
    std::size_t headerOctets = 0;
    if ((*firstOctet & 0x40) != 0) {
        headerOctets = ReadUserDataHeader(userData, concat);
        if (headerOctets == 0) {
            headerOctets = userData.size() / 2; // a header that does not fit leaves no text to trust
        }
    }

    std::string text;
    if (*coding == 8) {
        text = DecodeUcs2(userData.substr(2 * headerOctets));
    } else if (*coding == 4) {
        text = DecodeEightBit(userData.substr(2 * headerOctets));
    } else if (headerOctets > 0) {
        const std::size_t skip = (headerOctets * 8 + 6) / 7;
        const std::size_t septets =
            IsHexText(*userDataLength) ? static_cast<std::size_t>(HexByte(*userDataLength)) : kAllSeptets;
        const std::string values = UnpackSeptetValues(userData, septets);
        text = skip < values.size() ? Utf16ToGbk(GsmDecode(std::string_view(values).substr(skip))) : std::string();
    } else {
        // TP-UDL counts septets here; it keeps fill bits from reading as a final "@".
        const std::size_t septets =
            IsHexText(*userDataLength) ? static_cast<std::size_t>(HexByte(*userDataLength)) : kAllSeptets;
        text = UnpackSeptets(userData, septets);
    }
    if (part != nullptr) {
        *part = concat;
    }

    record.SetNumber(*number);
    record.SetText(text);
    record.result = 5;
    ApplyTimeStamp(SwappedTime(*serviceCentreTime), record.timeStamp);
    return false;
}

DeliveryReport DecodeStatusReport(std::string_view pdu)
{
    DeliveryReport report;
    Cursor cursor(pdu);
    const auto number = TakeAddress(cursor);
    if (!number) {
        return report;
    }
    report.number = *number;

    // TP-SCTS (14), TP-DT (14), TP-ST (2).
    const std::string_view times = cursor.Rest();
    if (times.size() >= 30) {
        const std::string_view sent = times.substr(0, 12);
        const std::string_view received = times.substr(14, 12);
        if (IsDigitText(sent) && IsDigitText(received)) {
            report.sendTime = SwappedTime(sent);
            report.receiveTime = SwappedTime(received);
        }
    }
    return report;
}
