#include "page_host.h"

#include "bulk_sms_page.h"
#include "code_lookup_page.h"
#include "cross_region_page.h"
#include "fake_warning_page.h"
#include "home_page.h"
#include "product_batch_page.h"
#include "query_records_page.h"
#include "query_stats_page.h"

#include <QKeyEvent>

CPageHost::CPageHost(QWidget* parent) : QWidget(parent)
{
    // Pages are made here but must not read the database yet: the connection is opened
    // later in the main window's initialisation. Pages that show data on arrival defer
    // their first read with a timer.
    auto* records = new CQueryRecordsPage(this);
    m_bulkSms = new CBulkSmsPage(this);
    m_pages = {new CHomePage(this),
               new CProductBatchPage(this),
               records,
               new CQueryStatsPage(this),
               new CFakeWarningPage(this),
               new CCrossRegionPage(this),
               new CCodeLookupPage(this),
               m_bulkSms};
    // The one call between pages: a reply queued on the records page appears in the send
    // records at once instead of at the next refresh.
    connect(records, &CQueryRecordsPage::ReplyQueued, m_bulkSms, &CBulkSmsPage::ShowNewPending);
    for (int n = 0; n < kPageCount; ++n) {
        m_pages[static_cast<size_t>(n)]->setObjectName(QStringLiteral("page%1").arg(n));
        m_pages[static_cast<size_t>(n)]->hide();
    }
}

void CPageHost::CreatePages()
{
    for (int n = 0; n < kPageCount; ++n) {
        QWidget* page = m_pages[static_cast<size_t>(n)];
        page->setGeometry(rect());
        page->setVisible(n == 0);
    }
}

QWidget* CPageHost::Page(int n) const
{
    if (n < 0 || n >= kPageCount)
        return nullptr;
    return m_pages[static_cast<size_t>(n)];
}

bool CPageHost::IsBusy() const
{
    for (const QWidget* page : m_pages)
        if (page->property("busy").toBool())
            return true;
    return false;
}

void CPageHost::resizeEvent(QResizeEvent* event)
{
    for (QWidget* page : m_pages)
        page->setGeometry(rect());
    QWidget::resizeEvent(event);
}

void CPageHost::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}
