#include "fake_warning_page.h"

#include "testing/query_page_test.h"

#include "color_list_ctrl.h"
#include "skin_combo_box.h"
#include "skin_frame.h"

#include "db_provider.h"

#include <QDateEdit>
#include <QLabel>

#include <gtest/gtest.h>

#include <memory>

namespace {

class WarningPageTest : public DatedQueryPageTest<CFakeWarningPage> {
protected:
    QString Summary() const { return m_page->SummaryLabel()->text(); }
};

TEST_P(WarningPageTest, StartsOnTodayForEveryProvinceWithTheTemplatesControls)
{
    CFakeWarningPage fresh;
    fresh.SetClock(&m_clock);
    EXPECT_EQ(Unnamed(fresh), "");
    const std::tm today = m_clock.LocalNow();
    EXPECT_EQ(fresh.FromDate()->date(), QDate(today.tm_year + 1900, today.tm_mon + 1, today.tm_mday));
    EXPECT_EQ(fresh.ToDate()->date(), fresh.FromDate()->date());
    for (const char* id : {"1068", "1120", "1121", "1060", "1075"})
        EXPECT_NE(fresh.findChild<QWidget*>(QString::fromUtf8(id)), nullptr) << id;
    EXPECT_EQ(fresh.ProvinceList()->count(), 32);
    EXPECT_EQ(fresh.ProvinceList()->currentText(), QStringLiteral("<不限>"));
    EXPECT_EQ(fresh.ProvinceList()->itemText(31), QStringLiteral("重庆"));
    EXPECT_EQ(fresh.List()->GetColumnCount(), 10);
    EXPECT_TRUE(fresh.List()->isColumnHidden(CFakeWarningPage::kIndex));

    // The kit's frames: one around the list, two over each date picker.
    const QRect list = fresh.List()->geometry();
    const auto* around = fresh.findChild<CSkinFrame*>(QStringLiteral("1058"));
    ASSERT_NE(around, nullptr);
    EXPECT_EQ(around->geometry(), QRect(list.x() - 1, list.y() - 1, list.width() + 1, list.height() + 1));
    const QRect from = fresh.FromDate()->geometry();
    const auto* outer = fresh.findChild<CSkinFrame*>(QStringLiteral("1123"));
    const auto* inner = fresh.findChild<CSkinFrame*>(QStringLiteral("1122"));
    ASSERT_TRUE(outer && inner);
    EXPECT_EQ(outer->geometry(), QRect(from.x(), from.y(), from.width() - 1, from.height() - 1));
    EXPECT_EQ(inner->geometry(), QRect(from.x() + 1, from.y() + 1, from.width() - 3, from.height() - 3));
    for (const char* id : {"1125", "1124"})
        EXPECT_NE(fresh.findChild<CSkinFrame*>(QString::fromUtf8(id)), nullptr) << id;
}

TEST_P(WarningPageTest, RepeatsAndMinusTwoNewestOnTopWithTheirProvinces)
{
    Log("2004-05-01 00:00:00", 2, "01000001", "金穗", "广东");
    Log("2004-05-01 00:00:01", 2, "01000009", "金穗", "广东");
    Log("2004-05-01 00:00:02", 2, "01000002", "金穗", "广东");
    Log("2004-05-02 10:00:00", 1, "01000003", "金穗", "广东");
    Log("2004-05-02 11:00:00", -2, "01000004", "金穗", "江苏", "南京");
    Log("2004-05-03 10:00:00", -1, "01000005", "金穗", "广东");
    Log("2004-05-04 10:00:00", 0, "01000006", "金穗", "广东");
    Log("2004-05-05 10:00:00", 5, "01000007", "金穗", "广东", "");
    Log("2004-06-01 10:00:00", 2, "01000008", "金穗", "广东");

    m_page->RunWarningQuery();
    EXPECT_EQ(ListColumn(m_page->List(), CFakeWarningPage::kProductId),
              (QStringList{"01000007", "01000004", "01000002"}));
    EXPECT_EQ(ListColumn(m_page->List(), CFakeWarningPage::kStatus),
              (QStringList{"重复查询", "查询码值错误", "重复查询"}));
    EXPECT_EQ(Cells(m_page->List(), 1).section(QLatin1Char('|'), 1),
              QStringLiteral("查询码值错误|2004-05-02 11:00:00|13900000001|01000004|12345678|12345679|/dev/ttyUSB0|"
                             "江苏|南京"));
    EXPECT_EQ(Summary(), QStringLiteral("警示最多的省份：广东 2, 江苏 1"));

    Choose(m_page->ProvinceList(), QStringLiteral("江苏"));
    m_page->RunWarningQuery();
    EXPECT_EQ(ListColumn(m_page->List(), CFakeWarningPage::kProductId), QStringList{"01000004"});
    EXPECT_EQ(Summary(), QStringLiteral("警示最多的省份：江苏 1"));
    EXPECT_EQ(m_dialogs.Messages(), QStringList());
}

TEST_P(WarningPageTest, NothingFoundAndAFailedReadAreToldApart)
{
    Log("2004-05-02 10:00:00", 2);
    m_page->RunWarningQuery();
    ASSERT_EQ(m_page->List()->GetItemCount(), 1);

    Choose(m_page->ProvinceList(), QStringLiteral("浙江"));
    m_page->RunWarningQuery();
    EXPECT_EQ(m_dialogs.Messages(), QStringList{"无符合条件的记录！"});
    EXPECT_EQ(m_page->List()->GetItemCount(), 0);
    EXPECT_EQ(Summary(), QString());

    ASSERT_TRUE(m_connection.Provider()->ExecuteScript("drop table QueryLogTable"));
    m_dialogs.Clear();
    m_page->RunWarningQuery();
    EXPECT_EQ(m_dialogs.Messages(), QStringList());
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    const std::string& shown = m_messages.Messages()[0].text;
    EXPECT_NE(shown.find("数据库"), std::string::npos) << shown;
    EXPECT_GT(shown.find("Description: "), shown.find("数据库")) << shown;
}

KELVANE_DB_ENGINE_TEST_SUITE(WarningPageTest);

} // namespace
