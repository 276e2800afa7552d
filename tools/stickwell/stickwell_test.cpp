#include "db_connection.h"
#include "execute_sql.h"
#include "label_grid.h"
#include "schema.h"
#include "sticker_range.h"
#include "sticker_source.h"
#include "stickwell_options.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A fresh folder standing in for the program directory.
class TempDir final {
public:
    TempDir()
    {
        std::string pattern = (fs::temp_directory_path() / "stickwell-test-XXXXXX").string();
        m_path = mkdtemp(pattern.data());
    }
    ~TempDir()
    {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

void WriteFile(const std::string& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary) << content;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string ProductId(int batch, int serial)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d%06d", batch, serial);
    return text;
}

// A database with the schema and the codes of batch 1 (serials 0..count-1) and batch 2
// (serials 0..4), each code's ProductCode made from its serial so it can be recognised.
class CodeDatabase final {
public:
    CodeDatabase(const std::string& path, int count)
    {
        const bool opened = m_connection.Open("Provider=SQLite;Data Source=" + path + ";Create=1;", -1);
        EXPECT_TRUE(opened) << m_connection.GetErrorsText();
        std::string error;
        EXPECT_TRUE(CreateSchema(m_connection, error)) << error;
        m_connection.BeginTrans();
        for (int i = 0; i < count; ++i)
            Insert(ProductId(1, i), CodeOf(1, i), "批次一");
        for (int i = 0; i < 5; ++i)
            Insert(ProductId(2, i), CodeOf(2, i), "Batch two");
        m_connection.CommitTrans();
    }
    void Insert(const std::string& id, const std::string& code, const std::string& name)
    {
        std::string error;
        EXPECT_TRUE(RunSql(m_connection,
                           "insert into ProductTable (ProductID,ProductCode,QueryCount,ProductName) values ('" + id +
                               "','" + code + "',0,'" + name + "')",
                           error))
            << error;
    }
    static std::string CodeOf(int batch, int serial)
    {
        char text[24]; // room for any int, so -Wformat-truncation stays quiet in every build type
        std::snprintf(text, sizeof text, "%02d%06d", 50 + batch, serial);
        return text;
    }
    CDbConnection& Connection() { return m_connection; }

private:
    CDbConnection m_connection;
};

struct RunResult {
    int exitCode = -1;
    std::string output; // stdout and stderr together
};

RunResult RunStickwell(const std::string& home, const std::string& args, const std::string& path = std::string(),
                       const std::string& tmp = std::string())
{
    const std::string log = home + "/run.log";
    const std::string command = (path.empty() ? std::string() : "PATH='" + path + "' ") +
                                (tmp.empty() ? std::string() : "TMPDIR='" + tmp + "' ") + "KELVANE_HOME='" + home +
                                "' '" STICKWELL_BINARY "' " + args + " >'" + log + "' 2>&1";
    RunResult result;
    const int status = std::system(command.c_str());
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.output = ReadFile(log);
    return result;
}

// The 16-digit codes printed on the sheet, in the order the text comes out.
std::vector<std::string> CodesInPdf(const std::string& pdf)
{
    const std::string text = pdf + ".txt";
    const std::string command = "pdftotext -layout '" + pdf + "' '" + text + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    const std::string content = ReadFile(text);
    std::vector<std::string> codes;
    const std::regex grouped("(\\d{4}) (\\d{4}) (\\d{4}) (\\d{4})");
    for (auto it = std::sregex_iterator(content.begin(), content.end(), grouped); it != std::sregex_iterator(); ++it)
        codes.push_back((*it)[1].str() + (*it)[2].str() + (*it)[3].str() + (*it)[4].str());
    return codes;
}

int LineCount(const std::string& text)
{
    int lines = 0;
    for (char c : text)
        lines += c == '\n';
    return lines;
}

} // namespace

TEST(StickerRange, ParsesTheConsoleArgument)
{
    struct Case {
        const char* argument;
        bool ok;
        const char* first;
        const char* last;
    };
    const Case cases[] = {
        {"0100000001000999", true, "01000000", "01000999"},
        {"01000000", true, "01000000", "01000000"}, // a batch of one code: no last ID
        {"0100000001000000", true, "01000000", "01000000"},
        {"0100000101000000", false, "", ""}, // first after last
        {"010000000100099", false, "", ""},  // 15 digits
        {"01000000010009999", false, "", ""},
        {"0100000a01000999", false, "", ""},
        {"", false, "", ""},
        {"-1000000", false, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argument);
        StickerRange range;
        std::string error;
        EXPECT_EQ(range.Parse(c.argument, error), c.ok);
        if (c.ok) {
            EXPECT_EQ(range.First(), c.first);
            EXPECT_EQ(range.Last(), c.last);
        } else {
            EXPECT_FALSE(error.empty());
            EXPECT_EQ(error.find('\n'), std::string::npos);
        }
    }
}

