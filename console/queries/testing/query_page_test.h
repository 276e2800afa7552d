#pragma once

// A fixture for driving the query pages on a small real database, once per engine.

#include "scripted_dialogs.h"

#include "color_list_ctrl.h"

#include "clock.h"
#include "db_engine_test.h"
#include "db_recordset.h"
#include "execute_sql.h"
#include "sql_text.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLineEdit>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <string>

inline constexpr std::int64_t kToday = 1765000000; // 2025-12-06 in every time zone the tests run in

// Every cell of a row, joined by '|'.
inline QString Cells(const CColorListCtrl* list, int row)
{
    QStringList cells;
    for (int column = 0; column < list->GetColumnCount(); ++column)
        cells << list->GetItemText(row, column);
    return cells.join(QLatin1Char('|'));
}

// Column of every row, top to bottom.
inline QStringList ListColumn(const CColorListCtrl* list, int column)
{
    QStringList cells;
    for (int row = 0; row < list->GetItemCount(); ++row)
        cells << list->GetItemText(row, column);
    return cells;
}

class QueryPagesTest : public DbEngineTest {
protected:
    void Log(const std::string& time, int status, const std::string& productId = "01000001",
             const std::string& product = "金穗", const std::string& province = "广东",
             const std::string& city = "深圳", const std::string& phone = "13900000001")
    {
        ExecuteSql("insert into QueryLogTable (QueryTime,QueryPhoneNumber,QueryProductID,QueryProductCode,"
                   "RealProductCode,QueryStatus,QueryComm,QueryProv,QueryCity,ProductName) values (#" +
                   time + "#,'" + phone + "','" + productId + "','12345678','12345679'," + std::to_string(status) +
                   ",'/dev/ttyUSB0','" + SqlQuote(province) + "','" + SqlQuote(city) + "','" + SqlQuote(product) +
                   "')");
        ASSERT_TRUE(m_messages.Messages().empty()) << m_messages.Messages()[0].text;
    }
    int Count(const std::string& table, const std::string& where = "1=1")
    {
        CDbRecordset rows;
        rows.SetConnection(&m_connection);
        if (rows.Open("select count(*) as N from " + table + " where " + where, 1, 3, 3) != 1)
            return -1;
        std::string n;
        rows.GetFieldValue("N", n);
        return std::stoi(n);
    }
    // Every button, list, edit and date of a page carries an accessible name.
    static std::string Unnamed(const QWidget& page)
    {
        std::string unnamed;
        for (const QWidget* control : page.findChildren<QWidget*>()) {
            const bool operable =
                qobject_cast<const QAbstractButton*>(control) || qobject_cast<const QComboBox*>(control) ||
                (qobject_cast<const QAbstractItemView*>(control) && !qobject_cast<const QHeaderView*>(control)) ||
                qobject_cast<const QAbstractSpinBox*>(control) ||
                (qobject_cast<const QLineEdit*>(control) && !qobject_cast<const QComboBox*>(control->parentWidget()) &&
                 !qobject_cast<const QAbstractSpinBox*>(control->parentWidget()));
            if (operable && control->accessibleName().isEmpty())
                unnamed +=
                    std::string(control->metaObject()->className()) + " " + control->objectName().toStdString() + "\n";
        }
        return unnamed;
    }
    static void Choose(QComboBox* list, const QString& text)
    {
        const int at = list->findText(text);
        ASSERT_GE(at, 0) << text.toStdString();
        list->setCurrentIndex(at);
    }

    FixedClock m_clock{kToday};
    ScriptedDialogs m_dialogs;
};

// One dated page on the fixture's clock, its filter set to May 2004; every scripted answer
// must have been used by the end of the test.
template <class Page>
class DatedQueryPageTest : public QueryPagesTest {
protected:
    void SetUp() override
    {
        QueryPagesTest::SetUp();
        if (IsSkipped())
            return;
        m_page = std::make_unique<Page>();
        m_page->SetClock(&m_clock);
        m_page->FromDate()->setDate(QDate(2004, 5, 1));
        m_page->ToDate()->setDate(QDate(2004, 5, 31));
    }
    void TearDown() override
    {
        EXPECT_EQ(m_dialogs.Unused(), 0);
        m_page.reset();
        QueryPagesTest::TearDown();
    }

    std::unique_ptr<Page> m_page;
};
