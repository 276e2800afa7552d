#pragma once

#include "link_clock.h"
#include "message_record.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

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

// Where a received part of a concatenated message belongs (user-data header element 00
// with an 8-bit reference, or 08 with a 16-bit one). total 0: not a part.
struct ConcatPart {
    int reference = 0;
    int total = 0;
    int sequence = 0;
};

inline constexpr std::size_t kMaxSubmitPduChars = 499;
// Per part of a concatenated message: the six octets of the header leave 153 septets or
// 67 UCS-2 units. A message has at most 255 parts.
inline constexpr std::size_t kPartSeptets = 153;
inline constexpr std::size_t kPartUcs2Units = 67;
inline constexpr std::size_t kMaxParts = 255;
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
// The SMS-SUBMIT hex texts of a text of any length: one data unit without a header when
// it fits one message, else linked parts carrying reference (0..255), their count and
// their number. 7-bit parts never split an extension character, UCS-2 parts never a
// surrogate pair. Empty when it would take more than kMaxParts parts.
std::vector<std::string> BuildLongSubmitPdus(std::string_view number, std::string_view gbkText, bool requestReport,
                                             int reference);
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
// A user-data header (TP-UDHI) is not part of the text; when it marks the message as one
// part of a longer one, part (if given) says which.
bool DecodeReadResponse(std::string_view reply, const LinkClock& clock, MessageRecord& record, DeliveryReport& report,
                        ConcatPart* part = nullptr);
// The status-report body starting at the recipient address (after TP-MTI and TP-MR).
DeliveryReport DecodeStatusReport(std::string_view pdu);
