#include "query_stats_chart.h"
#include "query_stats_page.h"

#include "scripted_dialogs.h"

#include "color_list_ctrl.h"
#include "skin_button.h"
#include "skin_check_box.h"
#include "skin_combo_box.h"

#include "clock.h"
#include "db_engine_test.h"
#include "db_provider.h"
#include "execute_sql.h"
#include "sql_text.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr std::int64_t kToday = 1765000000; // 2025-12-06 in every time zone the tests run in

QStringList Rows(const CColorListCtrl* list)
{
    QStringList rows;
    for (int row = 0; row < list->GetItemCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < list->GetColumnCount(); ++column)
            cells << list->GetItemText(row, column);
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

QStringList Headings(const CColorListCtrl* list)
{
    QStringList headings;
    for (int column = 0; column < list->GetColumnCount(); ++column)
        headings << list->model()->headerData(column, Qt::Horizontal).toString() + QLatin1Char(' ') +
                        QString::number(list->GetColumnWidth(column));
    return headings;
}

class StatsPageTest : public DbEngineTest {
protected:
    void SetUp() override
    {
        DbEngineTest::SetUp();
        if (IsSkipped())
            return;
        m_page = std::make_unique<CQueryStatsPage>();
        m_page->SetClock(&m_clock);
        m_page->resize(630, 400);
        m_page->FromDate()->setDate(QDate(2004, 5, 1));
        m_page->ToDate()->setDate(QDate(2004, 5, 31));
    }
    void TearDown() override
    {
        EXPECT_EQ(m_dialogs.Unused(), 0);
        m_page.reset();
        DbEngineTest::TearDown();
    }

    void Log(const std::string& time, int status, const std::string& product, const std::string& province,
             const std::string& city)
    {
        ExecuteSql("insert into QueryLogTable (QueryTime,QueryPhoneNumber,QueryProductID,QueryProductCode,"
                   "RealProductCode,QueryStatus,QueryComm,QueryProv,QueryCity,ProductName) values (#" +
                   time + "#,'13900000001','01000001','12345678','12345679'," + std::to_string(status) +
                   ",'/dev/ttyUSB0','" + SqlQuote(province) + "','" + SqlQuote(city) + "','" + SqlQuote(product) +
                   "')");
        ASSERT_TRUE(m_messages.Messages().empty()) << m_messages.Messages()[0].text;
    }
    void LogMay()
    {
        Log("2004-05-02 10:00:00", 2, "金穗", "广东", "深圳");
        Log("2004-05-02 11:00:00", 3, "金穗", "广东", "深圳");
        Log("2004-05-03 10:00:00", 1, "金穗", "广东", "深圳");
        Log("2004-05-03 11:00:00", 0, "金穗", "广东", "深圳");
        Log("2004-05-04 10:00:00", 1, "瑞丰", "广东", "");
        Log("2004-05-04 11:00:00", -2, "O'Brien's", "O'Land", "O'Town");
        Log("2004-06-04 10:00:00", 1, "金穗", "广东", "深圳");
    }
    void Choose(QComboBox* list, const QString& text)
    {
        const int at = list->findText(text);
        ASSERT_GE(at, 0) << text.toStdString();
        list->setCurrentIndex(at);
    }
    template <typename Widget>
    Widget* Control(const char* id) const
    {
        return m_page->findChild<Widget*>(QString::fromUtf8(id));
    }
    const CColorListCtrl* List() const { return m_page->List(); }

    FixedClock m_clock{kToday};
    ScriptedDialogs m_dialogs;
    std::unique_ptr<CQueryStatsPage> m_page;
};

TEST_P(StatsPageTest, ControlsOfThePage)
{
    // Every control under its ID, every one named for screen readers.
    for (const char* id : {"1137", "1141", "1140", "1067", "1069"})
        EXPECT_NE(Control<CSkinComboBox>(id), nullptr) << id;
    EXPECT_EQ(Control<QDateEdit>("1080"), m_page->FromDate());
    EXPECT_EQ(Control<QDateEdit>("1081"), m_page->ToDate());
    EXPECT_EQ(Control<CSkinButton>("1076")->text(), QStringLiteral("统计"));
    EXPECT_EQ(Control<CColorListCtrl>("1075"), m_page->List());
    for (const QWidget* control : m_page->findChildren<QWidget*>()) {
        const bool operable = qobject_cast<const QAbstractButton*>(control) ||
                              qobject_cast<const QComboBox*>(control) ||
                              qobject_cast<const QAbstractSpinBox*>(control) ||
                              (qobject_cast<const QAbstractItemView*>(control) &&
                               !qobject_cast<const QHeaderView*>(control) && control->parentWidget() == m_page.get());
        if (operable) {
            EXPECT_FALSE(control->accessibleName().isEmpty()) << control->objectName().toStdString();
        }
    }

    QStringList sorts;
    for (int i = 0; i < m_page->SortList()->count(); ++i)
        sorts << m_page->SortList()->itemText(i);
    EXPECT_EQ(sorts, (QStringList{"产品-地域-状态", "产品-状态-地域", "地域-产品-状态", "地域-状态-产品",
                                  "状态-地域-产品", "状态-产品-地域"}));
    EXPECT_EQ(m_page->ProvinceList()->count(), 32);
    EXPECT_EQ(m_page->ProvinceList()->itemText(0), QStringLiteral("<不限>"));
    EXPECT_EQ(m_page->ProvinceList()->itemText(31), QStringLiteral("重庆"));
    EXPECT_EQ(m_page->ResultList()->itemText(3), QStringLiteral("错误查询"));
    EXPECT_EQ(Headings(List()), (QStringList{"产品 150", "地域 150", "状态 120", "查询次数 150"}));

    // The frames: one just around the list, two over each date picker's edge.
    const QRect list = List()->geometry();
    EXPECT_EQ(Control<QWidget>("1058")->geometry(),
              QRect(list.x() - 1, list.y() - 1, list.width() + 1, list.height() + 1));
    const QRect to = m_page->ToDate()->geometry();
    EXPECT_EQ(Control<QWidget>("1085")->geometry(), QRect(to.x(), to.y(), to.width() - 1, to.height() - 1));
    EXPECT_EQ(Control<QWidget>("1084")->geometry(), QRect(to.x() + 1, to.y() + 1, to.width() - 3, to.height() - 3));

    // Both days start on the day the page was made.
    CQueryStatsPage fresh;
    fresh.SetClock(&m_clock);
    const std::tm today = m_clock.LocalNow();
    EXPECT_EQ(fresh.FromDate()->date(), QDate(today.tm_year + 1900, today.tm_mon + 1, today.tm_mday));
    EXPECT_EQ(fresh.ToDate()->date(), fresh.FromDate()->date());
}

TEST_P(StatsPageTest, CountsInTheChosenOrder)
{
    LogMay();
    m_page->RunStatistics();
    // Groups in the reverse of the query's order; statuses 2 and 3 are one repeated-query
    // line, status 0 shows as 0, an empty city leaves the full stop.
    EXPECT_EQ(Rows(List()),
              (QStringList{"金穗|广东.深圳|重复查询|2次", "金穗|广东.深圳|正确|1次", "金穗|广东.深圳|0|1次",
                           "瑞丰|广东.|正确|1次", "O'Brien's|O'Land.O'Town|查询码值错误|1次"}));

    // Another order: other columns, an empty list until the next run.
    Choose(m_page->SortList(), QStringLiteral("状态-地域-产品"));
    EXPECT_EQ(List()->GetItemCount(), 0);
    EXPECT_EQ(Headings(List()), (QStringList{"状态 120", "地域 150", "产品 150", "查询次数 150"}));
    m_page->RunStatistics();
    EXPECT_EQ(Rows(List()),
              (QStringList{"重复查询|广东.深圳|金穗|2次", "正确|广东.深圳|金穗|1次", "正确|广东.|瑞丰|1次",
                           "0|广东.深圳|金穗|1次", "查询码值错误|O'Land.O'Town|O'Brien's|1次"}));
    EXPECT_EQ(m_dialogs.Messages(), QStringList());
}

TEST_P(StatsPageTest, FilterControls)
{
    LogMay();
    ExecuteSql("insert into ProductGroupTable (ProductName,ProductCount,ProductCode) values ('金穗',1,1)");
    ExecuteSql("insert into ProductGroupTable (ProductName,ProductCount,ProductCode) values ('O''Brien''s',1,2)");

    // Names with an apostrophe are values like any other.
    m_page->ProvinceList()->addItem(QStringLiteral("O'Land"));
    Choose(m_page->ProvinceList(), QStringLiteral("O'Land"));
    m_page->RunStatistics();
    EXPECT_EQ(Rows(List()), QStringList{"O'Brien's|O'Land.O'Town|查询码值错误|1次"});

    // A province's cities, none chosen; "<不限>" empties the list again.
    Choose(m_page->ProvinceList(), QStringLiteral("广东"));
    EXPECT_GT(m_page->CityList()->count(), 0);
    EXPECT_EQ(m_page->CityList()->currentIndex(), -1);
    Choose(m_page->CityList(), QStringLiteral("深圳"));
    Choose(m_page->ResultList(), QStringLiteral("正确查询"));
    m_page->RunStatistics();
    EXPECT_EQ(Rows(List()), QStringList{"金穗|广东.深圳|正确|1次"});
    Choose(m_page->ProvinceList(), QStringLiteral("<不限>"));
    EXPECT_EQ(m_page->CityList()->count(), 0);

    // The product list is read when it drops down, and the choice is made afresh.
    Choose(m_page->ResultList(), QStringLiteral("错误查询"));
    m_page->ProductList()->showPopup();
    m_page->ProductList()->hidePopup();
    EXPECT_EQ(m_page->ProductList()->count(), 2);
    Choose(m_page->ProductList(), QStringLiteral("金穗"));
    m_page->ProductList()->showPopup();
    m_page->ProductList()->hidePopup();
    EXPECT_EQ(m_page->ProductList()->currentIndex(), -1);
    Choose(m_page->ProductList(), QStringLiteral("O'Brien's"));
    m_page->RunStatistics();
    EXPECT_EQ(Rows(List()), QStringList{"O'Brien's|O'Land.O'Town|查询码值错误|1次"});
    EXPECT_EQ(m_dialogs.Messages(), QStringList());
}

TEST_P(StatsPageTest, NothingFoundAndAFailedReadAreToldApart)
{
    LogMay();
    m_page->FromDate()->setDate(QDate(2004, 5, 31));
    m_page->ToDate()->setDate(QDate(2004, 5, 1));
    m_page->RunStatistics();
    EXPECT_EQ(m_dialogs.Messages(), QStringList{QStringLiteral("无符合条件的记录！")});

    m_page->FromDate()->setDate(QDate(2004, 5, 1));
    m_page->ToDate()->setDate(QDate(2004, 5, 31));
    m_page->RunStatistics();
    ASSERT_EQ(List()->GetItemCount(), 5);
    ASSERT_TRUE(m_connection.Provider()->ExecuteScript("drop table QueryLogTable"));
    m_dialogs.Clear();
    m_page->RunStatistics();
    // The database's own error after a Chinese sentence, not "nothing found".
    EXPECT_EQ(m_dialogs.Messages(), QStringList());
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    const std::string& shown = m_messages.Messages()[0].text;
    EXPECT_NE(shown.find("数据库"), std::string::npos) << shown;
    EXPECT_GT(shown.find("Description: "), shown.find("数据库")) << shown;
    EXPECT_EQ(List()->GetItemCount(), 0);
}

TEST_P(StatsPageTest, ChartOverTheSameFilter)
{
    LogMay();
    m_page->show();
    m_page->ChartToggle()->click();
    EXPECT_TRUE(m_page->Chart()->isVisible());
    EXPECT_FALSE(List()->isVisible());
    EXPECT_TRUE(m_page->SaveChartButton()->isVisible());
    const QueryChartData& data = m_page->Chart()->Data();
    ASSERT_EQ(data.days.size(), 31u);
    EXPECT_EQ(data.days[1].counts.byClass, (std::array<long long, 4>{0, 2, 0, 0}));
    EXPECT_EQ(data.days[2].counts.byClass, (std::array<long long, 4>{1, 0, 0, 1}));
    EXPECT_EQ(data.total.byClass, (std::array<long long, 4>{2, 2, 1, 1}));
    ASSERT_EQ(data.provinces.size(), 2u);
    EXPECT_EQ(data.provinces[0].province, "广东");
    EXPECT_NE(m_page->Chart()->accessibleDescription().indexOf(QStringLiteral("2004-05-02 共2次：正确0，重复查询2")),
              -1)
        << m_page->Chart()->accessibleDescription().toStdString();

    // "统计" fills the table as always and reads the chart again for the filter now set.
    Choose(m_page->ResultList(), QStringLiteral("正确查询"));
    m_page->RunStatistics();
    EXPECT_EQ(List()->GetItemCount(), 2);
    EXPECT_EQ(m_page->Chart()->Data().total.byClass, (std::array<long long, 4>{2, 0, 0, 0}));

    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("统计图表.png"));
    m_dialogs.AnswerSaveFile(path);
    m_page->SaveChartButton()->click();
    const QImage saved(path, "PNG");
    EXPECT_EQ(saved.size(), m_page->Chart()->size());
    m_dialogs.AnswerSaveFile(folder.filePath(QStringLiteral("no/such/folder/x.png")));
    m_page->SaveChart();
    ASSERT_EQ(m_dialogs.Messages().size(), 2);
    EXPECT_EQ(m_dialogs.Messages()[0], QStringLiteral("图表已保存！"));
    EXPECT_TRUE(m_dialogs.Messages()[1].startsWith(QStringLiteral("图表保存失败！")));

    m_page->ChartToggle()->click();
    EXPECT_TRUE(List()->isVisible());
    EXPECT_FALSE(m_page->Chart()->isVisible());
}

