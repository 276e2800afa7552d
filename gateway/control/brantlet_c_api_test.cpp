// The C binding without a modem: defaults, argument handling, late binding, the about box,
// version data, registration and the exported symbols.
#include "brantlet/brantlet.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

namespace {

struct HandleDeleter {
    void operator()(brantlet* h) const { brantlet_destroy(h); }
};
using Handle = std::unique_ptr<brantlet, HandleDeleter>;

brantlet_value I4(std::int32_t v)
{
    brantlet_value x{};
    x.type = BRANTLET_VT_I4;
    x.u.i4 = v;
    return x;
}
brantlet_value Str(const char* s)
{
    brantlet_value x{};
    x.type = BRANTLET_VT_BSTR;
    x.u.str = s;
    return x;
}

TEST(CBinding, FreshControlAnswersItsDefaults)
{
    Handle h(brantlet_create());
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(brantlet_GetSendFlag(h.get()), 1);
    EXPECT_EQ(brantlet_GetRecvFlag(h.get()), 1);
    EXPECT_EQ(brantlet_IsConnected(h.get()), 0);
    EXPECT_EQ(brantlet_IsConnecting(h.get()), 0);
    EXPECT_EQ(brantlet_GetTaskCount(h.get()), 0);
    EXPECT_STREQ(brantlet_GetConnectComName(h.get()), "");
    EXPECT_GE(brantlet_get_fd(h.get()), 0);
    // The scan timer runs from creation on.
    const std::int32_t wait = brantlet_next_timeout_ms(h.get());
    EXPECT_GT(wait, 170000);
    EXPECT_LE(wait, 180100);
}

TEST(CBinding, MethodsKeepTheirAutomationResults)
{
    Handle h(brantlet_create());
    EXPECT_EQ(brantlet_SetSendFlag(h.get(), 7), 0);
    EXPECT_EQ(brantlet_GetSendFlag(h.get()), 7);
    EXPECT_EQ(brantlet_SetRecvFlag(h.get(), 0), 0);
    EXPECT_EQ(brantlet_GetRecvFlag(h.get()), 0);
    EXPECT_EQ(brantlet_SendSms(h.get(), "  \t", "text", 1), 0);
    EXPECT_EQ(brantlet_SendSms(h.get(), nullptr, "text", 1), 0);
    EXPECT_EQ(brantlet_SendSms(h.get(), "10086", nullptr, 2), 1);
    EXPECT_EQ(brantlet_SendSignifySms(h.get(), "13812345678", "你好", 3), 1);
    EXPECT_EQ(brantlet_GetTaskCount(h.get()), 2);
    EXPECT_EQ(brantlet_IsFreeStatus(h.get()), 0);
    // Modem type 0 runs at 19200 only; a missing device cannot be opened.
    EXPECT_EQ(brantlet_ConnectModem(h.get(), "/dev/brantlet-no-such-port", 9600, 0), 0);
    EXPECT_EQ(brantlet_ConnectModem(h.get(), "/dev/brantlet-no-such-port", 19200, 0), -1);
    EXPECT_EQ(brantlet_IsConnecting(h.get()), 0);
    EXPECT_EQ(brantlet_SetModemType(h.get(), 1), 0);
    EXPECT_EQ(brantlet_ConnectModem(h.get(), "/dev/brantlet-no-such-port", 9600, 0), -1);
    EXPECT_EQ(brantlet_DisconnectModem(h.get()), 1);
}

TEST(CBinding, NullHandleIsHarmless)
{
    EXPECT_EQ(brantlet_SendSms(nullptr, "10086", "x", 1), 0);
    EXPECT_EQ(brantlet_ConnectModem(nullptr, "/dev/null", 19200, 0), 0);
    EXPECT_STREQ(brantlet_GetConnectComName(nullptr), "");
    EXPECT_EQ(brantlet_get_fd(nullptr), -1);
    EXPECT_EQ(brantlet_next_timeout_ms(nullptr), -1);
    EXPECT_EQ(brantlet_dispatch(nullptr), BRANTLET_E_INVALID_ARG);
    EXPECT_EQ(brantlet_invoke(nullptr, 1, nullptr, 0, nullptr), BRANTLET_E_INVALID_ARG);
    EXPECT_EQ(brantlet_on_Recvsms(nullptr, nullptr, nullptr), BRANTLET_E_INVALID_ARG);
    brantlet_SetSmsServerNumber(nullptr, "x");
    brantlet_AboutBox(nullptr);
    brantlet_destroy(nullptr);
}

TEST(CBinding, InvokeCallsByDispidAndRefusesBadCalls)
{
    Handle h(brantlet_create());
    brantlet_value r{};
    ASSERT_EQ(brantlet_invoke(h.get(), BRANTLET_DISPID_GetSendFlag, nullptr, 0, &r), BRANTLET_OK);
    EXPECT_EQ(r.type, BRANTLET_VT_BOOL);
    EXPECT_EQ(r.u.boolean, 1);

    const brantlet_value off[] = {I4(0)};
    ASSERT_EQ(brantlet_invoke(h.get(), BRANTLET_DISPID_SetSendFlag, off, 1, &r), BRANTLET_OK);
    EXPECT_EQ(brantlet_GetSendFlag(h.get()), 0);

    const brantlet_value send[] = {Str("13812345678"), Str("hello"), I4(42)};
    ASSERT_EQ(brantlet_invoke(h.get(), BRANTLET_DISPID_SendSms, send, 3, &r), BRANTLET_OK);
    EXPECT_EQ(r.type, BRANTLET_VT_I4);
    EXPECT_EQ(r.u.i4, 1);

    // Refused calls do nothing.
    const brantlet_value swapped[] = {I4(42), Str("hello"), Str("13812345678")};
    EXPECT_EQ(brantlet_invoke(h.get(), BRANTLET_DISPID_SendSms, swapped, 3, &r), BRANTLET_E_TYPE_MISMATCH);
    EXPECT_EQ(brantlet_invoke(h.get(), BRANTLET_DISPID_SendSms, send, 2, &r), BRANTLET_E_BAD_PARAM_COUNT);
    EXPECT_EQ(brantlet_invoke(h.get(), 17, nullptr, 0, &r), BRANTLET_E_MEMBER_NOT_FOUND);
    EXPECT_EQ(brantlet_invoke(h.get(), 0, nullptr, 0, &r), BRANTLET_E_MEMBER_NOT_FOUND);
    const brantlet_value big[] = {I4(70000)};
    EXPECT_EQ(brantlet_invoke(h.get(), BRANTLET_DISPID_SetSendRate, big, 1, nullptr), BRANTLET_E_OVERFLOW);
    EXPECT_EQ(brantlet_GetTaskCount(h.get()), 1);

    ASSERT_EQ(brantlet_invoke(h.get(), BRANTLET_DISPID_GetConnectComName, nullptr, 0, &r), BRANTLET_OK);
    EXPECT_EQ(r.type, BRANTLET_VT_BSTR);
    EXPECT_STREQ(r.u.str, "");
    ASSERT_EQ(brantlet_invoke(h.get(), BRANTLET_DISPID_SetSmsServerNumber, send, 1, &r), BRANTLET_OK);
    EXPECT_EQ(r.type, BRANTLET_VT_EMPTY);

    // The additions: a long text goes as one message of three parts; one too long is refused.
    const std::string longText(400, 'x');
    const std::string tooLong(255 * 153 + 1, 'x');
    const brantlet_value sendLong[] = {Str("10086"), Str(longText.c_str()), I4(7), I4(0)};
    ASSERT_EQ(brantlet_invoke(h.get(), BRANTLET_DISPID_SendLongSms, sendLong, 4, &r), BRANTLET_OK);
    EXPECT_EQ(r.u.i4, 1);
    EXPECT_EQ(brantlet_GetTaskCount(h.get()), 2 + 3);
    EXPECT_EQ(brantlet_SendLongSms(h.get(), "10086", tooLong.c_str(), 8, 0), -1);
    EXPECT_EQ(brantlet_SendLongSms(h.get(), " ", "x", 9, 0), 0);
    ASSERT_EQ(brantlet_invoke(h.get(), BRANTLET_DISPID_GetSimStatus, nullptr, 0, &r), BRANTLET_OK);
    EXPECT_EQ(r.type, BRANTLET_VT_I4);
    EXPECT_EQ(r.u.i4, BRANTLET_SIM_UNKNOWN);
    EXPECT_EQ(brantlet_invoke(h.get(), BRANTLET_DISPID_SetLongSmsTimeout, off, 1, &r), BRANTLET_OK);
    EXPECT_EQ(brantlet_invoke(h.get(), BRANTLET_DISPID_SetResetAfterTimeouts, off, 1, &r), BRANTLET_OK);
}

TEST(CBinding, AboutBoxGoesToTheHostsHandler)
{
    Handle h(brantlet_create());
    std::string seen;
    brantlet_set_about_handler(
        h.get(),
        [](void* user, const char* title, const char* text) {
            *static_cast<std::string*>(user) = std::string(title) + "|" + text;
        },
        &seen);
    ASSERT_EQ(brantlet_invoke(h.get(), BRANTLET_DISPID_AboutBox, nullptr, 0, nullptr), BRANTLET_OK);
    EXPECT_EQ(seen.rfind("About Brantlet|Brantlet Control, Version 1.0\n", 0), 0u) << seen;
}

TEST(CBinding, VersionDataAndPropertyPage)
{
    EXPECT_STREQ(brantlet_version_info(BRANTLET_VERSION_FILE_VERSION), "1.0.0.1");
    EXPECT_STREQ(brantlet_version_info(BRANTLET_VERSION_PRODUCT_NAME), "Brantlet ActiveX Control Module");
    EXPECT_STREQ(brantlet_version_info(BRANTLET_VERSION_INTERNAL_NAME), "Brantlet");
    EXPECT_STREQ(brantlet_version_info(BRANTLET_VERSION_ORIGINAL_FILENAME), "Brantlet.OCX");
    EXPECT_EQ(brantlet_version_info(0), nullptr);
    uint16_t v[4] = {};
    brantlet_file_version(&v[0], &v[1], &v[2], &v[3]);
    EXPECT_EQ(v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3], 1001);
    EXPECT_STREQ(brantlet_property_page_info(BRANTLET_PROPPAGE_CAPTION), "General");
    EXPECT_STREQ(brantlet_property_page_info(BRANTLET_PROPPAGE_STATIC_TEXT),
                 "TODO: Place controls to manipulate properties of Brantlet Control on this dialog.");
}

