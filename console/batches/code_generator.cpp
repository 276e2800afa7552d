#include "code_generator.h"

#include "crt_random.h"

#include <cstdio>

int CodeGenerator::CheckGroup(int serial, int batchNumber)
{
    // Digits of the six-digit serial from the left; the two leading ones take no part.
    char s[16];
    std::snprintf(s, sizeof s, "%06d", serial);
    auto digit = [&](int index) { return s[index] - '0'; };
    const int weight = 7 * digit(5) + 5 * digit(4) + 3 * digit(2) + 2 * digit(3);
    return (123 * weight + 2 * batchNumber + 926) % 10000;
}

int CodeGenerator::RandomGroup(std::uint32_t seed)
{
    CrtRandom random(seed);
    random.Next();
    random.Next();
    random.Next();
    return (random.Next() + 6231) % 10000;
}

CodeGenerator::Code CodeGenerator::Compose(int batchNumber, int serial, std::int64_t nowSeconds)
{
    const int check = CheckGroup(serial, batchNumber);
    // time() truncated to 32 bits plus the check group, wrapping as unsigned.
    const auto seed = static_cast<std::uint32_t>(nowSeconds) + static_cast<std::uint32_t>(check);
    const int random = RandomGroup(seed);

    char id[32];
    char code[32];
    std::snprintf(id, sizeof id, "%02d%06d", batchNumber, serial);
    std::snprintf(code, sizeof code, "%04d%04d", check, random);
    return Code{id, code};
}
