#pragma once

#include "query_log_column.h"
#include "query_records.h"

#include <QWidget>

#include <vector>

class CColorListCtrl;
class CSkinButton;
class CSkinCheckBox;
class CSkinComboBox;
class Clock;
class QDateEdit;

// Page 2 of the console, "查询记录": the consumers' queries that match a filter, with a
// manual reply, deleting one or all listed rows and the export. The list starts empty and
// changes only through the page's own commands.
class CQueryRecordsPage final : public QWidget {
    Q_OBJECT
    // The main window asks this before it lets the console end: a long read or delete
    // keeps the window serving events and must not be cut off.
    Q_PROPERTY(bool busy READ IsBusy)
public:
    using Column = QueryLogList::Column;
    using enum QueryLogList::Column;

    explicit CQueryRecordsPage(QWidget* parent = nullptr);
    ~CQueryRecordsPage() override;

    void RunQuery();
    void ManualReply();
    void DeleteRecord();
    void ClearRecords();
    void ExportRecords();

    // The clock behind the date pickers' first day; tests set their own.
    void SetClock(const Clock* clock);
    bool IsBusy() const { return m_busy; }

    CColorListCtrl* List() const { return m_list; }
    CSkinCheckBox* RegionCheck() const { return m_regionCheck; }
    CSkinCheckBox* BatchCheck() const { return m_batchCheck; }
    CSkinComboBox* ProvinceList() const { return m_province; }
    CSkinComboBox* CityList() const { return m_city; }
    CSkinComboBox* ProductList() const { return m_product; }
    CSkinComboBox* StatusList() const { return m_status; }
    QDateEdit* FromDate() const { return m_from; }
    QDateEdit* ToDate() const { return m_to; }

signals:
    // A manual reply was queued; the page host has the bulk SMS page show it at once.
    void ReplyQueued();

private:
    void OnRegionSwitch();
    void OnBatchSwitch();
    void OnProvinceChanged();
    void FillProducts();
    int SelectedRowOrTell(const QString& noSelection) const;
    void SetCommandsEnabled(bool enabled);
    // Wait cursor, commands off and the busy flag for a long operation.

    CColorListCtrl* m_list;
    CSkinCheckBox* m_regionCheck;
    CSkinComboBox* m_province;
    CSkinComboBox* m_city;
    CSkinCheckBox* m_batchCheck;
    CSkinComboBox* m_product;
    CSkinComboBox* m_status;
    QDateEdit* m_from;
    QDateEdit* m_to;
    std::vector<QWidget*> m_commands;
    const Clock* m_clock;
    // The filter of the last "查询" and the highest row number it could list.
    QueryListing m_listing;
    bool m_busy = false;
};
