#include "gbk_text.h"

#include <gtest/gtest.h>

namespace {

TEST(GbkText, ConvertsBothWaysWithoutLoss)
{
    struct Case {
        const char* utf8;
        const char* gbk;
    };
    const Case cases[] = {
        {"abc", "abc"},
        {"你好", "\xC4\xE3\xBA\xC3"},
        {"€", "\xA2\xE3"},
        {"é·", "\xA8\xA6\xA1\xA4"},
        // Outside GBK: four-byte GB18030 sequences instead of a lost "?".
        {"😀", "\x94\x39\xFC\x36"},
        {"𠀀", "\x95\x32\x82\x36"},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(Utf8ToGbk(c.utf8), c.gbk);
        EXPECT_EQ(GbkToUtf8(c.gbk), c.utf8);
        EXPECT_EQ(Utf16ToGbk(GbkToUtf16(c.gbk)), c.gbk);
    }
}

TEST(GbkText, BadInputBecomesQuestionMarksAndNeverStopsTheRest)
{
    EXPECT_EQ(Utf8ToGbk("a\xFF"
                        "b"),
              "a?b");
    EXPECT_EQ(Utf8ToGbk("a\xE4\xBD"), "a?"
                                      "?"); // cut-off sequence at the end
    EXPECT_EQ(GbkToUtf8("a\x80"
                        "b"),
              "a?b");                            // not a GB18030 byte
    EXPECT_EQ(GbkToUtf8("\xC4\xE3\xBA"), "你?"); // lead byte without its trail
    EXPECT_EQ(Utf16ToGbk(u"a\xD800"
                         "b"),
              "a?b"); // unpaired surrogate
    EXPECT_EQ(Utf16ToGbk(std::u16string(u"x\xDC00")), "x?");
    EXPECT_EQ(GbkToUtf16("\xFF"), u"?");
}

TEST(GbkText, CutsOnlyOnCharacterBoundaries)
{
    const std::string text = "a\xC4\xE3"
                             "b\x94\x39\xFC\x36"
                             "c"; // a 你 b 😀 c
    struct Case {
        std::size_t maxBytes;
        std::size_t kept;
    };
    const Case cases[] = {{0, 0}, {1, 1}, {2, 1}, {3, 3}, {4, 4}, {5, 4}, {7, 4}, {8, 8}, {9, 9}, {100, 9}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.maxBytes);
        EXPECT_EQ(CutGbk(text, c.maxBytes).size(), c.kept);
    }
    EXPECT_EQ(Utf16ToGbk(u"你好", 3), "\xC4\xE3");
    // A lead byte at the very end is kept alone rather than read past the end.
    EXPECT_EQ(CutGbk("a\xC4", 5), "a\xC4");
}

} // namespace
