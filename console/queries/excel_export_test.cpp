#include "excel_export.h"

#include "workbook_reader.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

using Rows = std::vector<std::vector<std::string>>;

class ExcelExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("excel_export_test_" + std::to_string(getpid()) + "_" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    ExcelWriteOutcome Write(const std::string& path, const ExcelExportSpec& spec, const Rows& rows)
    {
        return WriteExcelWorkbook(path, spec, rows.size(),
                                  [&](std::size_t row, std::size_t column) { return rows[row][column]; });
    }
    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir))
            names.push_back(entry.path().filename().string());
        return names;
    }

    fs::path m_dir;
};

TEST_F(ExcelExportTest, EachPageGetsItsSheetHeaderAndRowsInListOrder)
{
    struct Case {
        const ExcelExportSpec* spec;
        std::string sheet;
        std::vector<std::string> header;
    };
    const Case cases[] = {
        {&BulkSmsExportSpec(), "短信记录", {"序号", "状态", "时间", "手机号码", "短信内容"}},
        {&QueryRecordsExportSpec(),
         "防伪查询记录表",
         {"查询序号", "查询状态", "查询时间", "查询手机号", "产品编号", "查询码值", "真实码值", "查询串口", "省份",
          "城市"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sheet);
        Rows rows;
        for (int r = 0; r < 3; ++r) {
            std::vector<std::string> row;
            for (std::size_t column = 0; column < c.header.size(); ++column)
                row.push_back("r" + std::to_string(r) + "c" + std::to_string(column));
            rows.push_back(row);
        }
        const std::string path = (m_dir / (c.sheet + ".xlsx")).string();
        ASSERT_EQ(Write(path, *c.spec, rows), ExcelWriteOutcome::Written);
        const WorkbookContent book = ReadWorkbook(path);
        ASSERT_TRUE(book.read) << book.error;
        EXPECT_EQ(book.sheets, std::vector<std::string>{c.sheet});
        ASSERT_EQ(book.rows.size(), 4u);
        EXPECT_EQ(book.rows[0], c.header);
        for (int r = 0; r < 3; ++r)
            EXPECT_EQ(book.rows[static_cast<std::size_t>(r) + 1], rows[static_cast<std::size_t>(r)]);
    }
}

TEST_F(ExcelExportTest, CellsAreWrittenAsTypedAndAnEmptyCellAsOneBlank)
{
    const Rows rows = {
        {"12", "成功", "", "13800138000", "It's 春茶 'fresh'"},
        {"7", "接收", "2026-12-10 09:08:07", "+8613900000000", "第一行\n第二行"},
    };
    const std::string path = (m_dir / "cells.xlsx").string();
    ASSERT_EQ(Write(path, BulkSmsExportSpec(), rows), ExcelWriteOutcome::Written);
    const WorkbookContent book = ReadWorkbook(path);
    ASSERT_TRUE(book.read) << book.error;
    ASSERT_EQ(book.rows.size(), 3u);
    EXPECT_EQ(book.rows[1], (std::vector<std::string>{"12", "成功", " ", "13800138000", "It's 春茶 'fresh'"}));
    EXPECT_EQ(book.rows[2], rows[1]);
}

TEST_F(ExcelExportTest, AnExistingFileIsReplaced)
{
    const std::string path = (m_dir / "old.xlsx").string();
    std::ofstream(path) << "not a workbook";
    ASSERT_EQ(Write(path, BulkSmsExportSpec(), {{"1", "待发", "", "1234", "x"}}), ExcelWriteOutcome::Written);
    const WorkbookContent book = ReadWorkbook(path);
    ASSERT_TRUE(book.read) << book.error;
    EXPECT_EQ(book.rows.size(), 2u);
    EXPECT_EQ(Files(), std::vector<std::string>{"old.xlsx"});
}

TEST_F(ExcelExportTest, WhatCannotBeRemovedIsLeftAloneAndNothingIsWritten)
{
    // A folder of that name, with something in it, cannot be removed as a file can.
    const fs::path path = m_dir / "taken.xlsx";
    fs::create_directories(path / "inside");
    EXPECT_EQ(Write(path.string(), BulkSmsExportSpec(), {{"1", "待发", "", "1234", "x"}}),
              ExcelWriteOutcome::CannotReplace);
    EXPECT_TRUE(fs::is_directory(path / "inside"));
    EXPECT_EQ(Files(), std::vector<std::string>{"taken.xlsx"});
}

TEST_F(ExcelExportTest, AFailedWriteLeavesNothingAtThePathOrBesideIt)
{
    // A cell longer than a worksheet cell may hold fails the write after rows were written.
    Rows rows(50, {"1", "待发", "", "1234", "x"});
    rows[40][4] = std::string(40000, 'a');
    const std::string path = (m_dir / "failed.xlsx").string();
    std::ofstream(path) << "old";
    EXPECT_EQ(Write(path, BulkSmsExportSpec(), rows), ExcelWriteOutcome::WriteFailed);
    EXPECT_TRUE(Files().empty());

    EXPECT_EQ(Write((m_dir / "no" / "such" / "folder.xlsx").string(), BulkSmsExportSpec(), {{"1", "", "", "", ""}}),
              ExcelWriteOutcome::WriteFailed);
    EXPECT_TRUE(Files().empty());
}

} // namespace