TEST(StickwellOptions, RefusesWhatItCannotUse)
{
    struct Case {
        std::vector<std::string> args;
        StickwellOptions::Outcome outcome;
    };
    using O = StickwellOptions::Outcome;
    const Case cases[] = {
        {{"0100000001000009"}, O::Run},
        {{"--no-open", "--output", "/tmp/x.pdf", "--columns=2", "--rows", "5", "--margin", "0", "0100000001000009"},
         O::Run},
        {{"--print", "--printer", "office", "01000000"}, O::Run},
        {{"--help"}, O::Help},
        {{}, O::Wrong},
        {{"01000000", "01000009"}, O::Wrong}, // the two IDs are one argument
        {{"--bogus", "01000000"}, O::Wrong},
        {{"--columns", "x", "01000000"}, O::Wrong},
        {{"--rows", "0", "01000000"}, O::Wrong},
        {{"--columns", "6", "01000000"}, O::Wrong}, // 33 mm wide labels cannot hold a sticker
        {{"--margin", "120", "01000000"}, O::Wrong},
        {{"--margin", "nan", "01000000"}, O::Wrong}, // would print blank pages
        {{"--margin", "-nan", "01000000"}, O::Wrong},
        {{"--margin", "inf", "01000000"}, O::Wrong},
        {{"--margin", "-inf", "01000000"}, O::Wrong},
        {{"--margin", "1e999", "01000000"}, O::Wrong},
        {{"--margin", "-1", "01000000"}, O::Wrong},
        {{"--printer", "office", "01000000"}, O::Wrong},
        {{"01000000", "--output"}, O::Wrong},
        {{"--no-open=yes", "01000000"}, O::Wrong},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const auto& a : c.args)
            joined += a + " ";
        SCOPED_TRACE(joined);
        StickwellOptions options;
        std::string error;
        EXPECT_EQ(options.Parse(c.args, error), c.outcome) << error;
        if (c.outcome == O::Wrong) {
            EXPECT_FALSE(error.empty());
        }
    }

    StickwellOptions options;
    std::string error;
    ASSERT_EQ(options.Parse({"--no-open", "--columns=2", "--rows", "5", "--margin", "0", "0100000001000009"}, error),
              O::Run);
    EXPECT_FALSE(options.Open());
    EXPECT_EQ(options.Grid().PerPage(), 10);
    EXPECT_DOUBLE_EQ(options.Grid().LabelWidth(), 105.0);
    const LabelGrid::Rect last = options.Grid().Label(9);
    EXPECT_DOUBLE_EQ(last.x + last.width, 210.0);
    EXPECT_DOUBLE_EQ(last.y + last.height, 297.0);
}

TEST(StickerSource, WalksTheRangeInSlicesAndNothingBeyond)
{
    TempDir dir;
    CodeDatabase db(dir.File("Varnholt.db"), 30);
    // Rows that fall into the range by text order but hold no code.
    db.Insert("0100002", "00000000", "stray");
    db.Insert("01000010", "123", "stray");

    for (long slice : {1L, 4L, 7L, 2000L}) {
        SCOPED_TRACE(slice);
        StickerRange range;
        std::string error;
        ASSERT_TRUE(range.Parse(ProductId(1, 3) + ProductId(1, 24), error));
        StickerSource source(db.Connection(), range, slice);
        std::vector<std::string> ids;
        Sticker sticker;
        StickerSource::Outcome outcome;
        while ((outcome = source.Next(sticker, error)) == StickerSource::Outcome::Sticker) {
            ids.push_back(sticker.productId);
            EXPECT_EQ(sticker.productCode, CodeDatabase::CodeOf(1, std::stoi(sticker.productId.substr(2))));
            EXPECT_EQ(sticker.productName, "批次一");
        }
        EXPECT_EQ(outcome, StickerSource::Outcome::End) << error;
        ASSERT_EQ(ids.size(), 22u);
        for (int i = 0; i < 22; ++i)
            EXPECT_EQ(ids[static_cast<std::size_t>(i)], ProductId(1, 3 + i));
    }
}

