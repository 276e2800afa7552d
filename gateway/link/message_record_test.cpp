#include "message_record.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(MessageRecord, IsZeroFilledAndKeepsItsFieldsTerminated)
{
    MessageRecord record;
    const MessageRecord zero{};
    EXPECT_EQ(std::memcmp(&record, &zero, sizeof record), 0);
    EXPECT_EQ(record.Number(), "");
    EXPECT_EQ(record.timeStamp.year, 0);

    record.SetNumber("1234567890123456789012345");
    EXPECT_EQ(record.Number(), "12345678901234567890");

    // 99 two-byte characters and one more byte fit; a 100th character would not.
    std::string text;
    for (int i = 0; i < 100; ++i) {
        text += "\xC4\xE3";
    }
    record.SetText(text);
    EXPECT_EQ(record.Text().size(), 198u);
    record.SetText("a" + text);
    EXPECT_EQ(record.Text().size(), 199u);
    EXPECT_EQ(record.text[199], '\0');

    // A field filled by hand to the brim is read without running past it.
    std::memset(record.number, '7', sizeof record.number);
    EXPECT_EQ(record.Number().size(), sizeof record.number);
}

} // namespace
