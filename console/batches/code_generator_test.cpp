#include "code_generator.h"
#include "crt_random.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(CrtRandom, ReproducesTheRuntimeSequence)
{
    CrtRandom random(1);
    EXPECT_EQ(random.Next(), 41);
    EXPECT_EQ(random.Next(), 18467);
    EXPECT_EQ(random.Next(), 6334);
    EXPECT_EQ(random.Next(), 26500);

    // The state wraps modulo 2^32 and only 15 bits come out.
    EXPECT_EQ(CrtRandom(0).Next(), 38);
    EXPECT_EQ(CrtRandom(0xFFFFFFFFu).Next(), 35);
    // Unseeded, it starts where srand(1) puts it.
    EXPECT_EQ(CrtRandom().Next(), 41);
}

TEST(CrtRandom, StateIsItsOwn)
{
    CrtRandom a(1);
    CrtRandom b(1);
    EXPECT_EQ(a.Next(), 41);
    std::srand(12345);
    (void)std::rand();
    EXPECT_EQ(b.Next(), 41); // another instance and the runtime's rand() do not shift it
    EXPECT_EQ(a.Next(), 18467);
    a.Seed(1);
    EXPECT_EQ(a.Next(), 41);
}

TEST(CodeGenerator, ExamplesOfCheckGroupAndProductId)
{
    struct Case {
        int batch;
        int serial;
        const char* productId;
        int check;
    };
    const Case cases[] = {
        {1, 0, "01000000", 928},        {1, 123, "01000123", 4987}, {12, 345678, "12345678", 5464},
        {99, 999999, "99999999", 9943}, {0, 0, "00000000", 926},    {7, 1, "07000001", 1801},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.productId);
        EXPECT_EQ(CodeGenerator::CheckGroup(c.serial, c.batch), c.check);
        const CodeGenerator::Code code = CodeGenerator::Compose(c.batch, c.serial, 1700000000);
        EXPECT_EQ(code.productId, c.productId);
        ASSERT_EQ(code.productCode.size(), 8u);
        EXPECT_EQ(std::stoi(code.productCode.substr(0, 4)), c.check);
    }
}

TEST(CodeGenerator, RandomGroupIsTheFourthDrawMovedBy6231)
{
    EXPECT_EQ(CodeGenerator::RandomGroup(1), 2731);
}

TEST(CodeGenerator, ComposeSeedsWithTimePlusCheckGroupAsUnsigned32)
{
    // time + 928 wraps to seed 1, whose random group is 2731.
    EXPECT_EQ(CodeGenerator::Compose(1, 0, -927).productCode, "09282731");
    EXPECT_EQ(CodeGenerator::Compose(1, 0, 0x100000000LL - 927).productCode, "09282731");
    // Only the low 32 bits of the time count.
    EXPECT_EQ(CodeGenerator::Compose(3, 42, 1700000000).productCode,
              CodeGenerator::Compose(3, 42, 1700000000 + 0x100000000LL).productCode);
}

TEST(CodeGenerator, LeadingSerialDigitsDoNotCount)
{
    EXPECT_EQ(CodeGenerator::CheckGroup(123, 5), CodeGenerator::CheckGroup(10123, 5));
    EXPECT_EQ(CodeGenerator::CheckGroup(123, 5), CodeGenerator::CheckGroup(990123, 5));

    // Same check group in the same second: same ProductCode, different ProductID.
    const auto a = CodeGenerator::Compose(5, 123, 1765000000);
    const auto b = CodeGenerator::Compose(5, 10123, 1765000000);
    EXPECT_EQ(a.productCode, b.productCode);
    EXPECT_NE(a.productId, b.productId);
    // A second later the random group moves.
    EXPECT_NE(CodeGenerator::Compose(5, 10123, 1765000001).productCode, a.productCode);
}
