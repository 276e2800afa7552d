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
    // The row number rides along in a column of negative width, which hides it.
    static const Heading kHeadings[] = {
        {"查询序号", -10}, {"查询状态", 95}, {"查询时间", 130}, {"查询手机号", 90}, {"产品编号", 70},
        {"查询码值", 70},  {"真实码值", 70}, {"查询串口", 60},  {"省份", 60},       {"城市", 90},
    };
    static_assert(sizeof kHeadings / sizeof kHeadings[0] == QueryLogList::kCity + 1);
    for (int i = 0; i < 10; ++i)
        list->InsertColumn(i, QString::fromUtf8(kHeadings[i].text), Qt::AlignLeft, kHeadings[i].width);
    list->SetGridLines(true);
    list->SetMultipleSelection(false);
    list->SetSelectionBackground(ListSelectionBackground());
    list->SetSelectionText(Qt::black);
}
