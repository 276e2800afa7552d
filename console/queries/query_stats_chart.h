#pragma once

#include "query_chart_data.h"

#include <QWidget>

class QChart;
class QChartView;

// The statistics page's charts over one filter: the queries of each day stacked by what
// they came to, and the provinces with the most queries split the same way. Its accessible
// description gives the figures in words.
class CQueryStatsChart final : public QWidget {
    Q_OBJECT
public:
    explicit CQueryStatsChart(QWidget* parent = nullptr);

    void SetData(const QueryChartData& data);
    const QueryChartData& Data() const { return m_data; }
    // Both charts as one picture; false when the file cannot be written.
    bool SaveAsPng(const QString& path);

    QChartView* DaysView() const { return m_daysView; }
    QChartView* ProvincesView() const { return m_provincesView; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowDays();
    void ShowProvinces();

    QueryChartData m_data;
    QChartView* m_daysView;
    QChartView* m_provincesView;
};
