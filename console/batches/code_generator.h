#pragma once

#include <cstdint>
#include <string>

// The 16-digit anti-counterfeit code: ProductID (batch number "%02d" + serial "%06d") and
// ProductCode (check group "%04d" + random group "%04d"). Pure functions, no database.
class CodeGenerator final {
public:
    struct Code {
        std::string productId;   // 8 digits
        std::string productCode; // 8 digits
    };

    // serial 0..999999, batchNumber 0..99; answers 0..9999.
    static int CheckGroup(int serial, int batchNumber);
    // Seeds a fresh generator, throws three draws away and answers the fourth, moved
    // into 0..9999.
    static int RandomGroup(std::uint32_t seed);
    // nowSeconds: seconds since 1970-01-01 UTC, as time() answers.
    static Code Compose(int batchNumber, int serial, std::int64_t nowSeconds);

    CodeGenerator() = delete;
};
