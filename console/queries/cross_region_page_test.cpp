#include "cross_region_page.h"

#include "testing/query_page_test.h"

#include "color_list_ctrl.h"
#include "skin_combo_box.h"
#include "skin_edit.h"

#include "db_provider.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

class CrossRegionPageTest : public QueryPagesTest {
protected:
    void SetUp() override
    {
        QueryPagesTest::SetUp();
        if (IsSkipped())
            return;
        for (const char* product : {"金穗", "O'Brien's", "瑞丰"})
            ExecuteSql("insert into ProductGroupTable (ProductName,ProductCount,ProductCode) values ('" +
                       SqlQuote(product) + "',1,1)");
        m_page = std::make_unique<CCrossRegionPage>();
    }
    void TearDown() override
    {
        EXPECT_EQ(m_dialogs.Unused(), 0);
        m_page.reset();
        QueryPagesTest::TearDown();
    }
    void ChooseProduct(const QString& product)
    {
        m_page->ProductList()->showPopup();
        m_page->ProductList()->hidePopup();
        Choose(m_page->ProductList(), product);
    }
    // The list as "product|region|count" lines, top to bottom.
    QStringList Lines() const
    {
        QStringList lines;
        for (int row = 0; row < m_page->List()->GetItemCount(); ++row)
            lines << Cells(m_page->List(), row);
        return lines;
    }

    std::unique_ptr<CCrossRegionPage> m_page;
};

TEST_P(CrossRegionPageTest, StartsEmptyWithEveryControlNamed)
{
    EXPECT_EQ(Unnamed(*m_page), "");
    EXPECT_EQ(m_page->ProvinceList()->count(), 31);
    EXPECT_EQ(m_page->ProvinceList()->itemText(0), QStringLiteral("安徽"));
    EXPECT_EQ(m_page->ProvinceList()->currentIndex(), -1);
    EXPECT_FALSE(m_page->StartCodeEdit()->isEnabled());
    EXPECT_FALSE(m_page->EndCodeEdit()->isEnabled());
    EXPECT_EQ(m_page->List()->GetItemCount(), 0);
    QStringList headings;
    for (int column = 0; column < m_page->List()->GetColumnCount(); ++column) {
        headings << m_page->List()->model()->headerData(column, Qt::Horizontal).toString();
        EXPECT_EQ(m_page->List()->GetColumnWidth(column), 150);
    }
    EXPECT_EQ(headings, (QStringList{"产品名称", "串货区域", "查询次数"}));
    const auto* hint = m_page->findChild<QLabel*>(QStringLiteral("hint"));
    ASSERT_NE(hint, nullptr);
    EXPECT_EQ(hint->text(), QStringLiteral("（列表显示非选择区域的查询记录）"));
}

TEST_P(CrossRegionPageTest, ChecksTellTheOperatorAndFocusTheControl)
{
    m_page->show();
    m_page->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_page.get()));

    m_page->RunCrossRegionQuery();
    EXPECT_TRUE(m_page->ProvinceList()->hasFocus());
    Choose(m_page->ProvinceList(), QStringLiteral("广东"));
    m_page->RunCrossRegionQuery();
    EXPECT_TRUE(m_page->ProductList()->hasFocus());
    ChooseProduct(QStringLiteral("金穗"));
    m_page->StartCodeEdit()->setText(QStringLiteral("01000"));
    m_page->RunCrossRegionQuery();
    EXPECT_TRUE(m_page->StartCodeEdit()->hasFocus());
    m_page->StartCodeEdit()->clear();
    m_page->EndCodeEdit()->setText(QStringLiteral("0100010"));
    m_page->RunCrossRegionQuery();
    EXPECT_TRUE(m_page->EndCodeEdit()->hasFocus());
    // An empty end code is no upper bound; with nothing from outside the region, the notice.
    m_page->EndCodeEdit()->clear();
    m_page->RunCrossRegionQuery();
    EXPECT_EQ(m_dialogs.Messages(),
              (QStringList{"请先选择产品的销售区域！", "请先选择要查询的产品！", "起始编码只能为空或8位长度！",
                           "结尾编码只能为空或8位长度！", "无符合条件的记录！"}));
}

