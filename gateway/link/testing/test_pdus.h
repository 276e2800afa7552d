#pragma once

#include <string>

// Data units as a modem stores them, for tests: an SMS-DELIVER and an SMS-STATUS-REPORT in
// upper-case hex, without a service centre address. Time stamps are "YYMMDDhhmmss".
namespace test_pdus {

// An 11-digit number goes as international with 86 in front, anything else as unknown type.
std::string Address(const std::string& number);
// text is GBK; it goes as 7-bit when the GSM alphabet holds it, else as UCS-2 (dcs 8).
std::string Deliver(const std::string& number, const std::string& text, const std::string& stamp = "260315123456");
std::string DeliverWithDcs(const std::string& number, const std::string& userDataHex, int dcs, int udl,
                           const std::string& stamp = "260315123456");
// What the recipient's modem stores for a data unit we submitted (its header, coding and
// user data), as from number.
std::string DeliverFromSubmit(const std::string& number, const std::string& submitPdu,
                              const std::string& stamp = "260315123456");
std::string StatusReport(const std::string& number, const std::string& sendStamp, const std::string& dischargeStamp);

} // namespace test_pdus
