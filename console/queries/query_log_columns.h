#pragma once

#include "color_list_ctrl.h"
#include "kit_look.h"
#include "query_log_column.h"

#include <QString>

// The query log's ten columns as the records and warning lists show them, with the list's
// grid and selection colours.
inline void SetUpQueryLogList(CColorListCtrl* list)
{
    struct Heading {
        const char* text;
        int width;
    };
    // The row number rides along in a column of negative width, which hides it. The
    // columns an operator reads (status, time, number, codes, region) are as wide as their
    // longest usual text; product number and port give way so the region is in view without
    // scrolling sideways on either page, also beside a vertical scroll bar. A cut cell shows
    // its whole text as a tip.
    static const Heading kHeadings[] = {
        {"查询序号", -10}, {"查询状态", 80}, {"查询时间", 122}, {"查询手机号", 80}, {"产品编号", 42},
        {"查询码值", 60},  {"真实码值", 60}, {"查询串口", 30},  {"省份", 44},       {"城市", 56},
    };
    static_assert(sizeof kHeadings / sizeof kHeadings[0] == QueryLogList::kCity + 1);
    for (int i = 0; i < 10; ++i)
        list->InsertColumn(i, QString::fromUtf8(kHeadings[i].text), Qt::AlignLeft, kHeadings[i].width);
    list->SetGridLines(true);
    list->SetMultipleSelection(false);
    list->SetSelectionBackground(ListSelectionBackground());
    list->SetSelectionText(Qt::black);
}