KELVANE_DB_ENGINE_TEST_SUITE(StatsPageTest);

// The daily axis names the days DayLabels picks for the width the bars have, each under its
// bar, and picks again when the chart is resized.
TEST(StatsChartTest, DaysAreNamedForTheWidthTheBarsHave)
{
    const StatsFilter quarter{{2026, 9, 13}, {2026, 12, 11}, "<不限>", "", "", "<不限>"};
    CQueryStatsChart chart;
    chart.resize(600, 300);
    chart.show();
    chart.SetData(BuildChartData(quarter, {{"2026-10-02", "广东", QueryResultClass::Correct, 7}}));
    QApplication::processEvents();
    const auto shown = [&chart] {
        const QList<QAbstractAxis*> axes = chart.DaysView()->chart()->axes(Qt::Horizontal);
        auto* axis = axes.isEmpty() ? nullptr : qobject_cast<QCategoryAxis*>(axes.front());
        QStringList labels;
        for (const QString& label : axis ? axis->categoriesLabels() : QStringList())
            labels << label + QLatin1Char('@') + QString::number(axis->endValue(label));
        return labels;
    };
    const auto picked = [&chart] {
        QStringList labels;
        for (const DayLabel& label : chart.DayLabelsShown())
            labels << QString::fromStdString(label.text) + QLatin1Char('@') + QString::number(label.day);
        return labels;
    };
    // 90 bars of about three pixels: the months, and the first day before them.
    EXPECT_EQ(shown(), (QStringList{"09-13@0", "10-01@18", "11-01@49", "12-01@79"}));
    EXPECT_EQ(shown(), picked());

    chart.resize(1800, 300);
    QApplication::processEvents();
    // Wide enough for the thirteen Mondays (not for every day, nor the Sunday before them).
    ASSERT_EQ(shown().size(), 13) << shown().join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(shown().front(), QStringLiteral("09-14@1"));
    EXPECT_EQ(shown(), picked());
}

} // namespace