TEST_P(CrossRegionPageTest, RunsOfForeignQueriesNewestOnTop)
{
    Log("2026-01-02 10:00:00", 1, "01000001", "金穗", "北京", "朝阳");
    Log("2026-01-02 10:00:01", 2, "01000001", "金穗", "北京", "朝阳");
    Log("2026-01-02 10:00:02", 1, "01000002", "金穗", "广东", "深圳");
    Log("2026-01-02 10:00:03", -1, "01000003", "金穗", "上海", "");
    Log("2026-01-02 10:00:04", 1, "01000004", "瑞丰", "河南", "郑州");
    Log("2026-01-02 10:00:05", 1, "01000005", "金穗", "北京", "朝阳");
    Log("2026-01-02 10:00:06", 1, "01000006", "金穗", "广东", "广州");

    Choose(m_page->ProvinceList(), QStringLiteral("广东"));
    ChooseProduct(QStringLiteral("金穗"));
    m_page->RunCrossRegionQuery();
    EXPECT_EQ(Lines(), (QStringList{"金穗|北京.朝阳|1次", "金穗|上海.|1次", "金穗|北京.朝阳|2次"}));

    // With a city, the province's other cities are foreign too.
    Choose(m_page->CityList(), QStringLiteral("广州"));
    m_page->RunCrossRegionQuery();
    EXPECT_EQ(Lines(),
              (QStringList{"金穗|北京.朝阳|1次", "金穗|上海.|1次", "金穗|广东.深圳|1次", "金穗|北京.朝阳|2次"}));
    EXPECT_EQ(m_dialogs.Messages(), QStringList());
}

TEST_P(CrossRegionPageTest, CodeBoundsAreStrictAndTheProductSwitchClearsThem)
{
    for (const char* productId : {"01000000", "01000001", "01000099", "01000100", "01000101"})
        Log("2026-01-02 10:00:00", 1, productId, "O'Brien's", "O'Land", "");
    Choose(m_page->ProvinceList(), QStringLiteral("广东"));
    ChooseProduct(QStringLiteral("O'Brien's"));
    // Sorted as a Chinese reader looks for them: by reading (jin before rui, not by code
    // point), Chinese names before Latin ones.
    EXPECT_EQ(m_page->ProductList()->itemText(0), QStringLiteral("金穗"));
    EXPECT_EQ(m_page->ProductList()->itemText(1), QStringLiteral("瑞丰"));
    EXPECT_EQ(m_page->ProductList()->itemText(2), QStringLiteral("O'Brien's"));
    EXPECT_TRUE(m_page->StartCodeEdit()->isEnabled());
    m_page->StartCodeEdit()->setText(QStringLiteral("01000000"));
    m_page->EndCodeEdit()->setText(QStringLiteral("01000100"));
    m_page->RunCrossRegionQuery();
    EXPECT_EQ(Lines(), QStringList{"O'Brien's|O'Land.|2次"});
    m_page->EndCodeEdit()->clear();
    m_page->RunCrossRegionQuery();
    EXPECT_EQ(Lines(), QStringList{"O'Brien's|O'Land.|4次"});

    // Another product, or the list merely opened and closed, empties both codes.
    m_page->StartCodeEdit()->setText(QStringLiteral("01000000"));
    m_page->ProductList()->showPopup();
    m_page->ProductList()->hidePopup();
    EXPECT_EQ(m_page->StartCodeEdit()->text(), QString());
    m_page->StartCodeEdit()->setText(QStringLiteral("01000000"));
    m_page->EndCodeEdit()->setText(QStringLiteral("01000100"));
    Choose(m_page->ProductList(), QStringLiteral("瑞丰"));
    EXPECT_EQ(m_page->StartCodeEdit()->text(), QString());
    EXPECT_EQ(m_page->EndCodeEdit()->text(), QString());
    EXPECT_TRUE(m_page->EndCodeEdit()->isEnabled());
    m_page->ProductList()->setCurrentIndex(-1);
    EXPECT_FALSE(m_page->StartCodeEdit()->isEnabled());
    EXPECT_EQ(m_dialogs.Messages(), QStringList());
}

TEST_P(CrossRegionPageTest, AFailedReadShowsTheDatabaseError)
{
    Log("2026-01-02 10:00:00", 1, "01000001", "金穗", "北京", "朝阳");
    Choose(m_page->ProvinceList(), QStringLiteral("广东"));
    ChooseProduct(QStringLiteral("金穗"));
    m_page->RunCrossRegionQuery();
    ASSERT_EQ(m_page->List()->GetItemCount(), 1);

    ASSERT_TRUE(m_connection.Provider()->ExecuteScript("drop table QueryLogTable"));
    m_page->RunCrossRegionQuery();
    EXPECT_EQ(m_dialogs.Messages(), QStringList());
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    const std::string& shown = m_messages.Messages()[0].text;
    EXPECT_NE(shown.find("数据库"), std::string::npos) << shown;
    EXPECT_GT(shown.find("Description: "), shown.find("数据库")) << shown;
    EXPECT_EQ(m_page->List()->GetItemCount(), 0);
}

KELVANE_DB_ENGINE_TEST_SUITE(CrossRegionPageTest);

} // namespace
