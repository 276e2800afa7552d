#include "dispatch_table.h"

#include <gtest/gtest.h>

namespace {

brantlet_value I2(std::int16_t v)
{
    brantlet_value x{};
    x.type = BRANTLET_VT_I2;
    x.u.i2 = v;
    return x;
}
brantlet_value I4(std::int32_t v)
{
    brantlet_value x{};
    x.type = BRANTLET_VT_I4;
    x.u.i4 = v;
    return x;
}
brantlet_value Bool(std::int32_t v)
{
    brantlet_value x{};
    x.type = BRANTLET_VT_BOOL;
    x.u.boolean = v;
    return x;
}
brantlet_value Str(const char* s)
{
    brantlet_value x{};
    x.type = BRANTLET_VT_BSTR;
    x.u.str = s;
    return x;
}
brantlet_value Empty()
{
    return brantlet_value{};
}

struct ArgCase {
    const char* name;
    std::int32_t dispid;
    std::vector<brantlet_value> args;
    brantlet_status status;
};

class ConvertArgumentsTest : public testing::TestWithParam<ArgCase> {};

TEST_P(ConvertArgumentsTest, ChecksCountAndTypes)
{
    const MemberInfo* m = DispatchTable::FindMethod(GetParam().dispid);
    ASSERT_NE(m, nullptr);
    std::vector<InvokeArg> out;
    EXPECT_EQ(DispatchTable::ConvertArguments(*m, GetParam().args.data(), GetParam().args.size(), &out),
              GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(
    Invoke, ConvertArgumentsTest,
    testing::Values(
        ArgCase{"SendSmsOk", BRANTLET_DISPID_SendSms, {Str("10086"), Str("hi"), I4(7)}, BRANTLET_OK},
        ArgCase{"IndexAsShort", BRANTLET_DISPID_SendSms, {Str("10086"), Str("hi"), I2(7)}, BRANTLET_OK},
        ArgCase{"NumberForString", BRANTLET_DISPID_SendSms, {I4(10086), Str("hi"), I4(7)}, BRANTLET_E_TYPE_MISMATCH},
        ArgCase{"StringForNumber", BRANTLET_DISPID_SendSms, {Str("a"), Str("hi"), Str("7")}, BRANTLET_E_TYPE_MISMATCH},
        ArgCase{"TooFew", BRANTLET_DISPID_SendSms, {Str("10086"), Str("hi")}, BRANTLET_E_BAD_PARAM_COUNT},
        ArgCase{"TooMany", BRANTLET_DISPID_IsConnected, {I4(1)}, BRANTLET_E_BAD_PARAM_COUNT},
        ArgCase{"EmptyValue", BRANTLET_DISPID_SetSendFlag, {Empty()}, BRANTLET_E_TYPE_MISMATCH},
        ArgCase{"UnknownTag", BRANTLET_DISPID_SetSendFlag, {brantlet_value{99, 0, {}}}, BRANTLET_E_TYPE_MISMATCH},
        ArgCase{"BoolFromLong", BRANTLET_DISPID_SetSendFlag, {I4(5)}, BRANTLET_OK},
        ArgCase{"ShortInRange", BRANTLET_DISPID_SetModemType, {I4(-32768)}, BRANTLET_OK},
        ArgCase{"ShortOverflow", BRANTLET_DISPID_SetSendRate, {I4(40000)}, BRANTLET_E_OVERFLOW},
        ArgCase{"NoArguments", BRANTLET_DISPID_AboutBox, {}, BRANTLET_OK}),
    [](const testing::TestParamInfo<ArgCase>& info) { return std::string(info.param.name); });

TEST(ConvertArguments, KeepsValuesAndReadsNullStringsAsEmpty)
{
    const MemberInfo* m = DispatchTable::FindMethod(BRANTLET_DISPID_ConnectModem);
    ASSERT_NE(m, nullptr);
    const brantlet_value args[] = {Str(nullptr), I2(-5), Bool(1)};
    std::vector<InvokeArg> out;
    ASSERT_EQ(DispatchTable::ConvertArguments(*m, args, 3, &out), BRANTLET_OK);
    EXPECT_EQ(out[0].text, "");
    EXPECT_EQ(out[1].number, -5);
    EXPECT_EQ(out[2].number, 1);
    EXPECT_EQ(DispatchTable::ConvertArguments(*m, nullptr, 3, &out), BRANTLET_E_INVALID_ARG);
}

TEST(DispatchTable, KnowsExactlyTheDocumentedDispids)
{
    for (std::int32_t id = -600; id <= 200; ++id) {
        const bool documented = (id >= 1 && id <= 16) || id == -552 || (id >= 101 && id <= 104);
        EXPECT_EQ(DispatchTable::FindMethod(id) != nullptr, documented) << id;
    }
}

TEST(BrantletValue, LayoutIsFixed)
{
    EXPECT_EQ(sizeof(brantlet_value), 16u);
    EXPECT_EQ(offsetof(brantlet_value, u), 8u);
}

} // namespace
