#include "field_value.h"

#include <cmath>
#include <cstdio>

namespace {

// Keeps the integer part when the first two decimals are "00", otherwise two decimals;
// further digits are cut, not rounded.
std::string Shorten(std::string text)
{
    const auto point = text.find('.');
    if (point == std::string::npos || point + 2 >= text.size())
        return text;
    if (text[point + 1] == '0' && text[point + 2] == '0')
        text.resize(point);
    else
        text.resize(point + 3);
    return text;
}

std::string Format(const char* format, double value)
{
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

std::string CurrencyText(std::int64_t scaled)
{
    const bool negative = scaled < 0;
    const unsigned long long magnitude =
        negative ? 0ULL - static_cast<unsigned long long>(scaled) : static_cast<unsigned long long>(scaled);
    std::string text = std::to_string(magnitude / 10000);
    unsigned fraction = static_cast<unsigned>(magnitude % 10000);
    if (fraction != 0) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%04u", fraction);
        std::string f = digits;
        while (!f.empty() && f.back() == '0')
            f.pop_back();
        text += '.' + f;
    }
    return negative ? '-' + text : text;
}

// Four decimals, rounded half away from zero, computed on the digits themselves: a double
// would lose digits past its 53 bits.
std::string DecimalText(unsigned __int128 mantissa, int scale, bool negative)
{
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(mantissa % 10)));
        mantissa /= 10;
    } while (mantissa != 0);
    if (scale < 0) {
        digits.append(static_cast<std::size_t>(-scale), '0');
        scale = 0;
    }
    if (digits.size() <= static_cast<std::size_t>(scale))
        digits.insert(0, static_cast<std::size_t>(scale) + 1 - digits.size(), '0');
    // digits now holds the value times 10^scale; bring it to exactly four decimals.
    bool roundUp = false;
    if (scale > 4) {
        roundUp = digits[digits.size() - static_cast<std::size_t>(scale - 4)] >= '5';
        digits.resize(digits.size() - static_cast<std::size_t>(scale - 4));
    } else {
        digits.append(static_cast<std::size_t>(4 - scale), '0');
    }
    if (roundUp) {
        std::size_t i = digits.size();
        while (i > 0 && digits[i - 1] == '9')
            digits[--i] = '0';
        if (i == 0)
            digits.insert(digits.begin(), '1');
        else
            ++digits[i - 1];
    }
    if (digits.size() < 5)
        digits.insert(0, 5 - digits.size(), '0');
    digits.insert(digits.size() - 4, 1, '.');
    return negative ? '-' + digits : digits;
}

} // namespace

std::string FieldValueToText(const FieldValue& value)
{
    switch (value.kind) {
    case FieldValue::Kind::Empty:
        return "EMPTY";
    case FieldValue::Kind::Null:
        return "NULL";
    case FieldValue::Kind::Int:
        return std::to_string(value.m_int);
    case FieldValue::Kind::UInt:
        return std::to_string(value.m_uint);
    case FieldValue::Kind::Single:
        return Shorten(Format("%.4f", static_cast<double>(static_cast<float>(value.m_double))));
    case FieldValue::Kind::Double:
        return Shorten(Format("%.8f", value.m_double));
    case FieldValue::Kind::Decimal:
        return DecimalText(value.m_decimalMantissa, value.m_decimalScale, value.m_decimalNegative);
    case FieldValue::Kind::Currency:
        return CurrencyText(value.m_int);
    case FieldValue::Kind::DateTime: {
        const auto& d = value.m_dateTime;
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day, d.hour, d.minute,
                      d.second);
        return buffer;
    }
    case FieldValue::Kind::Bool:
        return value.m_bool ? "TRUE" : "FALSE";
    case FieldValue::Kind::Text:
    case FieldValue::Kind::Other:
        return value.m_text;
    }
    return value.m_text;
}
