#include "fake_warning_page.h"

CFakeWarningPage::CFakeWarningPage(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
}
