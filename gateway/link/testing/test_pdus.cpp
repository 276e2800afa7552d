#include "test_pdus.h"

#include <cstdio>

#include "gbk_text.h"
#include "pdu_codec.h"

namespace test_pdus {

namespace {

std::string Hex2(int value)
{
    char text[3];
    std::snprintf(text, sizeof text, "%02X", value & 0xFF);
    return text;
}

std::string Swapped(const std::string& digits)
{
    std::string out;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        const char first = digits[i];
        const char second = i + 1 < digits.size() ? digits[i + 1] : 'F';
        out += second;
        out += first;
    }
    return out;
}

std::string Stamp(const std::string& stamp)
{
    return Swapped(stamp) + "23"; // time zone +8 h in quarter hours, swapped
}

} // namespace

std::string Address(const std::string& number)
{
    if (number.size() == 11)
        return Hex2(13) + "91" + Swapped("86" + number);
    return Hex2(static_cast<int>(number.size())) + "81" + Swapped(number);
}

std::string DeliverWithDcs(const std::string& number, const std::string& userDataHex, int dcs, int udl,
                           const std::string& stamp)
{
    return "00"
           "04" +
           Address(number) + "00" + Hex2(dcs) + Stamp(stamp) + Hex2(udl) + userDataHex;
}

std::string Deliver(const std::string& number, const std::string& text, const std::string& stamp)
{
    const int septets = SeptetLength(text);
    if (septets >= 0)
        return DeliverWithDcs(number, PackSeptets(text), 0, septets, stamp);
    std::string hex;
    const std::u16string units = GbkToUtf16(text);
    for (const char16_t unit : units) {
        hex += Hex2(unit >> 8);
        hex += Hex2(unit);
    }
    return DeliverWithDcs(number, hex, 8, static_cast<int>(units.size() * 2), stamp);
}

std::string DeliverFromSubmit(const std::string& number, const std::string& submitPdu, const std::string& stamp)
{
    // 00, first octet, TP-MR, TP-DA (length in digits, type, digits), PID, DCS, VP.
    const int firstOctet = HexByte(submitPdu.substr(2, 2));
    const std::size_t digits = static_cast<std::size_t>(HexByte(submitPdu.substr(6, 2)));
    std::size_t pos = 6 + 4 + digits + (digits & 1);
    const std::string dcs = submitPdu.substr(pos + 2, 2);
    pos += 6;
    const std::string userData = submitPdu.substr(pos); // TP-UDL and TP-UD
    return std::string("00") + ((firstOctet & 0x40) != 0 ? "44" : "04") + Address(number) + "00" + dcs + Stamp(stamp) +
           userData;
}

std::string StatusReport(const std::string& number, const std::string& sendStamp, const std::string& dischargeStamp)
{
    return "00"
           "06"
           "2A" +
           Address(number) + Stamp(sendStamp) + Stamp(dischargeStamp) + "00";
}

} // namespace test_pdus
