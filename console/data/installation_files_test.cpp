#include "connection_string.h"
#include "link_file.h"
#include "one_line.h"
#include "program_home.h"
#include "sticker_settings.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

class Folder final {
public:
    Folder()
    {
        char pattern[] = "/tmp/kelvane-files-XXXXXX";
        m_path = mkdtemp(pattern);
    }
    ~Folder() { fs::remove_all(m_path); }
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

void Write(const std::string& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary) << content;
}

std::string Read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

fs::perms Mode(const std::string& path)
{
    return fs::symlink_status(path).permissions() & fs::perms::all;
}

TEST(LinkFile, MoreThanTwentyBytesHoldTheConnectionStringAsWritten)
{
    Folder dir;
    const std::string link = dir.File("Varnholt-dblink.ini");
    const std::string fallback = "Provider=SQLite;Data Source=" + dir.Path() + "/Varnholt.db;";
    const struct {
        const char* name;
        const char* content; // nullptr: no file
        std::string read;
    } cases[] = {
        {"missing", nullptr, fallback},
        {"20 bytes count as missing", "Provider=SQLite;Data", fallback},
        {"21 bytes, untrimmed", "Provider=SQLite; x;\r\n", "Provider=SQLite; x;\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(link);
        if (c.content)
            Write(link, c.content);
        EXPECT_EQ(LinkConnectionString(dir.Path()), c.read);
        EXPECT_EQ(fs::exists(link), c.content != nullptr) << "reading never writes";
    }
    // A link file named by path, as a gateway host may be given one.
    EXPECT_EQ(ReadLinkFile(link), std::optional<std::string>("Provider=SQLite; x;\r\n"));
    Write(link, "Provider=SQLite;Data");
    EXPECT_EQ(ReadLinkFile(link), std::nullopt);
    EXPECT_EQ(ReadLinkFile(dir.File("missing.ini")), std::nullopt);
}

TEST(LinkFile, DefaultIsWrittenForTheOwnerOnlyAndNeverThroughALink)
{
    Folder dir;
    const std::string link = dir.File("Varnholt-dblink.ini");
    const mode_t saved = umask(022);
    const std::string chosen = ChooseConnectionString(dir.Path());
    umask(saved);
    EXPECT_EQ(chosen, DefaultConnectionString(dir.Path()));
    EXPECT_EQ(Read(link), chosen);
    EXPECT_EQ(Mode(link), fs::perms::owner_read | fs::perms::owner_write);

    // A link planted where the file is missing is replaced; its target is left alone.
    fs::remove(link);
    Write(dir.File("elsewhere"), "short");
    fs::create_symlink(dir.File("elsewhere"), link);
    EXPECT_EQ(ChooseConnectionString(dir.Path()), chosen);
    EXPECT_FALSE(fs::is_symlink(link));
    EXPECT_EQ(Read(dir.File("elsewhere")), "short");

    std::string error;
    ASSERT_TRUE(WriteLinkFile(dir.Path(), "Provider=PostgreSQL;Host=db;Password=secret;", error)) << error;
    EXPECT_EQ(LinkConnectionString(dir.Path()), "Provider=PostgreSQL;Host=db;Password=secret;");
    EXPECT_EQ(Mode(link), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_FALSE(WriteLinkFile(dir.File("no/such/folder"), "Provider=SQLite;Data Source=x;", error));
    EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
}

TEST(ProgramHome, OverrideIsAbsoluteWithoutATrailingSlash)
{
    const char* saved = getenv("KELVANE_HOME");
    const std::string keep = saved ? saved : "";
    const struct {
        const char* value;
        std::string home;
    } cases[] = {
        {"/opt/varnholt/", "/opt/varnholt"},
        {"/opt//varnholt/./bin/..", "/opt/varnholt"},
        {"relative", (fs::current_path() / "relative").string()},
    };
    for (const auto& c : cases) {
        setenv("KELVANE_HOME", c.value, 1);
        EXPECT_EQ(ProgramHome(), c.home) << c.value;
    }
    unsetenv("KELVANE_HOME");
    EXPECT_EQ(ProgramHome(), fs::read_symlink("/proc/self/exe").parent_path().string());
    if (saved)
        setenv("KELVANE_HOME", keep.c_str(), 1);
}

TEST(ProviderOf, NamesEveryProgramAccepts)
{
    const struct {
        const char* text;
        ProviderKind kind;
    } cases[] = {
        {"Provider=SQLite;", ProviderKind::SQLite},
        {"provider = sqlite3 ;", ProviderKind::SQLite},
        {"Provider=PostgreSQL;", ProviderKind::PostgreSQL},
        {"PROVIDER=Postgres;", ProviderKind::PostgreSQL},
        {"Provider=Microsoft.Jet.OLEDB.4.0;", ProviderKind::Unknown},
        {"Data Source=x.db;", ProviderKind::Unknown},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProviderOf(ConnectionString(c.text)), c.kind) << c.text;
}

TEST(OneLine, ErrorTextsBecomeOneLine)
{
    EXPECT_EQ(OneLine("Description: no such table: X\r\n\r\nState: 42000, Native: 1, Source: SQLite\r\n"
                      "Description: second\r\n\r\nState: HY000, Native: 0, Source: SQLite\r\n"),
              "no such table: X (State: 42000, Native: 1, Source: SQLite); second (State: HY000, Native: 0, "
              "Source: SQLite)");
    EXPECT_EQ(OneLine("lp: error\nmore\n"), "lp: error more");
}

TEST(StickerSettings, TheServiceNumberIsWrittenOnceAndReadBack)
{
    Folder dir;
    EXPECT_EQ(ReadSmsNumber(dir.Path()), "");
    std::string error;
    for (const char* wrong : {"", "12", "+", "1065 7123", "abc", "123456789012345678901", "++123"}) {
        EXPECT_FALSE(WriteSmsNumber(dir.Path(), wrong, error)) << wrong;
        EXPECT_FALSE(error.empty());
    }
    EXPECT_FALSE(fs::exists(dir.File("Varnholt-stickers.ini")));
    ASSERT_TRUE(WriteSmsNumber(dir.Path(), "1065712345678", error)) << error;
    EXPECT_EQ(ReadSmsNumber(dir.Path()), "1065712345678");
    ASSERT_TRUE(WriteSmsNumber(dir.Path(), "+8613800138000", error)) << error;
    EXPECT_EQ(ReadSmsNumber(dir.Path()), "+8613800138000");

    // Written by hand: other lines, blanks and letter case do not matter; a wrong number is none.
    Write(dir.File("Varnholt-stickers.ini"), "; service number\r\n[Stickers]\r\n smsnumber = 10690000 \r\n");
    EXPECT_EQ(ReadSmsNumber(dir.Path()), "10690000");
    Write(dir.File("Varnholt-stickers.ini"), "[Stickers]\nSmsNumber=call us\n");
    EXPECT_EQ(ReadSmsNumber(dir.Path()), "");
}

} // namespace
