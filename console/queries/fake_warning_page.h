#pragma once

#include "query_log_column.h"
#include "query_records.h"

#include <QWidget>

class CColorListCtrl;
class CSkinButton;
class CSkinComboBox;
class Clock;
class QDateEdit;
class QLabel;

// Page "假货警示": over a range of days and optionally one province, the queries that point
// to counterfeit goods (codes queried again, status -2), newest on top, with the provinces
// they came from most often above the list.
class CFakeWarningPage final : public QWidget {
    Q_OBJECT
    // The main window asks this before it lets the console end: a long read keeps the
    // window serving events and must not be cut off.
    Q_PROPERTY(bool busy READ IsBusy)
public:
    using Column = QueryLogList::Column;
    using enum QueryLogList::Column;

    explicit CFakeWarningPage(QWidget* parent = nullptr);

    void RunWarningQuery();
    // The clock behind the date pickers' first day; tests set their own.
    void SetClock(const Clock* clock);
    bool IsBusy() const { return m_busy; }

    CSkinComboBox* ProvinceList() const { return m_province; }
    QDateEdit* FromDate() const { return m_from; }
    QDateEdit* ToDate() const { return m_to; }
    CColorListCtrl* List() const { return m_list; }
    // "广东 37, 浙江 12, ...": where the listed warnings came from, most first.
    QLabel* SummaryLabel() const { return m_summary; }

private:
    CSkinComboBox* m_province;
    QDateEdit* m_from;
    QDateEdit* m_to;
    CSkinButton* m_run;
    QLabel* m_summary;
    CColorListCtrl* m_list;
    const Clock* m_clock;
    bool m_busy = false;
};
