// The type description installed beside the library must say what the header and the
// late-bound dispatch say: names, DISPIDs, parameters and types.
#include "brantlet/brantlet.h"
#include "dispatch_table.h"
#include "json_value.h"
#include "module_info.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

namespace {

const JsonValue& Typelib()
{
    static JsonValue doc = [] {
        std::ifstream in(BRANTLET_TYPELIB_SOURCE);
        std::stringstream text;
        text << in.rdbuf();
        JsonValue v;
        std::string error;
        EXPECT_TRUE(JsonValue::Parse(text.str(), &v, &error)) << error;
        return v;
    }();
    return doc;
}

const JsonValue* Interface(const std::string& name)
{
    for (const JsonValue& i : Typelib()["interfaces"].Array()) {
        if (i["name"].String() == name)
            return &i;
    }
    return nullptr;
}

// C spelling of a parameter or return type, from the header's declarations.
template <typename T>
std::string CName();
template <>
std::string CName<void>()
{
    return "void";
}
template <>
std::string CName<std::int32_t>()
{
    return "int32_t";
}
template <>
std::string CName<std::int16_t>()
{
    return "int16_t";
}
template <>
std::string CName<const char*>()
{
    return "const char*";
}

// Signatures are read from the declarations alone (decltype), so nothing is called.
template <typename F>
struct Signature;
template <typename R, typename... A>
struct Signature<R(brantlet*, A...)> {
    static std::vector<std::string> Names() { return {CName<R>(), CName<A>()...}; }
};
template <typename... A>
struct Signature<void (*)(void*, A...)> {
    static std::vector<std::string> Names() { return {"void", CName<A>()...}; }
};
#define METHOD(name)                                                                                                   \
    {                                                                                                                  \
#name,                                                                                                         \
        {                                                                                                              \
            BRANTLET_DISPID_##name, Signature<decltype(brantlet_##name)>::Names()                                      \
        }                                                                                                              \
    }
#define EVENT(name)                                                                                                    \
    {                                                                                                                  \
#name,                                                                                                         \
        {                                                                                                              \
            BRANTLET_EVENT_##name, Signature<brantlet_##name##_fn>::Names()                                            \
        }                                                                                                              \
    }

std::string CNameOf(const std::string& automationType)
{
    static const std::map<std::string, std::string> kMap = {
        {"long", "int32_t"}, {"BOOL", "int32_t"}, {"short", "int16_t"}, {"BSTR", "const char*"}, {"void", "void"}};
    const auto it = kMap.find(automationType);
    return it == kMap.end() ? "?" + automationType : it->second;
}

std::string AutoName(AutoType t)
{
    switch (t) {
    case AutoType::kVoid:
        return "void";
    case AutoType::kLong:
        return "long";
    case AutoType::kShort:
        return "short";
    case AutoType::kBool:
        return "BOOL";
    case AutoType::kBstr:
        return "BSTR";
    }
    return "?";
}

// The header's view of every member: DISPID enum value and C signature.
struct HeaderMember {
    std::int32_t dispid;
    std::vector<std::string> signature;
};

const std::map<std::string, HeaderMember>& HeaderMethods()
{
    static const std::map<std::string, HeaderMember> kMethods = {
        METHOD(DisconnectModem), METHOD(SendSms),           METHOD(SetSendFlag),       METHOD(SetRecvFlag),
        METHOD(GetSendFlag),     METHOD(GetRecvFlag),       METHOD(IsConnected),       METHOD(IsFreeStatus),
        METHOD(ConnectModem),    METHOD(IsConnecting),      METHOD(SetModemType),      METHOD(SetSmsServerNumber),
        METHOD(SetSendRate),     METHOD(GetConnectComName), METHOD(GetTaskCount),      METHOD(SendSignifySms),
        METHOD(AboutBox),        METHOD(SendLongSms),       METHOD(SetLongSmsTimeout), METHOD(SetResetAfterTimeouts),
        METHOD(GetSimStatus),
    };
    return kMethods;
}

const std::map<std::string, HeaderMember>& HeaderEvents()
{
    static const std::map<std::string, HeaderMember> kEvents = {
        EVENT(ConnectStatus),
        EVENT(SendSmsResult),
        EVENT(Recvsms),
        EVENT(SendReport),
    };
    return kEvents;
}

void CheckInterface(const std::string& name, const std::map<std::string, HeaderMember>& header,
                    const std::vector<MemberInfo>& table)
{
    const JsonValue* iface = Interface(name);
    ASSERT_NE(iface, nullptr) << name;
    const auto& members = (*iface)["methods"].Array();
    ASSERT_EQ(members.size(), header.size()) << name;
    ASSERT_EQ(members.size(), table.size()) << name;
    for (std::size_t n = 0; n < members.size(); ++n) {
        const JsonValue& m = members[n];
        const std::string member = m["name"].String();
        SCOPED_TRACE(name + "." + member);
        EXPECT_FALSE(m["helpstring"].String().empty());
        const auto h = header.find(member);
        ASSERT_NE(h, header.end()) << "not in the header";
        EXPECT_EQ(static_cast<std::int32_t>(m["dispid"].Number()), h->second.dispid);

        std::vector<std::string> signature = {CNameOf(m["returns"].String())};
        for (const JsonValue& p : m["params"].Array())
            signature.push_back(CNameOf(p["type"].String()));
        EXPECT_EQ(signature, h->second.signature);

        // The late-bound table, in the same order as the description.
        const MemberInfo& t = table[n];
        EXPECT_EQ(t.name, member);
        EXPECT_EQ(t.dispid, h->second.dispid);
        EXPECT_EQ(AutoName(t.returns), m["returns"].String());
        ASSERT_EQ(t.params.size(), m["params"].Array().size());
        for (std::size_t i = 0; i < t.params.size(); ++i) {
            EXPECT_EQ(AutoName(t.params[i]), m["params"].Array()[i]["type"].String());
            EXPECT_EQ(t.paramNames[i], m["params"].Array()[i]["name"].String());
        }
    }
}

TEST(TypeDescription, DispatchInterfaceMatchesHeaderAndTable)
{
    CheckInterface("_DBrantlet", HeaderMethods(), DispatchTable::Methods());
}

TEST(TypeDescription, EventInterfaceMatchesHeaderAndTable)
{
    CheckInterface("_DBrantletEvents", HeaderEvents(), DispatchTable::Events());
}

TEST(TypeDescription, IdentifiersAndRegistrationDataMatchTheModule)
{
    using namespace brantlet_module;
    const JsonValue& lib = Typelib()["library"];
    EXPECT_EQ("{" + lib["uuid"].String() + "}", kLibraryId);
    EXPECT_EQ(lib["name"].String(), kLibraryName);
    EXPECT_EQ(lib["version"].String(), kLibraryVersion);
    EXPECT_EQ(lib["helpstring"].String(), kLibraryHelpString);
    EXPECT_EQ(lib["helpfile"].String(), kLibraryHelpFile);
    EXPECT_EQ("{" + (*Interface("_DBrantlet"))["uuid"].String() + "}", kDispatchId);
    EXPECT_EQ("{" + (*Interface("_DBrantletEvents"))["uuid"].String() + "}", kEventsId);
    EXPECT_EQ((*Interface("_DBrantlet"))["helpstring"].String(), "Dispatch interface for Brantlet Control");
    EXPECT_EQ((*Interface("_DBrantletEvents"))["helpstring"].String(), "Event interface for Brantlet Control");

    const JsonValue& control = Typelib()["coclasses"].Array().at(0);
    EXPECT_EQ(control["name"].String(), "Brantlet");
    EXPECT_EQ("{" + control["uuid"].String() + "}", kControlClassId);
    EXPECT_EQ(control["helpstring"].String(), kControlTypeName);
    EXPECT_EQ(control["progid"].String(), kControlProgId);
    EXPECT_EQ(control["threading_model"].String(), kThreadingModel);
    EXPECT_EQ(std::stoul(control["misc_status"].String(), nullptr, 16), kMiscStatus);

    const JsonValue& page = Typelib()["property_pages"].Array().at(0);
    EXPECT_EQ("{" + page["uuid"].String() + "}", kPropPageClassId);
    EXPECT_EQ(page["progid"].String(), kPropPageProgId);
    EXPECT_EQ(page["caption"].String(), kPropPageCaption);
    EXPECT_EQ(page["static_text"].String(), kPropPageStaticText);
    EXPECT_EQ(static_cast<int>(page["dialog"].Number()), kPropPageDialog);
}

TEST(JsonValue, ReadsWhatTheDescriptionUsesAndRefusesBrokenText)
{
    JsonValue v;
    std::string error;
    ASSERT_TRUE(JsonValue::Parse(R"({"a":[1,-552,true,false,null],"s":"x\"\u4f60\ud83d\ude00"})", &v, &error));
    EXPECT_EQ(v["a"].Array().size(), 5u);
    EXPECT_EQ(v["a"].Array()[1].Number(), -552);
    EXPECT_TRUE(v["a"].Array()[2].Bool());
    EXPECT_EQ(v["s"].String(), "x\"你\U0001F600");
    for (const char* bad : {"", "{", "{\"a\":}", "[1,]", "{\"a\" 1}", "\"open", "[1] 2", "tru"}) {
        EXPECT_FALSE(JsonValue::Parse(bad, &v, &error)) << bad;
    }
}

} // namespace
