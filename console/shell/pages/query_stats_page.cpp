#include "query_stats_page.h"

CQueryStatsPage::CQueryStatsPage(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
}
