#include "code_lookup_page.h"
#include "query_records_page.h"

#include "testing/query_page_test.h"
#include "testing/refuse_deleting.h"

#include "bulk_sms_page.h"
#include "page_host.h"
#include "scripted_dialogs.h"
#include "workbook_reader.h"

#include "color_list_ctrl.h"
#include "skin_check_box.h"
#include "skin_combo_box.h"
#include "skin_edit.h"

#include "clock.h"
#include "db_engine_test.h"
#include "db_provider.h"
#include "db_recordset.h"
#include "execute_sql.h"
#include "sql_text.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

class RecordsPageTest : public DatedQueryPageTest<CQueryRecordsPage> {
protected:
    const CColorListCtrl* List() const { return m_page->List(); }
};

TEST_P(RecordsPageTest, StartsEmptyOnTodayWithEveryControlNamed)
{
    EXPECT_EQ(List()->GetItemCount(), 0);
    EXPECT_EQ(m_page->StatusList()->currentText(), QStringLiteral("<不限>"));
    EXPECT_EQ(m_page->ProvinceList()->count(), 31);
    EXPECT_FALSE(m_page->ProvinceList()->isEnabled());
    EXPECT_FALSE(m_page->ProductList()->isEnabled());
    CQueryRecordsPage fresh;
    fresh.SetClock(&m_clock);
    const std::tm today = m_clock.LocalNow();
    EXPECT_EQ(fresh.FromDate()->date(), QDate(today.tm_year + 1900, today.tm_mon + 1, today.tm_mday));
    EXPECT_EQ(fresh.ToDate()->date(), fresh.FromDate()->date());
    EXPECT_EQ(Unnamed(fresh), "");
    EXPECT_EQ(List()->GetColumnCount(), 10);
}

TEST_P(RecordsPageTest, CorrectQueriesOnlyNewestOnTop)
{
    Log("2004-05-02 10:00:00", 1, "01000001");
    Log("2004-05-02 11:00:00", 3, "01000002");
    Log("2004-05-03 10:00:00", -2, "01000003");
    Log("2004-05-04 10:00:00", 1, "01000004");
    Log("2004-06-04 10:00:00", 1, "01000005");
    Choose(m_page->StatusList(), QStringLiteral("正确查询"));
    m_page->RunQuery();
    ASSERT_EQ(List()->GetItemCount(), 2);
    EXPECT_EQ(Cells(List(), 1).section(QLatin1Char('|'), 1),
              QStringLiteral("正确|2004-05-02 10:00:00|13900000001|01000001|12345678|12345679|/dev/ttyUSB0|广东|深圳"));
    EXPECT_EQ(ListColumn(List(), CQueryRecordsPage::kProductId), (QStringList{"01000004", "01000001"}));

    Choose(m_page->StatusList(), QStringLiteral("<不限>"));
    m_page->RunQuery();
    EXPECT_EQ(ListColumn(List(), CQueryRecordsPage::kStatus),
              (QStringList{"正确", "查询码值错误", "重复查询2次", "正确"}));
    EXPECT_EQ(m_dialogs.Messages(), QStringList());
}

TEST_P(RecordsPageTest, RegionAndBatchSwitches)
{
    Log("2004-05-02 10:00:00", 1, "01000001", "金穗", "广东", "深圳");
    Log("2004-05-02 10:00:01", 1, "01000002", "O'Brien's", "广东", "广州");
    Log("2004-05-02 10:00:02", 1, "01000003", "O'Brien's", "江苏", "南京");
    ExecuteSql("insert into ProductGroupTable (ProductName,ProductCount,ProductCode) values ('O''Brien''s',1,1)");

    // Ticked without a province: no region condition.
    m_page->RegionCheck()->click();
    EXPECT_TRUE(m_page->ProvinceList()->isEnabled());
    m_page->RunQuery();
    EXPECT_EQ(List()->GetItemCount(), 3);

    Choose(m_page->ProvinceList(), QStringLiteral("广东"));
    EXPECT_GT(m_page->CityList()->count(), 0);
    EXPECT_EQ(m_page->CityList()->currentIndex(), -1);
    m_page->RunQuery();
    EXPECT_EQ(ListColumn(List(), CQueryRecordsPage::kProductId), (QStringList{"01000002", "01000001"}));
    Choose(m_page->CityList(), QStringLiteral("广州"));
    m_page->RunQuery();
    EXPECT_EQ(ListColumn(List(), CQueryRecordsPage::kProductId), QStringList{"01000002"});

    m_page->RegionCheck()->click();
    EXPECT_EQ(m_page->ProvinceList()->currentIndex(), -1);
    EXPECT_EQ(m_page->CityList()->count(), 0);

    // The product list is read when it drops down; unticking drops the product condition.
    m_page->BatchCheck()->click();
    m_page->ProductList()->showPopup();
    m_page->ProductList()->hidePopup();
    Choose(m_page->ProductList(), QStringLiteral("O'Brien's"));
    m_page->RunQuery();
    EXPECT_EQ(List()->GetItemCount(), 2);
    m_page->BatchCheck()->click();
    EXPECT_EQ(m_page->ProductList()->count(), 0);
    m_page->RunQuery();
    EXPECT_EQ(List()->GetItemCount(), 3);
}

