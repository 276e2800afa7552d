#pragma once

#include <cstdint>
#include <string>

// A typed field value as a provider hands it over.
struct FieldValue {
    enum class Kind {
        Empty = 0,
        Null,
        Int,  // any signed width
        UInt, // any unsigned width
        Single,
        Double,
        Decimal,  // m_decimalMantissa / 10^m_decimalScale, negative when m_decimalNegative
        Currency, // m_int holds the value times 10000
        DateTime, // m_dateTime, broken down, no time zone
        Bool,
        Text, // UTF-8
        Other // m_text holds the provider's own text of the value
    };

    struct DateTime {
        int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    };

    Kind kind = Kind::Empty;
    std::int64_t m_int = 0;
    std::uint64_t m_uint = 0;
    double m_double = 0.0;
    unsigned __int128 m_decimalMantissa = 0;
    int m_decimalScale = 0;
    bool m_decimalNegative = false;
    DateTime m_dateTime;
    bool m_bool = false;
    // Text and Other: the value. Other kinds: providers may keep the engine's own text of
    // the value here, to compare the row with when writing it back.
    std::string m_text;
};

// The one fixed conversion of a field value to display text.
std::string FieldValueToText(const FieldValue& value);
