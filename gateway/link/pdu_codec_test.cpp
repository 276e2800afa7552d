#include "pdu_codec.h"

#include "gbk_text.h"
#include "test_pdus.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

class FixedClock final : public LinkClock {
public:
    explicit FixedClock(LinkTime now) : m_now(now) {}
    LinkTime LocalNow() const override { return m_now; }

private:
    LinkTime m_now;
};

// Wednesday 2026-06-10 09:08:07.006
const LinkTime kNow{2026, 6, 3, 10, 9, 8, 7, 6};
const std::string kHome = "0D91683118325476F8"; // 8613812345678, international
const std::string kStamp = "62305121436523";    // 2026-03-15 12:34:56, zone +8h

std::string Gbk(const char* utf8)
{
    return Utf8ToGbk(utf8);
}

MessageRecord Outgoing(const std::string& number, const std::string& gbkText)
{
    MessageRecord record;
    record.SetNumber(number);
    record.SetText(gbkText);
    return record;
}

std::string Reply(const std::string& pdu)
{
    return "\r\n+CMGR: 0,,24\r\n" + pdu + "\r\n\r\nOK\r\n";
}

// A received message from 8613812345678 with the given coding, length and user data.
std::string Deliver(const std::string& coding, const std::string& length, const std::string& userData,
                    const std::string& stamp = kStamp)
{
    return Reply("0004" + kHome + "00" + coding + stamp + length + userData);
}

struct Decoded {
    bool isReport = false;
    MessageRecord record;
    DeliveryReport report;
};

// Septet values packed as they are, for septet sequences no text produces.
std::string PackRaw(std::initializer_list<int> septets)
{
    std::string hex;
    unsigned accumulator = 0;
    int bits = 0;
    char digits[3];
    for (const int septet : septets) {
        accumulator |= static_cast<unsigned>(septet) << bits;
        for (bits += 7; bits >= 8; bits -= 8, accumulator >>= 8) {
            std::snprintf(digits, sizeof digits, "%02X", accumulator & 0xFF);
            hex += digits;
        }
    }
    if (bits > 0) {
        std::snprintf(digits, sizeof digits, "%02X", accumulator & 0xFF);
        hex += digits;
    }
    return hex;
}

Decoded Decode(const std::string& reply, const LinkTime& now = kNow)
{
    Decoded decoded;
    decoded.isReport = DecodeReadResponse(reply, FixedClock(now), decoded.record, decoded.report);
    return decoded;
}

// ---- SMS-SUBMIT ------------------------------------------------------------------------

