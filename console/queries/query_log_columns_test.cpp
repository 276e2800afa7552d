#include "fake_warning_page.h"
#include "query_records_page.h"

#include "color_list_ctrl.h"
#include "kit_look.h"

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>

#include <gtest/gtest.h>

#include <memory>

namespace {

using enum QueryLogList::Column;

// The console's font for the test's lifetime.
class ConsoleLook final {
public:
    ConsoleLook() : m_font(QApplication::font()), m_palette(QApplication::palette()) { ApplyConsoleLook(); }
    ~ConsoleLook()
    {
        QApplication::setFont(m_font);
        QApplication::setPalette(m_palette);
    }
    ConsoleLook(const ConsoleLook&) = delete;
    ConsoleLook& operator=(const ConsoleLook&) = delete;

private:
    QFont m_font;
    QPalette m_palette;
};

// The records and warning lists at the main window's page size, full enough for a vertical
// scroll bar, with the widest texts of each column a log usually holds: the status, the
// time, the number, the codes and the region stand whole in view, so the operator reads
// where a query came from without scrolling sideways.
TEST(QueryLogColumns, WhatTheOperatorReadsStandsWholeInViewOnBothPages)
{
    ConsoleLook look;
    const QStringList widest = {QString(),
                                QStringLiteral("重复查询14次"),
                                QStringLiteral("2026-12-11 01:54:45"),
                                QStringLiteral("13900000001"),
                                QStringLiteral("01000004"),
                                QStringLiteral("12345678"),
                                QStringLiteral("12345679"),
                                QStringLiteral("/dev/ttyUSB0"),
                                QStringLiteral("黑龙江"),
                                QStringLiteral("齐齐哈尔")};
    struct Read {
        int column;
        QString longest;
    };
    const Read read[] = {
        {kStatus, widest[kStatus]},
        {kStatus, QStringLiteral("查询码值错误")},
        {kTime, widest[kTime]},
        {kPhone, widest[kPhone]},
        {kProductCode, widest[kProductCode]},
        {kRealCode, widest[kRealCode]},
        {kProvince, widest[kProvince]},
        {kCity, widest[kCity]},
    };
    std::unique_ptr<QWidget> pages[] = {std::make_unique<CQueryRecordsPage>(), std::make_unique<CFakeWarningPage>()};
    for (const std::unique_ptr<QWidget>& page : pages) {
        SCOPED_TRACE(page->metaObject()->className());
        // The page host's size in the main window.
        page->resize(DluSize(419, 265));
        auto* list = page->findChild<CColorListCtrl*>();
        ASSERT_NE(list, nullptr);
        for (int row = 0; row < 40; ++row) {
            list->InsertItem(row, QString::number(row));
            for (int column = 1; column < list->GetColumnCount(); ++column)
                list->SetItemText(row, column, widest[column]);
        }
        page->show();
        QApplication::processEvents();
        ASSERT_TRUE(list->verticalScrollBar()->isVisible());
        const int view = list->viewport()->width();
        // The style's text margin on either side of a cell, as the list draws it.
        const int margins = 2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1);
        const QFontMetrics metrics(list->font());
        for (const Read& r : read) {
            SCOPED_TRACE(r.longest.toStdString());
            const int left = list->header()->sectionViewportPosition(r.column);
            const int width = list->header()->sectionSize(r.column);
            EXPECT_GE(left, 0);
            EXPECT_LE(left + width, view);
            EXPECT_LE(metrics.horizontalAdvance(r.longest) + margins, width);
        }
    }
}

} // namespace
