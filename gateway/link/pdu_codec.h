#pragma once

#include "link_clock.h"
#include "message_record.h"

#include <cstddef>
#include <string>
#include <string_view>

// SMS data units as the hexadecimal text a modem exchanges in PDU mode: the SMS-SUBMIT
// we send, and the SMS-DELIVER or SMS-STATUS-REPORT a "+CMGR" reply carries. Pure
// functions on strings; text is GBK bytes. Nothing here reads or writes outside its
// input, however malformed the input is.

// A delivery report read back from the modem. Times are "20YYMMDDhhmmss" or empty.
struct DeliveryReport {
    std::string number;
    std::string sendTime;
    std::string receiveTime;
};

inline constexpr std::size_t kMaxSubmitPduChars = 499;
inline constexpr std::size_t kMaxSeptets = 160;
inline constexpr std::size_t kMaxUcs2Units = 70;
// UnpackSeptets: take every septet the octets hold.
inline constexpr std::size_t kAllSeptets = static_cast<std::size_t>(-1);

// Two hex characters as one value; four as one 16-bit value. Upper and lower case are
// accepted; other characters give meaningless (but defined) values, and characters past
// the end of the text count as "0".
int HexByte(std::string_view hex);
int HexWord(std::string_view hex);

// The SMS-SUBMIT hex text (upper case, at most kMaxSubmitPduChars) for the record's
// number and text. A status report is requested only for 11-character numbers.
std::string BuildSubmitPdu(const MessageRecord& record, bool requestReport);
// The number that follows "AT+CMGS=": the octets after the service centre field.
int SubmitCommandLength(std::string_view submitPdu);

// GBK text -> GSM 7-bit default alphabet (with the extension table) -> packed octets as
// upper-case hex. At most kMaxSeptets septets are packed, never splitting an escape
// pair; a character outside the alphabet goes as "?".
std::string PackSeptets(std::string_view text);
// Number of septets the text takes in the GSM default alphabet (extension characters
// count two); -1 when some character is outside the alphabet.
int SeptetLength(std::string_view text);
// Packed octets as hex -> GBK text, translated from the GSM default alphabet. With
// septetCount (TP-UDL) the trailing fill bits are told apart from an "@"; without it, a
// last septet made only of fill bits is dropped.
std::string UnpackSeptets(std::string_view hex, std::size_t septetCount = kAllSeptets);

// Decodes a reply from "\r\n+CMGR:" up to and including "\r\nOK\r\n". Returns true when
// it carried a delivery report (written into report); false for a received message
// (number, text and time stamp written into record; result set to 5). A data unit that
// makes no sense leaves the number empty.
bool DecodeReadResponse(std::string_view reply, const LinkClock& clock, MessageRecord& record,
                        DeliveryReport& report);
// The status-report body starting at the recipient address (after TP-MTI and TP-MR).
DeliveryReport DecodeStatusReport(std::string_view pdu);