TEST(CBinding, RegistrationAndCreationThroughTheRegistry)
{
    char tmpl[] = "/tmp/brantlet-registry-XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    setenv("BRANTLET_REGISTRY", (dir + "/registry.reg").c_str(), 1);
    brantlet* h = nullptr;
    EXPECT_EQ(brantlet_create_from_progid("BRANTLET.BrantletCtrl.1", &h), BRANTLET_E_NOT_REGISTERED);
    ASSERT_EQ(DllRegisterServer(), BRANTLET_S_OK);
    ASSERT_EQ(brantlet_create_from_progid("BRANTLET.BrantletCtrl.1", &h), BRANTLET_OK);
    EXPECT_EQ(brantlet_GetSendFlag(h), 1);
    brantlet_destroy(h);
    EXPECT_EQ(brantlet_create_from_progid("BRANTLET.BrantletPropPage.1", &h), BRANTLET_E_NOT_REGISTERED);
    EXPECT_EQ(brantlet_create_from_progid(nullptr, &h), BRANTLET_E_INVALID_ARG);
    ASSERT_EQ(DllUnregisterServer(), BRANTLET_S_OK);
    EXPECT_EQ(brantlet_create_from_progid("BRANTLET.BrantletCtrl.1", &h), BRANTLET_E_NOT_REGISTERED);
    unsetenv("BRANTLET_REGISTRY");
    std::filesystem::remove_all(dir);
}

