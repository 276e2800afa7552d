#include "connection_string.h"
#include "field_value.h"
#include "sql_text.h"

#include <gtest/gtest.h>

namespace {

FieldValue Make(FieldValue::Kind kind)
{
    FieldValue v;
    v.kind = kind;
    return v;
}

FieldValue Number(double d, FieldValue::Kind kind = FieldValue::Kind::Double)
{
    FieldValue v = Make(kind);
    v.m_double = d;
    return v;
}

FieldValue Whole(std::int64_t i)
{
    FieldValue v = Make(FieldValue::Kind::Int);
    v.m_int = i;
    return v;
}

FieldValue Decimal(unsigned __int128 mantissa, int scale, bool negative)
{
    FieldValue v = Make(FieldValue::Kind::Decimal);
    v.m_decimalMantissa = mantissa;
    v.m_decimalScale = scale;
    v.m_decimalNegative = negative;
    return v;
}

FieldValue Date(int y, int mo, int d, int h, int mi, int s)
{
    FieldValue v = Make(FieldValue::Kind::DateTime);
    v.m_dateTime = {y, mo, d, h, mi, s};
    return v;
}

FieldValue Text(const std::string& t)
{
    FieldValue v = Make(FieldValue::Kind::Text);
    v.m_text = t;
    return v;
}

FieldValue Flag(bool b)
{
    FieldValue v = Make(FieldValue::Kind::Bool);
    v.m_bool = b;
    return v;
}

struct Case {
    const char* what;
    FieldValue value;
    const char* text;
};

TEST(FieldValueToText, FollowsTheRuleOfEachKind)
{
    FieldValue unsignedBig = Make(FieldValue::Kind::UInt);
    unsignedBig.m_uint = 18446744073709551615ULL;
    FieldValue currency = Make(FieldValue::Kind::Currency);
    currency.m_int = 125000;
    const Case cases[] = {
        {"empty", Make(FieldValue::Kind::Empty), "EMPTY"},
        {"null", Make(FieldValue::Kind::Null), "NULL"},
        {"whole", Whole(-42), "-42"},
        {"64-bit whole", Whole(9000000000LL), "9000000000"},
        {"unsigned", unsignedBig, "18446744073709551615"},
        {"double pi", Number(3.14159), "3.14"},
        {"double 2.0", Number(2.0), "2"},
        {"double 0.005", Number(0.005), "0"},
        {"double -1.5", Number(-1.5), "-1.50"},
        {"double 2.999 cut, not rounded", Number(2.999), "2.99"},
        {"double 1.0", Number(1.0), "1"},
        {"double 1.25", Number(1.25), "1.25"},
        {"double 1.005", Number(1.005), "1"},
        {"single 2.5", Number(2.5, FieldValue::Kind::Single), "2.50"},
        {"single 7.0", Number(7.0, FieldValue::Kind::Single), "7"},
        {"decimal not shortened", Decimal(12500, 3, false), "12.5000"},
        {"negative decimal", Decimal(2, 0, true), "-2.0000"},
        {"decimal past 64 bits keeps every digit", Decimal((static_cast<unsigned __int128>(1) << 70) + 1, 0, false),
         "1180591620717411303425.0000"},
        {"decimal rounded at the fourth place", Decimal(123456, 5, false), "1.2346"},
        {"decimal rounding carries", Decimal(999995, 5, false), "10.0000"},
        {"decimal below one", Decimal(5, 3, false), "0.0050"},
        {"currency", currency, "12.5"},
        {"date/time", Date(2004, 3, 5, 8, 9, 10), "2004-03-05 08:09:10"},
        {"true", Flag(true), "TRUE"},
        {"false", Flag(false), "FALSE"},
        {"text as is", Text("  abc "), "  abc "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FieldValueToText(c.value), c.text) << c.what;
}

TEST(SqlText, QuoteDoublesSingleQuotesOnly)
{
    EXPECT_EQ(SqlQuote("O'Brien"), "O''Brien");
    EXPECT_EQ(SqlQuote("''"), "''''");
    EXPECT_EQ(SqlQuote("a\"b#now()"), "a\"b#now()");
    EXPECT_EQ(BlankIfEmpty(""), " ");
    EXPECT_EQ(BlankIfEmpty("a"), "a");
    EXPECT_EQ(IntText(-7), "-7");
}

TEST(ConnectionString, KeysIgnoreCaseAndBlanks)
{
    const ConnectionString s(" provider = SQLite ; DATA SOURCE=/tmp/a b.db;Password=\"x;y\";Create=Yes");
    EXPECT_EQ(s.Get("Provider"), "SQLite");
    EXPECT_EQ(s.Get("Data Source"), "/tmp/a b.db");
    EXPECT_EQ(s.Get("password"), "x;y");
    EXPECT_TRUE(s.GetFlag("create"));
    EXPECT_FALSE(s.Has("Host"));
    EXPECT_EQ(s.Get("Host", "none"), "none");
}

} // namespace
