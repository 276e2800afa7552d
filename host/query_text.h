#pragma once

#include <optional>
#include <string>
#include <string_view>

// The 16 digits of an anti-counterfeit code as a consumer sent them: the product ID (first
// eight) and the code value (last eight).
struct QueryCode {
    std::string productId;
    std::string productCode;
};

// Full-width digits become ASCII; blanks, dashes and dots go, so "1200-0001 1234.5678" and
// its full-width form read as one run of digits. Everything else stays.
std::string NormaliseQueryText(std::string_view text);

// The first run of exactly 16 digits in the normalised text; nothing when there is none
// (a longer run is no code: cutting it would answer for a code the consumer never had).
std::optional<QueryCode> FindQueryCode(std::string_view text);
