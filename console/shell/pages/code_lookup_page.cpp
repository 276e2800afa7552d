#include "code_lookup_page.h"

CCodeLookupPage::CCodeLookupPage(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
}
