#include "cross_region_page.h"

CCrossRegionPage::CCrossRegionPage(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
}
