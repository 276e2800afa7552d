#include "gsm_text.h"
#include "sms_pdu.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace gsmsim {
namespace {

SmsTime At(const char* text)
{
    SmsTime t;
    EXPECT_TRUE(ParseSmsTime(text, &t)) << text;
    return t;
}

struct SubmitCase {
    const char* name;
    std::string hex;
    std::string number;
    std::string text;
    bool statusReport;
    Alphabet alphabet;
    int tpduLength;
    std::string udh;
};

class DecodeSubmitTest : public testing::TestWithParam<SubmitCase> {};

TEST_P(DecodeSubmitTest, DecodesFields)
{
    const SubmitCase& c = GetParam();
    SubmitMessage m;
    std::string error;
    ASSERT_TRUE(DecodeSubmit(c.hex, &m, &error)) << error;
    EXPECT_EQ(m.number, c.number);
    EXPECT_EQ(m.text, c.text);
    EXPECT_EQ(m.statusReport, c.statusReport);
    EXPECT_EQ(m.alphabet, c.alphabet);
    EXPECT_EQ(m.tpduLength, c.tpduLength);
    EXPECT_EQ(m.userDataHeader, c.udh);
}

INSTANTIATE_TEST_SUITE_P(
    Pdus, DecodeSubmitTest,
    testing::Values(
        SubmitCase{"Gsm7Mobile", "0011000D91683118325476F80000000361F118", "+8613812345678", "abc", false,
                   Alphabet::kGsm7, 18, ""},
        SubmitCase{"Ucs2WithReport", "0031000D91683118325476F8000800044F60597D", "+8613812345678", "你好", true,
                   Alphabet::kUcs2, 19, ""},
        SubmitCase{"ShortNumberUnknownType", "00110005810180F60000000AE8329BFD4697D9EC37", "10086", "hellohello", false,
                   Alphabet::kGsm7, 20, ""},
        // Escaped characters of the extension table.
        SubmitCase{"ExtensionTable", "00110005810180F6000000041BD42605", "10086", "{}", false, Alphabet::kGsm7, 15, ""},
        // GSM code 0x00 is "@" and 0x24 the currency sign: a packer that copies ASCII is caught.
        SubmitCase{"AlphabetIsNotAscii", "00110005810180F600000003610009", "10086", "a@\u00a4", false, Alphabet::kGsm7,
                   14, ""},
        SubmitCase{"Utf16SurrogatePair", "00110005810180F600080004D83DDE00", "10086", "\U0001F600", false,
                   Alphabet::kUcs2, 15, ""},
        SubmitCase{"UserDataHeader", "00510005810180F600000009050003A70201D069", "10086", "hi", false, Alphabet::kGsm7,
                   19, "050003A70201"},
        SubmitCase{"ServiceCentreInFront", "0891683108000005F011000D91683118325476F80000000361F118", "+8613812345678",
                   "abc", false, Alphabet::kGsm7, 18, ""},
        SubmitCase{"EightBitData", "00110005810180F6000400024869", "10086", "Hi", false, Alphabet::kData8, 13, ""}),
    [](const testing::TestParamInfo<SubmitCase>& info) { return std::string(info.param.name); });

struct BadSubmit {
    const char* name;
    const char* hex;
    const char* reason;
};

class RejectSubmitTest : public testing::TestWithParam<BadSubmit> {};

TEST_P(RejectSubmitTest, SaysWhy)
{
    SubmitMessage m;
    std::string error;
    EXPECT_FALSE(DecodeSubmit(GetParam().hex, &m, &error));
    EXPECT_EQ(error, GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(
    Pdus, RejectSubmitTest,
    testing::Values(
        BadSubmit{"OddLength", "0011000", "not hexadecimal text"}, BadSubmit{"NotHex", "00ZZ", "not hexadecimal text"},
        BadSubmit{"DeliverInsteadOfSubmit", "00040D91683118325476F8000862305121436523044F60597D", "not an SMS-SUBMIT"},
        BadSubmit{"UserDataShort", "0011000D91683118325476F80000000461F118",
                  "user data length does not match the data"},
        BadSubmit{"UserDataLong", "0011000D91683118325476F80000000261F118", "user data length does not match the data"},
        BadSubmit{"AddressCut", "0011000D916831", "destination address cut short"},
        BadSubmit{"OddUcs2", "00110005810180F600080003D83DDE", "odd number of UCS-2 octets"}),
    [](const testing::TestParamInfo<BadSubmit>& info) { return std::string(info.param.name); });

struct DeliverCase {
    const char* name;
    DeliverSpec spec;
    std::string hex;
    int tpduLength;
};

class BuildDeliverTest : public testing::TestWithParam<DeliverCase> {};

TEST_P(BuildDeliverTest, BuildsUnit)
{
    std::string hex;
    int length = 0;
    std::string error;
    ASSERT_TRUE(BuildDeliver(GetParam().spec, &hex, &length, &error)) << error;
    EXPECT_EQ(hex, GetParam().hex);
    EXPECT_EQ(length, GetParam().tpduLength);
}

INSTANTIATE_TEST_SUITE_P(
    Units, BuildDeliverTest,
    testing::Values(DeliverCase{"Ucs2Chinese",
                                {"", "+8613812345678", At("2026-03-15T12:34:56+08:00"), -1, "你好"},
                                "00040D91683118325476F8000862305121436523044F60597D",
                                24},
                    DeliverCase{"Gsm7Short",
                                {"", "10086", At("2026-03-15T12:34:56+08:00"), -1, "abc"},
                                "00040581"
                                "0180F6"
                                "0000"
                                "62305121436523"
                                "03"
                                "61F118",
                                19},
                    DeliverCase{"ServiceCentre",
                                {"+8613800000500", "10086", At("2026-03-15T12:34:56+08:00"), -1, "abc"},
                                "0891683108000005F0"
                                "04"
                                "05810180F6"
                                "0000"
                                "62305121436523"
                                "03"
                                "61F118",
                                19},
                    DeliverCase{"ExtensionStays7Bit",
                                {"", "10086", At("2026-03-15T12:34:56+08:00"), -1, "{}"},
                                "00040581"
                                "0180F6"
                                "0000"
                                "62305121436523"
                                "04"
                                "1BD42605",
                                20},
                    DeliverCase{"WestZone",
                                {"", "10086", At("2026-01-02T03:04:05-03:30"), -1, "abc"},
                                "00040581"
                                "0180F6"
                                "0000"
                                "62102030405049"
                                "03"
                                "61F118",
                                19},
                    DeliverCase{"AlphanumericSender",
                                {"", "Info", At("2026-03-15T12:34:56+08:00"), -1, "abc"},
                                "000407D049B7F90D"
                                "0000"
                                "62305121436523"
                                "03"
                                "61F118",
                                20},
                    DeliverCase{"ForcedUcs2",
                                {"", "10086", At("2026-03-15T12:34:56+08:00"), 0x08, "ab"},
                                "00040581"
                                "0180F6"
                                "0008"
                                "62305121436523"
                                "04"
                                "00610062",
                                20}),
    [](const testing::TestParamInfo<DeliverCase>& info) { return std::string(info.param.name); });

TEST(BuildDeliver, RefusesWhatOneMessageCannotHold)
{
    std::string hex;
    int length = 0;
    std::string error;
    DeliverSpec spec{"", "10086", At("2026-03-15T12:34:56Z"), -1, std::string(160, 'a')};
    EXPECT_TRUE(BuildDeliver(spec, &hex, &length, &error)) << error;
    spec.text = std::string(161, 'a');
    EXPECT_FALSE(BuildDeliver(spec, &hex, &length, &error));
    spec.text.clear();
    for (int i = 0; i < 71; ++i)
        spec.text += "中";
    EXPECT_FALSE(BuildDeliver(spec, &hex, &length, &error));
    spec.text = "中";
    spec.dcs = 0x00;
    EXPECT_FALSE(BuildDeliver(spec, &hex, &length, &error));
    EXPECT_EQ(error, "text does not fit the GSM 7-bit alphabet");
}

TEST(BuildDeliverParts, SplitsALongTextAsAPhoneDoes)
{
    const auto repeat = [](const std::string& piece, int n) {
        std::string text;
        for (int i = 0; i < n; ++i)
            text += piece;
        return text;
    };
    const std::string a152 = std::string(152, 'a');
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> parts;
    } const cases[] = {
        {"Gsm7FitsOne", std::string(160, 'a'), {std::string(160, 'a')}},
        {"Gsm7OneMore", std::string(161, 'a'), {std::string(153, 'a'), std::string(8, 'a')}},
        {"EscapeNotSplit", a152 + "{" + std::string(10, 'b'), {a152, "{" + std::string(10, 'b')}},
        {"Ucs2FitsOne", repeat("中", 70), {repeat("中", 70)}},
        {"Ucs2OneMore", repeat("中", 71), {repeat("中", 67), repeat("中", 4)}},
        {"SurrogatePairNotSplit",
         repeat("中", 66) + "😀" + "尾" + repeat("中", 5),
         {repeat("中", 66), "😀尾" + repeat("中", 5)}},
    };
    for (const Case& c : cases) {
        DeliverSpec spec{"", "+8613812345678", At("2026-03-15T12:34:56+08:00"), -1, c.text};
        std::vector<DeliverPart> parts;
        std::string error;
        ASSERT_TRUE(BuildDeliverParts(spec, 7, &parts, &error)) << c.name << ": " << error;
        std::vector<std::string> texts;
        for (const DeliverPart& p : parts)
            texts.push_back(p.text);
        EXPECT_EQ(texts, c.parts) << c.name;
        for (std::size_t i = 0; parts.size() > 1 && i < parts.size(); ++i) {
            // UDHI set, header 05 00 03 <ref> <count> <seq> right after the length octet.
            EXPECT_EQ(parts[i].hex.substr(2, 2), "44") << c.name;
            char header[16];
            std::snprintf(header, sizeof header, "0500030702%02X", static_cast<unsigned>(i + 1));
            EXPECT_NE(parts[i].hex.find(header), std::string::npos) << c.name << " part " << i;
        }
    }
    DeliverSpec tooLong{"", "10086", At("2026-03-15T12:34:56Z"), -1, std::string(153 * 255 + 1, 'a')};
    std::vector<DeliverPart> parts;
    std::string error;
    EXPECT_FALSE(BuildDeliverParts(tooLong, 1, &parts, &error));
    EXPECT_EQ(error, "text needs more than 255 parts");
}

TEST(BuildStatusReport, CarriesReferenceRecipientAndBothTimes)
{
    ReportSpec spec;
    spec.messageRef = 5;
    spec.recipientDigits = "8613812345678";
    spec.recipientToa = 0x91;
    spec.submitTime = At("2026-03-15T12:34:56+08:00");
    spec.dischargeTime = At("2026-03-15T12:35:10+08:00");
    int length = 0;
    EXPECT_EQ(BuildStatusReport(spec, &length), "00"
                                                "06"
                                                "05"
                                                "0D91683118325476F8"
                                                "62305121436523"
                                                "62305121530123"
                                                "00");
    EXPECT_EQ(length, 26);
}

TEST(SmsTime, ParsesZonesAndRejectsNonsense)
{
    SmsTime t;
    ASSERT_TRUE(ParseSmsTime("2026-03-15T12:34:56+05:45", &t));
    EXPECT_EQ(t.zoneQuarters, 23);
    ASSERT_TRUE(ParseSmsTime("2026-03-15T12:34:56Z", &t));
    EXPECT_EQ(t.zoneQuarters, 0);
    EXPECT_EQ(FormatSmsTime(At("2026-01-02T03:04:05-03:30")), "2026-01-02T03:04:05-03:30");
    for (const char* bad :
         {"2026-13-01T00:00:00", "2026-03-15", "2026-03-15T12:34:56+8", "now", "", "2026-03-15T12:34:56+08:10"}) {
        EXPECT_FALSE(ParseSmsTime(bad, &t)) << bad;
    }
}

TEST(GsmText, EveryAlphabetCharacterRoundTrips)
{
    std::vector<std::uint8_t> all;
    for (int v = 0; v < 128; ++v) {
        if (v != 0x1B)
            all.push_back(static_cast<std::uint8_t>(v));
    }
    const std::string utf8 = Gsm7ToUtf8(all);
    std::vector<std::uint8_t> back;
    ASSERT_TRUE(Utf8ToGsm7(utf8, &back));
    EXPECT_EQ(back, all);
    EXPECT_EQ(UnpackSeptets(PackSeptets(all), all.size()), all);
    EXPECT_EQ(UnpackSeptets(PackSeptets(all, 3), all.size(), 3), all);
}

TEST(GsmText, RejectsMalformedUtf8)
{
    std::u32string cps;
    for (const char* bad : {"\xC3", "\xE4\xBD", "\xC0\xAF", "\xED\xA0\x80", "\xFF"}) {
        EXPECT_FALSE(DecodeUtf8(bad, &cps)) << testing::PrintToString(std::string(bad));
    }
}

} // namespace
} // namespace gsmsim