TEST(StickerSource, ReportsAnUnreadableTableInOneLine)
{
    TempDir dir;
    CDbConnection connection;
    ASSERT_TRUE(connection.Open("Provider=SQLite;Data Source=" + dir.File("empty.db") + ";Create=1;", -1));
    StickerRange range;
    std::string error;
    ASSERT_TRUE(range.Parse("01000000", error));
    StickerSource source(connection, range);
    Sticker sticker;
    EXPECT_EQ(source.Next(sticker, error), StickerSource::Outcome::Failed);
    EXPECT_NE(error.find("ProductTable"), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
}

TEST(StickwellProgram, PrintsEveryCodeOfTheRangeInOrderAndNothingElse)
{
    TempDir home;
    CodeDatabase db(home.File("Varnholt.db"), 60);
    const std::string pdf = home.File("sheet.pdf");

    // 50 codes over three pages of a 2 x 8 grid, the last page partly filled.
    const RunResult run =
        RunStickwell(home.Path(), "--no-open --columns 2 --output '" + pdf + "' " + ProductId(1, 5) + ProductId(1, 54));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("50 stickers"), std::string::npos) << run.output;

    const std::vector<std::string> codes = CodesInPdf(pdf);
    ASSERT_EQ(codes.size(), 50u);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(codes[static_cast<std::size_t>(i)], ProductId(1, 5 + i) + CodeDatabase::CodeOf(1, 5 + i));
    const std::string text = ReadFile(pdf + ".txt");
    EXPECT_NE(text.find("批次一"), std::string::npos);
    EXPECT_NE(text.find("防伪码"), std::string::npos);
    EXPECT_EQ(text.find("Batch two"), std::string::npos);
    EXPECT_EQ(LineCount(ReadFile(pdf + ".txt")) > 0, true);
}

TEST(StickwellProgram, OneCodeBatchAndTheLinkFile)
{
    // The database lies elsewhere; the link file beside the program names it.
    TempDir home;
    TempDir data;
    CodeDatabase db(data.File("shared.db"), 3);
    WriteFile(home.File("Varnholt-dblink.ini"), "Provider=SQLite;Data Source=" + data.File("shared.db") + ";");
    const std::string pdf = home.File("one.pdf");

    const RunResult run = RunStickwell(home.Path(), "--no-open --output '" + pdf + "' " + ProductId(2, 4));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(CodesInPdf(pdf), std::vector<std::string>{ProductId(2, 4) + CodeDatabase::CodeOf(2, 4)});
}

TEST(StickwellProgram, LongestNamesPrintWhole)
{
    // The console takes names of up to 25 GBK bytes; on a crowded sheet they go on two
    // lines, so the text is compared without its line breaks and blanks.
    const auto squeezed = [](std::string text) {
        std::erase_if(text, [](char c) { return c == ' ' || c == '\n' || c == '\f'; });
        return text;
    };
    const char* const names[] = {"O'Brien 一二三四五六七八", "一二三四五六七八九十壹贰A", "ABCDEFGHIJKLMNOPQRSTUVWXY"};
    const char* const grids[] = {"", "--columns 5 --rows 12"};
    for (const char* grid : grids) {
        for (const char* name : names) {
            SCOPED_TRACE(std::string(name) + " " + grid);
            TempDir home;
            CodeDatabase db(home.File("Varnholt.db"), 0);
            db.Insert(ProductId(3, 0), CodeDatabase::CodeOf(3, 0),
                      std::regex_replace(std::string(name), std::regex("'"), "''"));
            const std::string pdf = home.File("sheet.pdf");
            const RunResult run = RunStickwell(home.Path(), std::string("--no-open ") + grid + " --output '" + pdf +
                                                                "' " + ProductId(3, 0));
            ASSERT_EQ(run.exitCode, 0) << run.output;
            ASSERT_EQ(CodesInPdf(pdf).size(), 1u);
            const std::string text = ReadFile(pdf + ".txt");
            EXPECT_NE(squeezed(text).find(squeezed(name)), std::string::npos) << text;
            EXPECT_EQ(text.find("…"), std::string::npos) << text;
        }
    }
}

