// Fuzz entry for the decoders that see what a modem or the network delivers, and for
// the encoder fed with whatever a host may queue. Built as a libFuzzer target with
// clang; the unit tests also drive it with mutated replies.
#include "gbk_text.h"
#include "pdu_codec.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

class FuzzClock final : public LinkClock {
public:
    LinkTime LocalNow() const override { return LinkTime{2026, 6, 1, 1, 12, 0, 0, 0}; }
};

void Require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

void CheckRecord(const MessageRecord& record)
{
    Require(strnlen(record.number, sizeof record.number) <= MessageRecord::kMaxNumberDigits);
    Require(strnlen(record.text, sizeof record.text) < sizeof record.text);
}

void CheckReport(const DeliveryReport& report)
{
    Require(report.number.size() <= MessageRecord::kMaxNumberDigits);
    Require(report.sendTime.empty() || report.sendTime.size() == 14);
    Require(report.receiveTime.empty() || report.receiveTime.size() == 14);
}

// A data unit may only hold printable characters: a control byte would end it early on
// the serial line.
void CheckSubmit(const std::string& pdu)
{
    Require(pdu.size() <= kMaxSubmitPduChars && pdu.size() % 2 == 0);
    for (const char c : pdu) {
        Require(c > ' ' && c < 0x7F);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const FuzzClock clock;

    // The input as a whole reply, and as the data unit line inside a well-formed reply.
    const std::string framed = "\r\n+CMGR: 0,,24\r\n" + std::string(input) + "\r\n\r\nOK\r\n";
    for (const std::string_view reply : {input, std::string_view(framed)}) {
        MessageRecord record;
        DeliveryReport report;
        DecodeReadResponse(reply, clock, record, report);
        CheckRecord(record);
        CheckReport(report);
    }
    CheckReport(DecodeStatusReport(input));
    UnpackSeptets(input);
    if (size > 0) {
        UnpackSeptets(input.substr(1), data[0]);
    }

    // The first byte splits number and text of an outgoing message.
    if (size > 0) {
        const std::size_t split = std::min<std::size_t>(data[0] % 32, size - 1);
        MessageRecord outgoing;
        outgoing.SetNumber(input.substr(1, split));
        outgoing.SetText(input.substr(1 + split, 160));
        const std::string pdu = BuildSubmitPdu(outgoing, (data[0] & 0x80) != 0);
        CheckSubmit(pdu);
        Require(SubmitCommandLength(pdu) == static_cast<int>(pdu.size() / 2) - 1);
    }
    return 0;
}
