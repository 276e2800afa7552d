#include "bulk_sms_page.h"

CBulkSmsPage::CBulkSmsPage(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
}

void CBulkSmsPage::ShowNewPending() {}
