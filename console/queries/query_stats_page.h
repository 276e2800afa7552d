#pragma once

#include "query_stats.h"

#include <QWidget>

#include <vector>

class CColorListCtrl;
class CQueryStatsChart;
class CSkinButton;
class CSkinCheckBox;
class CSkinComboBox;
class Clock;
class QDateEdit;

// Page 3 of the console, "查询统计": the queries of a range of days counted per product,
// region and result, in one of six orders, and beside the table the same filter as charts.
// The page only reads the database.
class CQueryStatsPage final : public QWidget {
    Q_OBJECT
    // The main window asks this before it lets the console end.
    Q_PROPERTY(bool busy READ IsBusy)
public:
    explicit CQueryStatsPage(QWidget* parent = nullptr);
    ~CQueryStatsPage() override;

    // "统计": the table, and the charts when they are shown.
    void RunStatistics();
    // The columns of the chosen order; the list is emptied.
    void RebuildColumns();
    // Shows the charts in the list's place (reading them for the filter) or the list again.
    void ShowChart(bool on);
    void SaveChart();

    // The clock behind the date pickers' first day; tests set their own.
    void SetClock(const Clock* clock);
    bool IsBusy() const { return m_busy; }
    // The filter as the controls hold it now.
    StatsFilter Filter() const;

    CSkinComboBox* SortList() const { return m_sort; }
    CSkinComboBox* ProvinceList() const { return m_province; }
    CSkinComboBox* CityList() const { return m_city; }
    CSkinComboBox* ProductList() const { return m_product; }
    CSkinComboBox* ResultList() const { return m_result; }
    QDateEdit* FromDate() const { return m_from; }
    QDateEdit* ToDate() const { return m_to; }
    CSkinButton* RunButton() const { return m_run; }
    CSkinCheckBox* ChartToggle() const { return m_chartToggle; }
    CSkinButton* SaveChartButton() const { return m_saveChart; }
    CColorListCtrl* List() const { return m_list; }
    CQueryStatsChart* Chart() const { return m_chart; }

private:
    void OnProvinceChanged();
    void FillProducts();
    void RefreshChart(const StatsFilter& filter);
    std::vector<QWidget*> ReadLockedControls() const;

    CSkinComboBox* m_sort;
    CSkinComboBox* m_province;
    CSkinComboBox* m_city;
    CSkinComboBox* m_product;
    CSkinComboBox* m_result;
    QDateEdit* m_from;
    QDateEdit* m_to;
    CSkinButton* m_run;
    CSkinCheckBox* m_chartToggle;
    CSkinButton* m_saveChart;
    CColorListCtrl* m_list;
    CQueryStatsChart* m_chart;
    const Clock* m_clock;
    bool m_busy = false;
};