TEST(StickwellProgram, FailuresSayOneLineAndLeaveNoSheet)
{
    TempDir home;
    const std::string pdf = home.File("never.pdf");
    struct Case {
        const char* name;
        bool withDatabase;
        std::string args;
        const char* says;
    };
    const Case cases[] = {
        {"wrong argument", true, "--no-open --output '" + pdf + "' 0100000001", "16 digits"},
        {"no argument", true, "--no-open", "missing argument"},
        {"missing database", false, "--no-open --output '" + pdf + "' 0100000001000009", "database not found"},
        {"empty range", true, "--no-open --output '" + pdf + "' 0300000003000009", "no codes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        std::unique_ptr<CodeDatabase> db;
        if (c.withDatabase)
            db = std::make_unique<CodeDatabase>(dir.File("Varnholt.db"), 3);
        const RunResult run = RunStickwell(dir.Path(), c.args);
        EXPECT_NE(run.exitCode, 0);
        EXPECT_EQ(LineCount(run.output), 1) << run.output;
        EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
        EXPECT_FALSE(fs::exists(pdf));
    }
}

TEST(StickwellProgram, SheetIsPrivateAndNeverWrittenThroughALink)
{
    TempDir home;
    CodeDatabase db(home.File("Varnholt.db"), 2);
    const std::string range = ProductId(1, 0) + ProductId(1, 1);
    const std::string tmp = home.File("tmp");
    fs::create_directory(tmp);
    // Another user's links at the names a sheet could be given.
    WriteFile(home.File("victim"), "keep");
    fs::create_symlink(home.File("victim"), tmp + "/stickwell-" + ProductId(1, 0) + "-" + ProductId(1, 1) + ".pdf");
    fs::create_symlink(home.File("victim"), home.File("given.pdf"));

    const RunResult run = RunStickwell(home.Path(), "--no-open " + range, std::string(), tmp);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const std::smatch found = [&] {
        std::smatch m;
        std::regex_search(run.output, m, std::regex("in (/\\S+\\.pdf)"));
        return m;
    }();
    ASSERT_FALSE(found.empty()) << run.output;
    const fs::path sheet = found[1].str();
    EXPECT_EQ(sheet.parent_path().parent_path(), fs::path(tmp));
    EXPECT_EQ(fs::status(sheet.parent_path()).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(fs::status(sheet).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(CodesInPdf(sheet.string()).size(), 2u);

    const RunResult given = RunStickwell(home.Path(), "--no-open --output '" + home.File("given.pdf") + "' " + range);
    ASSERT_EQ(given.exitCode, 0) << given.output;
    EXPECT_FALSE(fs::is_symlink(home.File("given.pdf")));
    EXPECT_EQ(fs::status(home.File("given.pdf")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(ReadFile(home.File("victim")), "keep");
}

TEST(StickwellProgram, HandsTheSheetToTheViewerOrThePrinter)
{
    TempDir home;
    CodeDatabase db(home.File("Varnholt.db"), 2);
    // Stand-ins for the desktop's viewer and CUPS that note how they were called.
    TempDir bin;
    for (const char* tool : {"xdg-open", "lp"}) {
        const std::string script = bin.File(tool);
        WriteFile(script, std::string("#!/bin/sh\necho \"$@\" > '") + bin.File(std::string(tool) + ".args") + "'\n");
        fs::permissions(script, fs::perms::owner_all);
    }
    const std::string path = bin.Path() + ":/usr/bin:/bin";
    const std::string pdf = home.File("sheet.pdf");
    const std::string range = ProductId(1, 0) + ProductId(1, 1);

    ASSERT_EQ(RunStickwell(home.Path(), "--output '" + pdf + "' " + range, path).exitCode, 0);
    // The viewer is started and left to run.
    for (int i = 0; i < 100 && !fs::exists(bin.File("xdg-open.args")); ++i)
        usleep(20000);
    EXPECT_EQ(ReadFile(bin.File("xdg-open.args")), pdf + "\n");

    const RunResult printed =
        RunStickwell(home.Path(), "--print --printer office --output '" + pdf + "' " + range, path);
    ASSERT_EQ(printed.exitCode, 0) << printed.output;
    EXPECT_EQ(ReadFile(bin.File("lp.args")), "-d office -- " + pdf + "\n");

    // No viewer for the sheet: it stays where it was written, and the last line says where.
    WriteFile(bin.File("xdg-open"), "#!/bin/sh\necho 'xdg-open: no method available for opening' >&2\nexit 3\n");
    const RunResult unseen = RunStickwell(home.Path(), "--output '" + pdf + "' " + range, path);
    EXPECT_EQ(unseen.exitCode, 3) << unseen.output;
    EXPECT_NE(unseen.output.find("the sheet is in " + pdf), std::string::npos) << unseen.output;
    EXPECT_TRUE(fs::exists(pdf));

    // A printer that refuses: one line, and a failure.
    WriteFile(bin.File("lp"), "#!/bin/sh\necho 'lp: The printer or class does not exist.' >&2\nexit 1\n");
    const RunResult refused = RunStickwell(home.Path(), "--print --output '" + pdf + "' " + range, path);
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_NE(refused.output.find("does not exist"), std::string::npos) << refused.output;
}
