#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

// The three transfer data units the simulated modem handles: it decodes the SMS-SUBMIT a
// terminal hands over after the prompt, and builds the SMS-DELIVER and SMS-STATUS-REPORT it
// stores for the terminal to read. Hex texts carry the service centre address in front.
namespace gsmsim {

// A service-centre time stamp; the zone in quarter hours east of UTC.
struct SmsTime {
    int year = 2000;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int zoneQuarters = 0;
};

// "YYYY-MM-DDTHH:MM:SS" with an optional "Z" or "+HH:MM"; without a zone the local one.
bool ParseSmsTime(std::string_view text, SmsTime* out);
SmsTime LocalSmsTime(std::time_t when);
std::string FormatSmsTime(const SmsTime& time);

enum class Alphabet { kGsm7, kData8, kUcs2 };
// The alphabet a data coding scheme selects (general, message-waiting and class groups).
Alphabet AlphabetOfDcs(int dcs);
const char* AlphabetName(Alphabet alphabet);

struct SubmitMessage {
    int tpduLength = 0; // octets after the service centre address
    int firstOctet = 0;
    bool statusReport = false; // TP-SRR
    int messageRef = 0;        // TP-MR as sent
    std::string digits;        // destination as written, without "+"
    int toa = 0;               // type of address of the destination
    std::string number;        // digits, with "+" in front for the international type
    int pid = 0;
    int dcs = 0;
    Alphabet alphabet = Alphabet::kGsm7;
    int validityFormat = 0;     // TP-VPF
    std::string userDataHeader; // hex, empty without TP-UDHI
    std::string text;           // UTF-8 (8-bit data as Latin-1 characters)
};

// False with a reason when the hex is not a well-formed SMS-SUBMIT.
bool DecodeSubmit(std::string_view hex, SubmitMessage* out, std::string* error);

struct DeliverSpec {
    std::string smsc;   // "+..." international, digits unknown type, empty for none
    std::string sender; // "+..." international, digits unknown type, otherwise alphanumeric
    SmsTime time;
    int dcs = -1;     // -1: 7-bit when the text fits the alphabet, else UCS-2
    std::string text; // UTF-8
};

// False with a reason when the text does not fit one message in the chosen alphabet.
bool BuildDeliver(const DeliverSpec& spec, std::string* hex, int* tpduLength, std::string* error);

struct DeliverPart {
    std::string hex;
    int tpduLength = 0;
    std::string text; // this part's share of the text
};

// The message as a phone sends it: one unit when it fits, else linked parts (IEI 00 with
// the reference, 153 septets or 67 UCS-2 units each; an escaped character or a surrogate
// pair is never split). False with a reason when it needs more than 255 parts.
bool BuildDeliverParts(const DeliverSpec& spec, int reference, std::vector<DeliverPart>* parts, std::string* error);

struct ReportSpec {
    std::string smsc;
    int messageRef = 0;
    std::string recipientDigits;
    int recipientToa = 0x81;
    SmsTime submitTime;
    SmsTime dischargeTime;
    int status = 0; // TP-ST, 0 = delivered
};

std::string BuildStatusReport(const ReportSpec& spec, int* tpduLength);

} // namespace gsmsim