TEST_P(RecordsPageTest, NothingFoundAndAFailedReadAreToldApart)
{
    m_page->RunQuery();
    EXPECT_EQ(m_dialogs.Messages(), QStringList{QStringLiteral("无符合条件的记录！")});

    Log("2004-05-02 10:00:00", 1);
    ASSERT_TRUE(m_connection.Provider()->ExecuteScript("drop table QueryLogTable"));
    m_dialogs.Clear();
    m_page->RunQuery();
    EXPECT_EQ(m_dialogs.Messages(), QStringList());
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    // The database's own error, after a Chinese sentence.
    const std::string& shown = m_messages.Messages()[0].text;
    EXPECT_NE(shown.find("数据库"), std::string::npos) << shown;
    EXPECT_GT(shown.find("Description: "), shown.find("数据库")) << shown;
    EXPECT_EQ(List()->GetItemCount(), 0);
}

TEST_P(RecordsPageTest, DeleteOneRecord)
{
    Log("2004-05-02 10:00:00", 1, "01000001");
    Log("2004-05-02 11:00:00", 1, "01000002");
    m_page->DeleteRecord();
    m_page->RunQuery();
    m_page->List()->SetItemSelected(1, true);
    m_dialogs.AnswerQuestion(false);
    m_page->DeleteRecord();
    m_dialogs.AnswerQuestion(true);
    m_page->DeleteRecord();
    EXPECT_EQ(m_dialogs.Messages(),
              (QStringList{"请先从列表中选择要删除的记录！", "真的要删除选中的录吗？", "真的要删除选中的录吗？"}));
    EXPECT_EQ(ListColumn(List(), CQueryRecordsPage::kProductId), QStringList{"01000002"});
    EXPECT_EQ(Count("QueryLogTable", "QueryProductID='01000001'"), 0);
    EXPECT_EQ(Count("QueryLogTable"), 1);

    // A delete the database refuses keeps the row listed.
    ASSERT_TRUE(m_connection.Provider()->ExecuteScript("drop table QueryLogTable"));
    m_page->List()->SetItemSelected(0, true);
    m_dialogs.AnswerQuestion(true);
    m_page->DeleteRecord();
    EXPECT_EQ(List()->GetItemCount(), 1);
    EXPECT_EQ(m_messages.Messages().size(), 1u);
}

TEST_P(RecordsPageTest, ClearDeletesTheListedRowsByTheLastQuery)
{
    m_page->ClearRecords();
    Log("2004-05-02 10:00:00", 1, "01000001");
    Log("2004-05-02 11:00:00", -1, "01000002");
    Log("2004-06-02 11:00:00", -1, "01000003");
    m_page->RunQuery();
    ASSERT_EQ(List()->GetItemCount(), 2);

    // Changed filters play no part until the next query; a row logged since stays.
    Choose(m_page->StatusList(), QStringLiteral("码值错误"));
    m_page->ToDate()->setDate(QDate(2004, 12, 31));
    Log("2004-05-03 09:00:00", 1, "01000004");
    m_dialogs.AnswerQuestion(false);
    m_page->ClearRecords();
    EXPECT_EQ(List()->GetItemCount(), 2);
    m_dialogs.AnswerQuestion(true);
    m_page->ClearRecords();
    EXPECT_EQ(List()->GetItemCount(), 0);
    EXPECT_EQ(Count("QueryLogTable"), 2);
    EXPECT_EQ(Count("QueryLogTable", "QueryProductID in ('01000003','01000004')"), 2);
    EXPECT_EQ(
        m_dialogs.Messages(),
        (QStringList{"列表中已经没有记录！", "注意：您的此步操作将删除列表中的全部查询记录。\r\n确认您要做此操作吗？",
                     "注意：您的此步操作将删除列表中的全部查询记录。\r\n确认您要做此操作吗？"}));
}

