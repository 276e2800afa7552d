#pragma once

#include "chart_day_labels.h"
#include "query_chart_data.h"

#include <QWidget>

class QCategoryAxis;
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
    // The days named under the daily bars, picked for the width they have.
    const std::vector<DayLabel>& DayLabelsShown() const { return m_dayLabels; }
    QChartView* ProvincesView() const { return m_provincesView; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowDays();
    // Names the days that fit under the bars as the chart is laid out.
    void LabelDays();
    void ShowProvinces();

    QueryChartData m_data;
    QCategoryAxis* m_dayAxis = nullptr; // owned by the days' chart
    std::vector<DayLabel> m_dayLabels;
    QChartView* m_daysView;
    QChartView* m_provincesView;
};
