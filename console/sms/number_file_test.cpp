#include "number_file.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>

namespace {

using Numbers = std::vector<std::string>;

TEST(SplitNumbers, SplitsAtCrLfOnlyTrimsAndSkipsShortPieces)
{
    const struct {
        const char* name;
        std::string text;
        Numbers numbers;
    } cases[] = {
        {"blanks around, a 3-digit line", "  13800138000 \r\n123\r\n13900139000\r\n", {"13800138000", "13900139000"}},
        {"last line without a line end", "1380013800\r\n13900139000", {"1380013800", "13900139000"}},
        {"line feeds only are one piece", "13800138000\n13900139000\n", {"13800138000\n13900139000"}},
        {"a lone CR does not split", "1234\r5678\r\n", {"1234\r5678"}},
        {"tabs and empty lines", "\t1234\t\r\n\r\n\r\n   \r\n", {"1234"}},
        {"no digits needed", "abcd\r\n", {"abcd"}},
        {"three bytes are too short, four enough", "123\r\n1234", {"1234"}},
        {"a Chinese word of two characters is four bytes in GBK", "\xd5\xc5\xc8\xfd\r\n", {"\xd5\xc5\xc8\xfd"}},
        {"empty", "", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitNumbers(c.text), c.numbers) << c.name;
}

class NumberFileTest : public ::testing::Test {
protected:
    void SetUp() override { m_path = testing::TempDir() + "numbers_" + std::to_string(getpid()) + ".txt"; }
    void TearDown() override { std::remove(m_path.c_str()); }
    void Write(const std::string& bytes) { std::ofstream(m_path, std::ios::binary) << bytes; }

    std::string m_path;
};

TEST_F(NumberFileTest, ReadsUpToTheFirstZeroByte)
{
    Write(std::string("13800138000\r\n\0"
                      "13900139000\r\n",
                      27));
    std::string text;
    ASSERT_TRUE(ReadNumberFile(m_path, text));
    EXPECT_EQ(SplitNumbers(text), Numbers{"13800138000"});
}

TEST_F(NumberFileTest, ReadsAtMostTheFirstFiveMillionBytes)
{
    // 13-byte lines: the line that straddles the limit is cut there, the rest is not read.
    const std::string line = "13800138000\r\n";
    std::string bytes;
    while (bytes.size() < kNumberFileLimit + 100)
        bytes += line;
    Write(bytes);
    std::string text;
    ASSERT_TRUE(ReadNumberFile(m_path, text));
    EXPECT_EQ(text.size(), kNumberFileLimit);
    const Numbers numbers = SplitNumbers(text);
    ASSERT_EQ(numbers.size(), kNumberFileLimit / line.size() + 1);
    EXPECT_EQ(numbers.back(), line.substr(0, kNumberFileLimit % line.size()));
}

TEST_F(NumberFileTest, AFileThatCannotBeOpenedIsReported)
{
    std::string text = "unchanged";
    EXPECT_FALSE(ReadNumberFile(m_path + ".missing", text));
}

} // namespace