// A log whose rows are all listed: the clear empties the table and the list. When the
// database refuses it, the failure is shown and the list keeps every row, as the table does.
TEST_P(RecordsPageTest, ClearOfTheWholeLogEmptiesTableAndListOrKeepsBoth)
{
    const std::string question = "注意：您的此步操作将删除列表中的全部查询记录。\r\n确认您要做此操作吗？";
    for (const bool refused : {false, true}) {
        for (const char* id : {"01000001", "01000002", "01000003"})
            Log("2004-05-02 10:00:00", 1, id);
        if (refused) {
            const int first = std::stoi(Value("select min(QueryIndex) as I from QueryLogTable", "I"));
            ASSERT_TRUE(m_connection.Provider()->ExecuteScript(RefuseDeletingScript(Engine(), first)));
        }
        m_page->RunQuery();
        ASSERT_EQ(List()->GetItemCount(), 3);
        m_dialogs.AnswerQuestion(true);
        m_page->ClearRecords();
        EXPECT_EQ(List()->GetItemCount(), refused ? 3 : 0) << refused;
        EXPECT_EQ(Count("QueryLogTable"), refused ? 3 : 0) << refused;
        ASSERT_EQ(m_messages.Messages().size(), refused ? 1u : 0u) << refused;
        if (refused) {
            EXPECT_NE(m_messages.Messages()[0].text.find("row kept"), std::string::npos)
                << m_messages.Messages()[0].text;
        }
    }
    EXPECT_EQ(m_dialogs.Messages(), (QStringList{QString::fromStdString(question), QString::fromStdString(question)}));
}

TEST_P(RecordsPageTest, ManualReplyIsQueuedAndShownOnTheBulkSmsPage)
{
    m_page.reset();
    CPageHost host;
    auto* records = host.findChild<CQueryRecordsPage*>();
    ASSERT_NE(records, nullptr);
    host.BulkSmsPage()->LoadAll();
    Log("2004-05-02 10:00:00", 1, "01000001", "金穗", "广东", "深圳", "13900000001");
    Log("2004-05-02 11:00:00", 1, "01000002", "金穗", "广东", "深圳", "");
    records->FromDate()->setDate(QDate(2004, 5, 1));
    records->RunQuery();
    ASSERT_EQ(records->List()->GetItemCount(), 2);

    records->ManualReply();
    records->List()->SetItemSelected(1, true);
    m_dialogs.AnswerReplyText(std::nullopt);
    records->ManualReply();
    m_dialogs.AnswerReplyText(QStringLiteral("您好，O'Brien的回复"));
    records->ManualReply();
    // An empty phone cell is queued as one blank.
    records->List()->SetItemSelected(0, true);
    m_dialogs.AnswerReplyText(QStringLiteral("第二条"));
    records->ManualReply();

    EXPECT_EQ(m_dialogs.Messages(), QStringList{"请先从列表中选择要手工回复的记录！"});
    EXPECT_EQ(Count("SendSmsTable", "SendStatus='待发'"), 2);
    EXPECT_EQ(Count("SendSmsTable", "PhoneNumber='13900000001' and SmsContent='您好，O''Brien的回复'"), 1);
    EXPECT_EQ(Count("SendSmsTable", "PhoneNumber=' ' and SmsContent='第二条'"), 1);
    const CColorListCtrl* sent = host.BulkSmsPage()->Records();
    ASSERT_EQ(sent->GetItemCount(), 2);
    EXPECT_EQ(sent->GetItemText(0, CBulkSmsPage::kContent), QStringLiteral("第二条"));
    EXPECT_EQ(sent->GetItemText(0, CBulkSmsPage::kStatus), QStringLiteral("待发"));
    EXPECT_EQ(sent->GetItemText(1, CBulkSmsPage::kPhone), QStringLiteral("13900000001"));
}

TEST_P(RecordsPageTest, ExportWritesTheListAsShown)
{
    Log("2004-05-02 10:00:00", 3, "01000001", "金穗", "广东", "深圳", "13900000001");
    Log("2004-05-02 11:00:00", -2, "01000002", "金穗", "O'Land", "", "13900000002");
    m_page->RunQuery();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("查询记录.xlsx"));
    m_dialogs.AnswerSaveFile(path);
    m_page->ExportRecords();
    EXPECT_EQ(m_dialogs.Messages(), QStringList{"导出记录操作已完成！"});

    const WorkbookContent book = ReadWorkbook(QFile::encodeName(path).toStdString());
    ASSERT_TRUE(book.read) << book.error;
    EXPECT_EQ(book.sheets, std::vector<std::string>{"防伪查询记录表"});
    ASSERT_EQ(book.rows.size(), 3u);
    EXPECT_EQ(book.rows[0], (std::vector<std::string>{"查询序号", "查询状态", "查询时间", "查询手机号", "产品编号",
                                                      "查询码值", "真实码值", "查询串口", "省份", "城市"}));
    EXPECT_EQ(book.rows[1],
              (std::vector<std::string>{"2", "查询码值错误", "2004-05-02 11:00:00", "13900000002", "01000002",
                                        "12345678", "12345679", "/dev/ttyUSB0", "O'Land", " "}));
    EXPECT_EQ(book.rows[2][1], "重复查询2次");
}

