#include "export_list_to_excel.h"

#include "excel_export.h"
#include "workbook_reader.h"

#include "color_list_ctrl.h"
#include "scripted_dialogs.h"

#include <QDir>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class ExportListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* heading : {"序号", "状态", "时间", "手机号码", "短信内容"})
            m_list.InsertColumn(m_list.GetColumnCount(), QString::fromUtf8(heading));
    }
    void AddRow(const QStringList& cells)
    {
        const int row = m_list.InsertItem(m_list.GetItemCount(), cells[0]);
        for (int column = 1; column < cells.size(); ++column)
            m_list.SetItemText(row, column, cells[column]);
    }
    QString Path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    CColorListCtrl m_list;
    ScriptedDialogs m_dialogs;
};

TEST_F(ExportListTest, WritesTheListTopToBottomAndSaysSo)
{
    AddRow({QStringLiteral("9"), QStringLiteral("待发"), QString(), QStringLiteral("13800138000"),
            QStringLiteral("你好")});
    AddRow({QStringLiteral("3"), QStringLiteral("成功"), QStringLiteral("2026-12-10 08:00:00"), QStringLiteral("1234"),
            QStringLiteral("O'Brien")});
    m_dialogs.AnswerSaveFile(Path(QStringLiteral("记录.xlsx")));
    EXPECT_TRUE(ExportListToExcel(m_list, BulkSmsExportSpec()));
    EXPECT_EQ(m_dialogs.Messages(), QStringList{QStringLiteral("Excel文件写入成功！")});
    ASSERT_EQ(m_dialogs.Prompts().front().kind, ScriptedDialogs::Kind::SaveFile);
    EXPECT_EQ(m_dialogs.Prompts().front().text, QStringLiteral("输入记录保存的Excel文件名"));

    const WorkbookContent book = ReadWorkbook(QFile::encodeName(Path(QStringLiteral("记录.xlsx"))).toStdString());
    ASSERT_TRUE(book.read) << book.error;
    ASSERT_EQ(book.rows.size(), 3u);
    EXPECT_EQ(book.rows[1], (std::vector<std::string>{"9", "待发", " ", "13800138000", "你好"}));
    EXPECT_EQ(book.rows[2], (std::vector<std::string>{"3", "成功", "2026-12-10 08:00:00", "1234", "O'Brien"}));
}

TEST_F(ExportListTest, EachWayOfNotWritingHasItsMessage)
{
    struct Case {
        const char* name;
        bool rows;
        std::optional<QString> answer; // the save chooser's answer
        QStringList messages;
    };
    QDir(m_dir.path()).mkpath(QStringLiteral("busy.xlsx/inside"));
    const Case cases[] = {
        {"empty list", false, std::nullopt, {QStringLiteral("没有可导出的记录")}},
        {"cancelled", true, std::nullopt, {}},
        {"cannot replace",
         true,
         Path(QStringLiteral("busy.xlsx")),
         {QStringLiteral("删除原有Excel文件失败！\n请选择新的Excel文件名")}},
        {"cannot write",
         true,
         Path(QStringLiteral("no/such/folder.xlsx")),
         {QStringLiteral("Excel驱动没有安装，Excel文件写入失败！")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_dialogs.Clear();
        m_list.DeleteAllItems();
        if (c.rows)
            AddRow(
                {QStringLiteral("1"), QStringLiteral("待发"), QString(), QStringLiteral("1234"), QStringLiteral("x")});
        if (c.rows)
            m_dialogs.AnswerSaveFile(c.answer);
        EXPECT_FALSE(ExportListToExcel(m_list, BulkSmsExportSpec()));
        EXPECT_EQ(m_dialogs.Messages(), c.messages);
        EXPECT_EQ(m_dialogs.Unused(), 0);
    }
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{QStringLiteral("busy.xlsx")});
}

// A long list is written while the window goes on being served: timers fire, the progress
// shows, and what changes in the list meanwhile does not reach the file.
TEST_F(ExportListTest, ALongListIsWrittenAsItWasWhileTheWindowIsServed)
{
    constexpr int kRows = 20000;
    std::vector<std::vector<QString>> rows;
    for (int row = 0; row < kRows; ++row)
        rows.push_back(
            {QString::number(row), QStringLiteral("待发"), QString(), QStringLiteral("1234"), QStringLiteral("内容")});
    m_list.InsertItems(0, std::move(rows));
    m_dialogs.AnswerSaveFile(Path(QStringLiteral("long.xlsx")));

    int ticks = 0;
    bool progressShown = false;
    QTimer meanwhile;
    QObject::connect(&meanwhile, &QTimer::timeout, [&] {
        ++ticks;
        progressShown = progressShown || !m_list.findChildren<QProgressDialog*>().isEmpty();
        if (m_list.GetItemCount() > 0)
            m_list.DeleteItem(0);
    });
    meanwhile.start(0);
    EXPECT_TRUE(ExportListToExcel(m_list, BulkSmsExportSpec()));
    meanwhile.stop();
    EXPECT_GT(ticks, 0);
    EXPECT_TRUE(progressShown);
    EXPECT_LT(m_list.GetItemCount(), kRows);

    const WorkbookContent book = ReadWorkbook(QFile::encodeName(Path(QStringLiteral("long.xlsx"))).toStdString());
    ASSERT_TRUE(book.read) << book.error;
    ASSERT_EQ(book.rows.size(), kRows + 1u);
    EXPECT_EQ(book.rows[1][0], "0");
    EXPECT_EQ(book.rows[kRows][0], std::to_string(kRows - 1));
    EXPECT_EQ(book.rows[kRows][4], "内容");
}

} // namespace