TEST(CBinding, LibraryExportsOnlyTheDocumentedFunctions)
{
    const std::set<std::string> documented = {"brantlet_create",
                                              "brantlet_create_from_progid",
                                              "brantlet_destroy",
                                              "brantlet_DisconnectModem",
                                              "brantlet_SendSms",
                                              "brantlet_SetSendFlag",
                                              "brantlet_SetRecvFlag",
                                              "brantlet_GetSendFlag",
                                              "brantlet_GetRecvFlag",
                                              "brantlet_IsConnected",
                                              "brantlet_IsFreeStatus",
                                              "brantlet_ConnectModem",
                                              "brantlet_IsConnecting",
                                              "brantlet_SetModemType",
                                              "brantlet_SetSmsServerNumber",
                                              "brantlet_SetSendRate",
                                              "brantlet_GetConnectComName",
                                              "brantlet_GetTaskCount",
                                              "brantlet_SendSignifySms",
                                              "brantlet_AboutBox",
                                              "brantlet_invoke",
                                              "brantlet_on_ConnectStatus",
                                              "brantlet_on_SendSmsResult",
                                              "brantlet_on_Recvsms",
                                              "brantlet_on_SendReport",
                                              "brantlet_on_event",
                                              "brantlet_get_fd",
                                              "brantlet_next_timeout_ms",
                                              "brantlet_dispatch",
                                              "brantlet_run_for",
                                              "brantlet_set_about_handler",
                                              "brantlet_version_info",
                                              "brantlet_file_version",
                                              "brantlet_property_page_info",
                                              "DllRegisterServer",
                                              "DllUnregisterServer",
                                              "brantlet_SendLongSms",
                                              "brantlet_SetLongSmsTimeout",
                                              "brantlet_SetResetAfterTimeouts",
                                              "brantlet_GetSimStatus"};
    FILE* nm = popen("nm -D --defined-only " BRANTLET_LIBRARY_FILE " 2>&1", "r");
    ASSERT_NE(nm, nullptr);
    std::set<std::string> exported;
    char line[512];
    while (fgets(line, sizeof line, nm)) {
        char address[64];
        char kind[8];
        char name[400];
        if (std::sscanf(line, "%63s %7s %399s", address, kind, name) == 3)
            exported.insert(name);
    }
    pclose(nm);
    EXPECT_EQ(exported, documented);
}

} // namespace