KELVANE_DB_ENGINE_TEST_SUITE(RecordsPageTest);

class LookupPageTest : public QueryPagesTest {
protected:
    void SetUp() override
    {
        QueryPagesTest::SetUp();
        if (IsSkipped())
            return;
        ExecuteSql("insert into ProductGroupTable (ProductName,CreateCodeTime,UseCodeTime,ProductCount,ProductCode) "
                   "values ('金穗',#2026-01-02 03:04:05#,#2026-01-03 08:00:00#,2,1)");
        ExecuteSql("insert into ProductGroupTable (ProductName,CreateCodeTime,ProductCount,ProductCode) values "
                   "('瑞丰',#2026-02-02 03:04:05#,2,2)");
        ExecuteSql("insert into ProductTable (ProductID,ProductCode,QueryCount,ProductName,UseStatus) values "
                   "('01000000','11112222',2,'金穗',1)");
        ExecuteSql("insert into ProductTable (ProductID,ProductCode,QueryCount,ProductName,UseStatus) values "
                   "('02000000','33334444',0,'瑞丰',0)");
        Log("2026-01-04 10:00:00", 1, "01000000", "金穗", "广东", "深圳", "13900000001");
        Log("2026-01-05 10:00:00", 2, "01000000", "金穗", "广东", "深圳", "13900000002");
        Log("2026-01-06 10:00:00", -2, "09000000", "", "河南", "郑州", "13900000003");
        Log("2026-01-07 10:00:00", -1, "09000000", "", "河南", "郑州", "13900000004");
    }
    void Look(const QString& productId)
    {
        m_page.ProductIdEdit()->setText(productId);
        m_page.LookupCode();
    }
    QStringList Fields() const
    {
        return {m_page.ProductCodeEdit()->text(), m_page.ProductNameEdit()->text(), m_page.CreatedEdit()->text(),
                m_page.EnabledEdit()->text()};
    }

    CCodeLookupPage m_page;
};

TEST_P(LookupPageTest, FourCases)
{
    EXPECT_EQ(Unnamed(m_page), "");

    Look(QStringLiteral("01000000"));
    EXPECT_EQ(Fields(), (QStringList{"11112222", "金穗", "2026-01-02 03:04:05", "2026-01-03 08:00:00"}));
    EXPECT_EQ(Cells(m_page.List(), 0), QStringLiteral("2|重复查询1次|2026-01-05 10:00:00|13900000002|12345678|"
                                                      "/dev/ttyUSB0|广东|深圳"));
    EXPECT_EQ(m_page.List()->GetItemCount(), 2);

    // Seven digits: told, nothing else changes.
    Look(QStringLiteral("0100000"));
    EXPECT_EQ(m_dialogs.Messages(), QStringList{"请输入产品防伪编码前8位（不输入空格）！"});
    EXPECT_EQ(m_page.List()->GetItemCount(), 2);

    // Not on file but sent by consumers: their queries, the fields as before.
    m_dialogs.Clear();
    Look(QStringLiteral("09000000"));
    EXPECT_EQ(Fields(), (QStringList{"11112222", "金穗", "2026-01-02 03:04:05", "2026-01-03 08:00:00"}));
    EXPECT_EQ(ListColumn(m_page.List(), CCodeLookupPage::kResult), (QStringList{"查询码值错误", "查询码值错误"}));
    EXPECT_EQ(ListColumn(m_page.List(), CCodeLookupPage::kPhone), (QStringList{"13900000004", "13900000003"}));
    EXPECT_EQ(m_dialogs.Messages(), QStringList());

    // On file, never queried, batch not enabled: an empty enabling date.
    Look(QStringLiteral("02000000"));
    EXPECT_EQ(Fields(), (QStringList{"33334444", "瑞丰", "2026-02-02 03:04:05", ""}));
    EXPECT_EQ(m_page.List()->GetItemCount(), 0);
    EXPECT_EQ(m_dialogs.Messages(), QStringList{"无符合条件的记录！"});
}

// The date boxes are narrower than a date and time: the date must be what shows.
TEST_P(LookupPageTest, FoundFieldsShowTheirStartAndTheWholeAsATip)
{
    Look(QStringLiteral("01000000"));
    for (const CSkinEdit* field :
         {m_page.ProductCodeEdit(), m_page.ProductNameEdit(), m_page.CreatedEdit(), m_page.EnabledEdit()}) {
        EXPECT_EQ(field->cursorPosition(), 0) << field->text().toStdString();
        EXPECT_EQ(field->toolTip(), field->text());
    }
}

KELVANE_DB_ENGINE_TEST_SUITE(LookupPageTest);

} // namespace