TEST(BuildSubmitPdu, ExamplesGiveTheExactDataUnitAndCommandLength)
{
    struct Case {
        const char* number;
        std::string text;
        bool report;
        const char* pdu;
        int commandLength;
    };
    const Case cases[] = {
        {"13812345678", "abc", false, "0011000D91683118325476F80000000361F118", 18},
        {"13812345678", Gbk("你好"), true, "0031000D91683118325476F8000800044F60597D", 19},
        {"10086", "abc", true, "00110005810180F60000000361F118", 14},
        {"1381234567", "abc", false, "0011000A8131183254760000000361F118", 16},
        {"138123456789", "abc", false, "0011000C813118325476980000000361F118", 17},
        {"13812345678", "   ", false, "0011000D91683118325476F800000003201008", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        const std::string pdu = BuildSubmitPdu(Outgoing(c.number, c.text), c.report);
        std::string expected = c.pdu;
        std::erase(expected, ' ');
        EXPECT_EQ(pdu, expected);
        EXPECT_EQ(SubmitCommandLength(pdu), static_cast<int>(expected.size() / 2) - 1);
        if (c.commandLength != 0) {
            EXPECT_EQ(SubmitCommandLength(pdu), c.commandLength);
        }
    }
}

TEST(BuildSubmitPdu, ChoosesCodingAndCutsToTheLimits)
{
    const std::string ascii161(161, 'a');
    std::string chinese80;
    for (int i = 0; i < 80; ++i) {
        chinese80 += Gbk("码");
    }
    struct Case {
        const char* what;
        std::string text;
        const char* codingAndLength; // TP-PID TP-DCS TP-VP TP-UDL
    };
    const Case cases[] = {
        {"161 characters go as 160 septets", ascii161, "000000A0"},
        {"one Chinese character among ASCII goes as UCS-2", "ab" + Gbk("码") + "c", "00080008"},
        {"80 Chinese characters keep 70 units", chinese80, "0008008C"},
        {"a backtick has no GSM septet", "a`b", "00080006"},
        {"a tab has no GSM septet", "a\tb", "00080006"},
        {"the euro sign is a GSM extension character", Gbk("€5"), "00000003"},
        {"Latin and Greek letters of the GSM alphabet stay 7-bit", Gbk("é£ΔΩ"), "00000004"},
        {"80 brackets fill 160 septets", std::string(80, '['), "000000A0"},
        {"an escape pair is never split at the limit", "a" + std::string(80, '['), "0000009F"},
        {"empty text", "", "00000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string pdu = BuildSubmitPdu(Outgoing("13812345678", c.text), false);
        EXPECT_EQ(pdu.substr(24, 8), c.codingAndLength);
        const std::size_t length = HexByte(pdu.substr(30, 2));
        const bool ucs2 = pdu.substr(26, 2) == "08";
        const std::size_t userDataChars = ucs2 ? 2 * length : 2 * ((length * 7 + 7) / 8);
        EXPECT_EQ(pdu.size(), 32 + userDataChars);
        EXPECT_LE(pdu.size(), kMaxSubmitPduChars);
    }
}

TEST(BuildSubmitPdu, NeverSplitsASurrogatePairAtTheUcs2Limit)
{
    // 69 Chinese characters, then one outside the basic plane (two UTF-16 units).
    std::string text;
    for (int i = 0; i < 69; ++i) {
        text += Gbk("码");
    }
    text += Gbk("😀");
    const std::string pdu = BuildSubmitPdu(Outgoing("13812345678", text), false);
    EXPECT_EQ(pdu.substr(30, 2), "8A"); // 69 units
    EXPECT_EQ(pdu.size(), 32u + 69 * 4);
}

TEST(BuildSubmitPdu, ControlBytesInTheNumberNeverReachTheSerialLine)
{
    // Ctrl-Z would end the data unit early and turn the rest into commands.
    const std::string pdu = BuildSubmitPdu(Outgoing("12\x1A\r4", "abc"), false);
    EXPECT_EQ(pdu.substr(0, 16), "001100058121?"
                                 "?F4");
    for (const char c : pdu) {
        EXPECT_GT(c, ' ');
    }
}

// ---- GSM 7-bit packing -----------------------------------------------------------------

TEST(PackSeptets, PacksThroughTheGsmDefaultAlphabet)
{
    struct Case {
        std::string text;
        const char* hex;
    };
    const Case cases[] = {
        {"abc", "61F118"},
        {"hellohello", "E8329BFD4697D9EC37"},
        {"   ", "201008"},
        {"@", "00"}, // septet 0, not byte 0x40
        {"$", "02"}, // not 0x24, which phones show as the currency sign
        {"_", "11"},
        {"[", "1B1E"},        // escape 0x1B, then 0x3C
        {Gbk("€"), "9B32"},   // escape, then 0x65
        {Gbk("£¥"), "81 01"}, // 0x01 0x03
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string expected = c.hex;
        std::erase(expected, ' ');
        EXPECT_EQ(PackSeptets(c.text), expected);
    }
}

TEST(PackSeptets, CountsExtensionCharactersAsTwoSeptets)
{
    EXPECT_EQ(SeptetLength("a[b]"), 6);
    EXPECT_EQ(SeptetLength(Gbk("{}\\^~|€")), 14);
    EXPECT_EQ(SeptetLength("a`"), -1);
    EXPECT_EQ(SeptetLength(Gbk("你")), -1);
}

TEST(UnpackSeptets, TranslatesAndKeepsTheAtSign)
{
    struct Case {
        std::string text;
    };
    const std::string specials = Gbk("@£$¥èéùìòÇ\nØø\rÅåΔ_ΦΓΛΩΠΨΣΘΞÆæßÉ !\"#¤%&'()*+,-./09:;<=>?¡AZÄÖÑÜ§¿azäöñüà");
    for (const std::string& text : {std::string("a@b"), std::string("@@@"), std::string("x^{}\\[~]|y"), specials,
                                    Gbk("€"), std::string("hello@")}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(UnpackSeptets(PackSeptets(text)), text);
    }
}

TEST(UnpackSeptets, TellsFillBitsFromAFinalAtSign)
{
    // Seven septets leave seven fill bits, which read as one more septet "@".
    const std::string seven = PackSeptets("abcdefg");
    ASSERT_EQ(seven.size(), 14u);
    EXPECT_EQ(UnpackSeptets(seven), "abcdefg");
    EXPECT_EQ(UnpackSeptets(seven, 7), "abcdefg");
    // With the length from the data unit an eighth septet "@" is real.
    const std::string eight = PackSeptets("abcdefg@");
    EXPECT_EQ(eight, seven);
    EXPECT_EQ(UnpackSeptets(eight, 8), "abcdefg@");
    // A length beyond the data is cut to what is there.
    EXPECT_EQ(UnpackSeptets(PackSeptets("abc"), 200), "abc");
}

TEST(UnpackSeptets, ShowsAnUnknownExtensionAsItsOrdinaryCharacter)
{
    EXPECT_EQ(UnpackSeptets(PackRaw({0x61, 0x1B, 0x61, 0x62})), "aab");
    EXPECT_EQ(UnpackSeptets(PackRaw({0x61, 0x1B})), "a");
}

// ---- Decoding replies ------------------------------------------------------------------

TEST(DecodeReadResponse, ExampleGivesNumberTextAndTime)
{
    const Decoded d = Decode(Reply("00040D91683118325476F8000862305121436523044F60597D"));
    EXPECT_FALSE(d.isReport);
    EXPECT_EQ(d.record.Number(), "13812345678");
    EXPECT_EQ(d.record.Text(), "\xC4\xE3\xBA\xC3");
    EXPECT_EQ(d.record.result, 5);
    const LinkTime& t = d.record.timeStamp;
    EXPECT_EQ((std::vector<int>{t.year, t.month, t.day, t.hour, t.minute, t.second}),
              (std::vector<int>{2026, 3, 15, 12, 34, 56}));
}

TEST(DecodeReadResponse, ReadsEachCodingAndAddress)
{
    struct Case {
        const char* what;
        std::string reply;
        const char* number;
        std::string text;
    };
    const Case cases[] = {
        {"service centre address present",
         Reply("0891683108200505F0040D91683118325476F80000" + kStamp + "0AE8329BFD4697D9EC37"), "13812345678",
         "hellohello"},
        {"short number keeps its digits", Reply("000405810180F60000" + kStamp + "0361F118"), "10086", "abc"},
        {"7-bit with @ and $ inside", Deliver("00", "05", PackSeptets("a@b$c")), "13812345678", "a@b$c"},
        {"TP-DCS 0x18 is read as 7-bit", Deliver("18", "03", "61F118"), "13812345678", "abc"},
        {"TP-DCS 0x08 is UCS-2", Deliver("08", "04", "4F60597D"), "13812345678", Gbk("你好")},
        {"8-bit ends at the first zero byte", Deliver("04", "06", "616200636465"), "13812345678", "ab"},
        {"lower-case hex", Reply("00040d91683118325476f8000862305121436523044f60597d"), "13812345678", Gbk("你好")},
        {"unpaired UTF-16 unit becomes ?", Deliver("08", "04", "0041D800"), "13812345678", "A?"},
        {"no trailing line break after the data unit",
         "\r\n+CMGR: 0,,24\r\n00040D91683118325476F8000862305121436523044F60597D", "13812345678", Gbk("你好")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Decoded d = Decode(c.reply);
        EXPECT_FALSE(d.isReport);
        EXPECT_EQ(d.record.Number(), c.number);
        EXPECT_EQ(d.record.Text(), c.text);
    }
}

TEST(DecodeReadResponse, ChecksTheTimeStampFieldByField)
{
    struct Case {
        const char* what;
        std::string stamp; // as on the air: swapped pairs
        LinkTime expected;
    };
    const LinkTime now = kNow;
    const Case cases[] = {
        {"valid", kStamp, {2026, 3, 3, 15, 12, 34, 56, 6}},
        {"a year ahead is accepted", "72305121436523", {2027, 3, 3, 15, 12, 34, 56, 6}},
        {"two years off keeps the current time", "82305121436523", now},
        {"month 13 keeps only the year", "52315121436523", {2025, 6, 3, 10, 9, 8, 7, 6}},
        {"day 32 keeps year and month", "62302321436523", {2026, 3, 3, 10, 9, 8, 7, 6}},
        {"hour 24 is accepted", "62305142436523", {2026, 3, 3, 15, 24, 34, 56, 6}},
        {"minute 61 stops at the minute", "62305121166523", {2026, 3, 3, 15, 12, 8, 7, 6}},
        {"a non-digit keeps the current time", "6A305121436523", now},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const LinkTime t = Decode(Deliver("00", "03", "61F118", c.stamp)).record.timeStamp;
        EXPECT_EQ((std::vector<int>{t.year, t.month, t.dayOfWeek, t.day, t.hour, t.minute, t.second, t.milliseconds}),
                  (std::vector<int>{c.expected.year, c.expected.month, c.expected.dayOfWeek, c.expected.day,
                                    c.expected.hour, c.expected.minute, c.expected.second, c.expected.milliseconds}));
    }
}

TEST(DecodeReadResponse, ReadsDeliveryReports)
{
    const std::string full = "0891683108200505F0060B" + kHome + kStamp + "62305121536523" + "00";
    const Decoded d = Decode(Reply(full));
    EXPECT_TRUE(d.isReport);
    EXPECT_EQ(d.report.number, "13812345678");
    EXPECT_EQ(d.report.sendTime, "20260315123456");
    EXPECT_EQ(d.report.receiveTime, "20260315123556");

    // Fewer than 30 characters after the address: a number but no times.
    const Decoded shortReport = Decode(Reply("00060C" + kHome + "6230512143652362305121"));
    EXPECT_TRUE(shortReport.isReport);
    EXPECT_EQ(shortReport.report.number, "13812345678");
    EXPECT_EQ(shortReport.report.sendTime, "");
    EXPECT_EQ(shortReport.report.receiveTime, "");
}

TEST(DecodeStatusReport, ReadsRecipientAndTimes)
{
    struct Case {
        const char* what;
        std::string body;
        DeliveryReport expected;
    };
    const Case cases[] = {
        {"home number", kHome + kStamp + "62305121536523" + "00", {"13812345678", "20260315123456", "20260315123556"}},
        {"short number",
         "05810180F6" + kStamp + "62305121536523" + "00",
         {"10086", "20260315123456", "20260315123556"}},
        {"29 characters after the address", kHome + std::string(29, '0'), {"13812345678", "", ""}},
        {"times that are not digits", kHome + std::string(30, 'A'), {"13812345678", "", ""}},
        {"address longer than the data", "0D91683118", {"", "", ""}},
        {"address with non-hex digits", "0591G1H0F6" + kStamp + kStamp + "00", {"", "", ""}},
        {"nothing", "", {"", "", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const DeliveryReport report = DecodeStatusReport(c.body);
        EXPECT_EQ(report.number, c.expected.number);
        EXPECT_EQ(report.sendTime, c.expected.sendTime);
        EXPECT_EQ(report.receiveTime, c.expected.receiveTime);
    }
}

TEST(DecodeReadResponse, NumbersAreCutToTwentyDigits)
{
    // An address of 24 digits, not prefixed with 86.
    const Decoded d = Decode(Reply("0004189112345678901234567890123400006230512143652303"
                                   "61F118"));
    EXPECT_EQ(d.record.Number(), "21436587092143658709");
}

// ---- Round trips: what we send reads back through the receive decoder --------------------

// The user data of a SUBMIT to 13812345678, replayed as a DELIVER from that number.
Decoded ReadBack(const std::string& gbkText)
{
    const std::string submit = BuildSubmitPdu(Outgoing("13812345678", gbkText), false);
    return Decode(Deliver(submit.substr(26, 2), submit.substr(30, 2), submit.substr(32)));
}

TEST(RoundTrip, SevenBitTextsOfEveryLength)
{
    // Includes "@" (septet 0) and extension characters at every position.
    const std::string alphabet = Gbk("@a$_[b]c{d}e€f~g|h\\i^jÄöñ £k");
    std::u16string units = GbkToUtf16(alphabet);
    for (std::size_t length = 0; length <= kMaxSeptets; ++length) {
        std::u16string text;
        std::size_t septets = 0;
        for (std::size_t i = 0; septets < length; ++i) {
            const char16_t c = units[i % units.size()];
            const std::size_t width = std::u16string_view(u"[]{}~|\\^€").find(c) != std::u16string_view::npos ? 2 : 1;
            if (septets + width > length) {
                text.push_back(u'x');
                ++septets;
                continue;
            }
            text.push_back(c);
            septets += width;
        }
        const std::string gbk = Utf16ToGbk(text);
        SCOPED_TRACE(length);
        ASSERT_EQ(SeptetLength(gbk), static_cast<int>(length));
        const Decoded d = ReadBack(gbk);
        EXPECT_EQ(d.record.Number(), "13812345678");
        // Every GSM character is at most 2 GBK bytes; the record keeps 199.
        EXPECT_EQ(d.record.Text(), std::string(CutGbk(gbk, MessageRecord::kTextSize - 1)));
    }
}

TEST(RoundTrip, Ucs2TextsOfEveryLength)
{
    const std::u16string pool = u"你好码真伪查询€a1😀";
    for (std::size_t length = 1; length <= kMaxUcs2Units; ++length) {
        std::u16string text;
        for (std::size_t i = 0; text.size() < length; ++i) {
            const char16_t c = pool[i % pool.size()];
            if (c >= 0xD800 && c < 0xDC00 && text.size() + 2 > length) {
                text.push_back(u'码');
                continue;
            }
            text.push_back(c);
            if (c >= 0xD800 && c < 0xDC00) {
                text.push_back(pool[++i % pool.size()]);
            }
        }
        SCOPED_TRACE(length);
        const std::string gbk = Utf16ToGbk(text);
        const Decoded d = ReadBack(gbk);
        EXPECT_EQ(d.record.Text(), gbk);
    }
}

// ---- Hostile input ---------------------------------------------------------------------

TEST(HostileInput, EveryCutOfAValidReplyIsSafeAndAHeaderCutGivesNoNumber)
{
    const std::string pdu = "0891683108200505F0040D91683118325476F80000" + kStamp + "0AE8329BFD4697D9EC37";
    // The header ends after TP-UDL; user data may be cut anywhere.
    const std::size_t headerEnd = pdu.size() - 18;
    for (std::size_t cut = 0; cut <= pdu.size(); ++cut) {
        SCOPED_TRACE(cut);
        const Decoded d = Decode(Reply(pdu.substr(0, cut)));
        if (cut < headerEnd) {
            EXPECT_EQ(d.record.Number(), "");
        } else {
            EXPECT_EQ(d.record.Number(), "13812345678");
        }
        Decode(pdu.substr(0, cut));
    }
}

TEST(HostileInput, MalformedUnitsGiveNoNumber)
{
    const std::string cases[] = {
        "",
        "\r\n+CMGR:",
        "\r\n+CMGR: 0,,24\r\n\r\n\r\nOK\r\n",
        Reply("FF"),                              // service centre longer than the line
        Reply("0004FF91" + std::string(40, '1')), // originator longer than the line
        Reply("0004" + std::string("0D91G83118325476F8") + "0000" + kStamp + "0361F118"), // non-hex digit
        Reply("00ZZ0D91683118325476F80000" + kStamp + "0361F118"),                        // non-hex first octet
        Reply("00040D91683118325476F800"),                                                // no coding, no time stamp
        std::string(5000, '\r'),
        std::string("\r\n+CMGR: 0,,24\r\n\0\0\0\0\0\0\0\0\0\0\0\0\r\n", 30),
    };
    for (const std::string& reply : cases) {
        SCOPED_TRACE(reply.substr(0, 60));
        const Decoded d = Decode(reply);
        EXPECT_EQ(d.record.Number(), "");
        EXPECT_EQ(d.report.number, "");
    }
}

TEST(HostileInput, LongUserDataIsCutToTheRecord)
{
    const Decoded ucs2 = Decode(Deliver("08", "FF", std::string(4000, '7'))); // U+7777 repeated
    EXPECT_EQ(ucs2.record.Text().size(), 140u);                               // 140 octets of user data at most
    const Decoded eightBit = Decode(Deliver("04", "FF", std::string(4000, '4')));
    EXPECT_EQ(eightBit.record.Text().size(), 140u);
    const Decoded septets = Decode(Deliver("00", "FF", std::string(4000, 'F')));
    EXPECT_LE(septets.record.Text().size(), 199u);
    EXPECT_EQ(septets.record.Number(), "13812345678");
    // Hex digits all through: every length field is huge, but nothing runs away.
    const Decoded letters = Decode(Reply(std::string(100000, 'A')));
    EXPECT_LE(letters.report.number.size(), MessageRecord::kMaxNumberDigits);
}

std::vector<std::string> SeedReplies()
{
    std::vector<std::string> seeds;
    const std::filesystem::path folder = std::filesystem::path(BRANTLET_FUZZ_CORPUS);
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream file(entry.path(), std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        seeds.push_back(text.str());
    }
    return seeds;
}

// The fuzz target's checks, driven by a fixed-seed mutator so every run is the same.
TEST(HostileInput, MutatedModemRepliesKeepTheInvariants)
{
    const std::vector<std::string> seeds = SeedReplies();
    ASSERT_GE(seeds.size(), 10u);
    std::mt19937 random(20261209);
    const char alphabet[] = "0123456789ABCDEFabcdefF\r\n+:, \0\xff";
    for (int round = 0; round < 30000; ++round) {
        std::string input = seeds[random() % seeds.size()];
        const int edits = 1 + static_cast<int>(random() % 8);
        for (int e = 0; e < edits; ++e) {
            const std::size_t pos = input.empty() ? 0 : random() % input.size();
            switch (random() % 4) {
            case 0:
                if (!input.empty()) {
                    input[pos] = alphabet[random() % (sizeof alphabet - 1)];
                }
                break;
            case 1:
                input.insert(pos, 1, alphabet[random() % (sizeof alphabet - 1)]);
                break;
            case 2:
                input.erase(pos, 1 + random() % 4);
                break;
            default:
                input.resize(random() % (input.size() + 1));
                break;
            }
        }
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
    }
}

TEST(HexByte, ReadsBothCasesAndNeverReadsPastTheEnd)
{
    EXPECT_EQ(HexByte("0D"), 13);
    EXPECT_EQ(HexByte("ff"), 255);
    EXPECT_EQ(HexByte("A"), 160);
    EXPECT_EQ(HexByte(""), 0);
    EXPECT_EQ(HexWord("4F60"), 0x4F60);
    EXPECT_EQ(HexWord("597d"), 0x597D);
    EXPECT_EQ(HexWord("59"), 0x5900);
}

} // namespace

namespace {

struct LongCase {
    const char* name;
    std::string text;                // GBK
    std::vector<std::size_t> pieces; // septets or UTF-16 units per part, header not counted
    bool ucs2;
};

std::string Repeat(const std::string& piece, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i)
        out += piece;
    return out;
}

TEST(LongMessages, SplitPointsAndEveryPartReadsBackInPlace)
{
    const std::string a = "a";
    const std::string han = Gbk("汉");
    const std::string euro = Gbk("€");  // two septets: escape and its character
    const std::string smile = Gbk("😀"); // a surrogate pair in UTF-16
    const LongCase cases[] = {
        {"160 septets fit one", Repeat(a, 160), {160}, false},
        {"161 septets take two", Repeat(a, 161), {153, 8}, false},
        {"exactly two parts", Repeat(a, 306), {153, 153}, false},
        {"one more", Repeat(a, 307), {153, 153, 1}, false},
        {"escape at the boundary moves on", Repeat(a, 152) + euro + Repeat(a, 9), {152, 11}, false},
        {"escape just fits", Repeat(a, 151) + euro + Repeat(a, 9), {153, 9}, false},
        {"70 units fit one", Repeat(han, 70), {70}, true},
        {"71 units take two", Repeat(han, 71), {67, 4}, true},
        {"exactly two ucs2 parts", Repeat(han, 134), {67, 67}, true},
        {"surrogate pair at the boundary moves on", Repeat(han, 66) + smile + Repeat(han, 10), {66, 12}, true},
        {"surrogate pair just fits", Repeat(han, 65) + smile + Repeat(han, 10), {67, 10}, true},
    };
    const FixedClock clock(kNow);
    for (const LongCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::string> pdus = BuildLongSubmitPdus("13812345678", c.text, false, 0x2A);
        ASSERT_EQ(pdus.size(), c.pieces.size());
        const bool linked = pdus.size() > 1;
        std::string joined;
        for (std::size_t i = 0; i < pdus.size(); ++i) {
            SCOPED_TRACE(i);
            const std::string& pdu = pdus[i];
            ASSERT_LE(pdu.size(), kMaxSubmitPduChars);
            EXPECT_EQ(pdu.substr(2, 2), linked ? "51" : "11"); // TP-UDHI with a header
            EXPECT_EQ(pdu.substr(26, 2), c.ucs2 ? "08" : "00");
            const int udl = HexByte(pdu.substr(30, 2));
            EXPECT_EQ(static_cast<std::size_t>(udl),
                      c.ucs2 ? 2 * c.pieces[i] + (linked ? 6 : 0) : c.pieces[i] + (linked ? 7 : 0));
            EXPECT_EQ(SubmitCommandLength(pdu), static_cast<int>(pdu.size() / 2) - 1);
            if (linked) {
                char header[13];
                std::snprintf(header, sizeof header, "0500032A%02X%02X", static_cast<unsigned>(pdus.size()),
                              static_cast<unsigned>(i + 1));
                EXPECT_EQ(pdu.substr(32, 12), header);
            }

            MessageRecord record;
            DeliveryReport report;
            ConcatPart part;
            const std::string reply =
                "\r\n+CMGR: 0,,99\r\n" + test_pdus::DeliverFromSubmit("13812345678", pdu) + "\r\n\r\nOK\r\n";
            EXPECT_FALSE(DecodeReadResponse(reply, clock, record, report, &part));
            EXPECT_EQ(record.Number(), "13812345678");
            EXPECT_EQ(part.total, linked ? static_cast<int>(pdus.size()) : 0);
            EXPECT_EQ(part.sequence, linked ? static_cast<int>(i + 1) : 0);
            EXPECT_EQ(part.reference, linked ? 0x2A : 0);
            joined += record.Text();
        }
        EXPECT_EQ(joined, c.text);
    }
}

TEST(LongMessages, MoreThan255PartsAreRefusedAndReportsAreAskedOnEveryPart)
{
    EXPECT_EQ(BuildLongSubmitPdus("10086", std::string(255 * 153, 'x'), false, 1).size(), 255u);
    EXPECT_TRUE(BuildLongSubmitPdus("10086", std::string(255 * 153 + 1, 'x'), false, 1).empty());
    for (const std::string& pdu : BuildLongSubmitPdus("13812345678", std::string(200, 'x'), true, 1))
        EXPECT_EQ(pdu.substr(2, 2), "71");
}

TEST(LongMessages, SixteenBitReferencesAndBrokenHeadersAreRead)
{
    struct Case {
        const char* name;
        std::string userData; // TP-UDL and TP-UD of a UCS-2 message
        int reference, total, sequence;
        std::string text;
    };
    const Case cases[] = {
        {"16-bit reference",
         "0C"
         "060804BEEF0302"
         "4F60597D",
         0xBEEF, 3, 2, "\xC4\xE3\xBA\xC3"},
        {"other elements first",
         "0B"
         "08"
         "0A0100"
         "0003070201"
         "4F60",
         7, 2, 1, "\xC4\xE3"},
        {"sequence 0 is no part",
         "0A"
         "050003070200"
         "4F60",
         0, 0, 0, "\xC4\xE3"},
        {"header longer than the data",
         "04"
         "0F0003",
         0, 0, 0, ""},
    };
    const FixedClock clock(kNow);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string pdu = "00"
                                "44" +
                                kHome + "0008" + kStamp + c.userData;
        MessageRecord record;
        DeliveryReport report;
        ConcatPart part;
        DecodeReadResponse("\r\n+CMGR: 0,,40\r\n" + pdu + "\r\n\r\nOK\r\n", clock, record, report, &part);
        EXPECT_EQ(part.reference, c.reference);
        EXPECT_EQ(part.total, c.total);
        EXPECT_EQ(part.sequence, c.sequence);
        EXPECT_EQ(record.Text(), c.text);
    }
}

} // namespace
