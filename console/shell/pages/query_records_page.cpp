#include "query_records_page.h"

CQueryRecordsPage::CQueryRecordsPage(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
}
