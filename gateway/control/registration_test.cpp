#include "registration.h"

#include "module_info.h"
#include "registry_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using namespace brantlet_module;

// A scratch folder holding the registry file (through BRANTLET_REGISTRY) and a type library.
class RegistrationTest : public testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/brantlet-reg-XXXXXX";
        m_dir = mkdtemp(tmpl);
        m_registry = m_dir + "/data/brantlet/registry.reg";
        m_typelib = m_dir + "/lib/brantlet.typelib.json";
        fs::create_directories(m_dir + "/lib");
        std::ofstream(m_typelib) << "{}\n";
        setenv("BRANTLET_REGISTRY", m_registry.c_str(), 1);
    }
    void TearDown() override
    {
        unsetenv("BRANTLET_REGISTRY");
        fs::remove_all(m_dir);
    }
    RegistryFile Load()
    {
        RegistryFile reg;
        EXPECT_TRUE(reg.Load(m_registry));
        return reg;
    }
    std::string Library() const { return m_dir + "/lib/libbrantlet.so.1"; }

    std::string m_dir;
    std::string m_registry;
    std::string m_typelib;
};

TEST_F(RegistrationTest, RegistersClassesProgIdsAndTypeLibrary)
{
    ASSERT_EQ(Registration::Register(Library(), m_typelib), Registration::kOk);
    const RegistryFile reg = Load();
    const std::string control = std::string("Software\\Classes\\CLSID\\") + kControlClassId;
    ASSERT_NE(reg.Value(control + "\\InprocServer32", ""), nullptr);
    EXPECT_EQ(*reg.Value(control + "\\InprocServer32", ""), Library());
    EXPECT_EQ(*reg.Value(control + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(*reg.Value(control + "\\MiscStatus\\1", ""), "131473"); // 0x20191
    EXPECT_EQ(*reg.Value(control + "\\ProgID", ""), kControlProgId);
    EXPECT_EQ(*reg.Value(control + "\\TypeLib", ""), kLibraryId);
    EXPECT_TRUE(reg.HasKey(control + "\\Control"));
    EXPECT_FALSE(reg.HasKey(control + "\\Insertable"));
    EXPECT_EQ(*reg.Value(std::string("Software\\Classes\\TypeLib\\") + kLibraryId + "\\1.0\\0\\linux", ""), m_typelib);

    std::string classId;
    std::string library;
    ASSERT_TRUE(Registration::Lookup(kControlProgId, &classId, &library));
    EXPECT_EQ(classId, kControlClassId);
    EXPECT_EQ(library, Library());
    ASSERT_TRUE(Registration::Lookup(kPropPageProgId, &classId, &library));
    EXPECT_EQ(classId, kPropPageClassId);
}

TEST_F(RegistrationTest, UnregisterLeavesNoProgIdAndKeepsOtherEntries)
{
    RegistryFile other;
    other.SetValue("Software\\Classes\\Other.Thing.1\\CLSID", "", "{0}");
    ASSERT_TRUE(other.Save(m_registry));
    ASSERT_EQ(Registration::Register(Library(), m_typelib), Registration::kOk);
    ASSERT_EQ(Registration::Register(Library(), m_typelib), Registration::kOk); // again: no harm
    ASSERT_EQ(Registration::Unregister(), Registration::kOk);
    std::string classId;
    std::string library;
    EXPECT_FALSE(Registration::Lookup(kControlProgId, &classId, &library));
    EXPECT_FALSE(Registration::Lookup(kPropPageProgId, &classId, &library));
    const RegistryFile reg = Load();
    EXPECT_EQ(reg.KeyCount(), 1u);
    EXPECT_TRUE(reg.HasKey("software\\classes\\other.thing.1\\clsid")); // keys ignore case
    EXPECT_EQ(Registration::Unregister(), Registration::kOk);
}

TEST_F(RegistrationTest, FailuresAnswerTheSelfRegistrationCodes)
{
    EXPECT_EQ(Registration::Register(Library(), m_dir + "/missing.json"), static_cast<std::int32_t>(0x80040200));
    // A registry that is not a registry file is neither read nor overwritten.
    fs::create_directories(fs::path(m_registry).parent_path());
    std::ofstream(m_registry) << "something else\n";
    EXPECT_EQ(Registration::Register(Library(), m_typelib), static_cast<std::int32_t>(0x80040200));
    EXPECT_EQ(Registration::Unregister(), static_cast<std::int32_t>(0x80040200));
    // A registry in a folder that cannot be made.
    const std::string blocked = m_dir + "/file/registry.reg";
    std::ofstream(m_dir + "/file") << "x";
    setenv("BRANTLET_REGISTRY", blocked.c_str(), 1);
    EXPECT_EQ(Registration::Register(Library(), m_typelib), static_cast<std::int32_t>(0x80040200));
}

TEST_F(RegistrationTest, RegistryPathFollowsTheEnvironment)
{
    EXPECT_EQ(Registration::RegistryPath(), m_registry);
    unsetenv("BRANTLET_REGISTRY");
    const char* oldXdg = std::getenv("XDG_DATA_HOME");
    const std::string saved = oldXdg ? oldXdg : "";
    setenv("XDG_DATA_HOME", "/srv/data", 1);
    EXPECT_EQ(Registration::RegistryPath(), "/srv/data/brantlet/registry.reg");
    setenv("XDG_DATA_HOME", "relative", 1); // not absolute: ignored, as the XDG rules say
    EXPECT_TRUE(Registration::RegistryPath().ends_with("/.local/share/brantlet/registry.reg"))
        << Registration::RegistryPath();
    if (oldXdg) {
        setenv("XDG_DATA_HOME", saved.c_str(), 1);
    } else {
        unsetenv("XDG_DATA_HOME");
    }
}

TEST(RegistryFile, SurvivesQuotesBackslashesAndLineBreaksInValues)
{
    char tmpl[] = "/tmp/brantlet-regfile-XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    RegistryFile reg;
    reg.SetValue("A\\B", "", "x\"y\\z\nw");
    reg.SetValue("A\\B", "name \"q\"", "v");
    reg.CreateKey("A\\B\\Empty");
    ASSERT_TRUE(reg.Save(dir + "/r.reg"));
    RegistryFile back;
    ASSERT_TRUE(back.Load(dir + "/r.reg"));
    EXPECT_EQ(*back.Value("a\\b", ""), "x\"y\\z\nw");
    EXPECT_EQ(*back.Value("A\\B", "name \"q\""), "v");
    EXPECT_TRUE(back.HasKey("A\\B\\Empty"));
    back.DeleteTree("A");
    EXPECT_EQ(back.KeyCount(), 0u);
    fs::remove_all(dir);
}

} // namespace
