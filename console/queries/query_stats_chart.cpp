#include "query_stats_chart.h"

#include "chart_day_labels.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QFontMetricsF>
#include <QHorizontalStackedBarSeries>
#include <QPixmap>
#include <QStackedBarSeries>
#include <QValueAxis>

#include <algorithm>

namespace {

struct ClassLook {
    QueryResultClass kind;
    const char* name;
    QColor colour;
};
const ClassLook kClasses[] = {
    {QueryResultClass::Correct, "正确", QColor(67, 160, 71)},
    {QueryResultClass::Repeated, "重复查询", QColor(251, 140, 0)},
    {QueryResultClass::Wrong, "查询码值错误", QColor(229, 57, 53)},
    {QueryResultClass::Other, "其他", QColor(144, 144, 144)},
};

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

// One bar set per result class; the rare "other" class only when it occurs.
std::vector<QBarSet*> MakeSets(const ResultCounts& total)
{
    std::vector<QBarSet*> sets;
    for (const ClassLook& look : kClasses) {
        if (look.kind == QueryResultClass::Other && total[look.kind] == 0)
            continue;
        auto* set = new QBarSet(QString::fromUtf8(look.name));
        set->setColor(look.colour);
        set->setBorderColor(look.colour);
        sets.push_back(set);
    }
    return sets;
}

void Append(std::vector<QBarSet*>& sets, const ResultCounts& total, const ResultCounts& counts)
{
    std::size_t at = 0;
    for (const ClassLook& look : kClasses) {
        if (look.kind == QueryResultClass::Other && total[look.kind] == 0)
            continue;
        sets[at++]->append(static_cast<qreal>(counts[look.kind]));
    }
}

QChart* NewChart(const QString& title)
{
    auto* chart = new QChart;
    chart->setTitle(title);
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(4, 4, 4, 4));
    return chart;
}

// Counts are whole numbers: ticks a whole step of 1, 2 or 5 times a power of ten apart,
// about steps of them.
QValueAxis* CountAxis(long long most, long long steps)
{
    long long step = 1;
    for (long long power = 1; step * steps < most; power *= 10) {
        for (const long long factor : {1, 2, 5}) {
            step = factor * power;
            if (step * steps >= most)
                break;
        }
    }
    const long long top = std::max<long long>(1, (most + step - 1) / step) * step;
    auto* axis = new QValueAxis;
    axis->setLabelFormat(QStringLiteral("%.0f"));
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(static_cast<qreal>(step));
    axis->setRange(0, static_cast<qreal>(top));
    // Elided, "150000" showed as "1500...".
    axis->setTruncateLabels(false);
    return axis;
}

} // namespace

CQueryStatsChart::CQueryStatsChart(QWidget* parent)
    : QWidget(parent), m_daysView(new QChartView(this)), m_provincesView(new QChartView(this))
{
    setObjectName(QStringLiteral("statsChart"));
    setAccessibleName(QStringLiteral("查询统计图表"));
    m_daysView->setObjectName(QStringLiteral("daysChart"));
    m_daysView->setAccessibleName(QStringLiteral("每日查询"));
    m_provincesView->setObjectName(QStringLiteral("provincesChart"));
    m_provincesView->setAccessibleName(QStringLiteral("查询最多的省份"));
    for (QChartView* view : {m_daysView, m_provincesView}) {
        view->setRenderHint(QPainter::Antialiasing);
        view->setFocusPolicy(Qt::StrongFocus);
    }
    SetData(QueryChartData{});
}

void CQueryStatsChart::SetData(const QueryChartData& data)
{
    m_data = data;
    ShowDays();
    ShowProvinces();
    const QString description = Text(DescribeChart(m_data));
    setAccessibleDescription(description);
    m_daysView->setAccessibleDescription(description);
    m_provincesView->setAccessibleDescription(description);
}

void CQueryStatsChart::ShowDays()
{
    const bool any = m_data.total.Total() > 0;
    QString title = QStringLiteral("每日查询");
    if (!m_data.days.empty())
        title += QStringLiteral("（%1 至 %2）").arg(Text(m_data.days.front().day), Text(m_data.days.back().day));
    if (!any)
        title += QStringLiteral("：无符合条件的记录");
    QChart* chart = NewChart(title);

    std::vector<QBarSet*> sets = MakeSets(m_data.total);
    long long most = 0;
    for (const DayCounts& day : m_data.days) {
        Append(sets, m_data.total, day.counts);
        most = std::max(most, day.counts.Total());
    }
    auto* series = new QStackedBarSeries;
    for (QBarSet* set : sets)
        series->append(set);
    series->setBarWidth(0.8);
    chart->addSeries(series);

    // Bar k stands at k on a value axis, whose categories name only the days DayLabels picks
    // for the width the bars get: a name under every one of 90 bars would overlap.
    auto* dayAxis = new QCategoryAxis;
    dayAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    dayAxis->setTruncateLabels(false);
    dayAxis->setStartValue(-0.5);
    dayAxis->setRange(-0.5, std::max<qreal>(0.5, static_cast<qreal>(m_data.days.size()) - 0.5));
    chart->addAxis(dayAxis, Qt::AlignBottom);
    series->attachAxis(dayAxis);
    m_dayAxis = dayAxis;
    m_dayLabels.clear();
    connect(chart, &QChart::plotAreaChanged, this, &CQueryStatsChart::LabelDays);
    QValueAxis* countAxis = CountAxis(most, 5);
    chart->addAxis(countAxis, Qt::AlignLeft);
    series->attachAxis(countAxis);
    chart->legend()->setVisible(any);

    QChart* old = m_daysView->chart();
    m_daysView->setChart(chart);
    delete old;
    LabelDays();
}

void CQueryStatsChart::LabelDays()
{
    if (!m_dayAxis || m_data.days.empty())
        return;
    const QRectF plot = m_daysView->chart()->plotArea();
    const QFontMetricsF metrics(m_dayAxis->labelsFont());
    // Half a digit's width between two names keeps them apart.
    const qreal room = metrics.horizontalAdvance(QLatin1Char('0')) / 2;
    std::vector<DayLabel> labels =
        DayLabels(m_data.days, plot.width() / static_cast<qreal>(m_data.days.size()),
                  [&](const std::string& text) { return metrics.horizontalAdvance(Text(text)) + room; });
    if (labels == m_dayLabels)
        return;
    m_dayLabels = std::move(labels);
    for (const QString& label : m_dayAxis->categoriesLabels())
        m_dayAxis->remove(label);
    for (const DayLabel& label : m_dayLabels)
        m_dayAxis->append(Text(label.text), static_cast<qreal>(label.day));
}

void CQueryStatsChart::ShowProvinces()
{
    QChart* chart = NewChart(QStringLiteral("查询最多的省份"));
    std::vector<QBarSet*> sets = MakeSets(m_data.total);
    QStringList provinces;
    long long most = 0;
    // The axis lists its categories from the bottom up: the most queried goes in last, on top.
    for (auto it = m_data.provinces.rbegin(); it != m_data.provinces.rend(); ++it) {
        Append(sets, m_data.total, it->counts);
        provinces << (it->province.empty() ? QStringLiteral("未知地域") : Text(it->province));
        most = std::max(most, it->counts.Total());
    }
    auto* series = new QHorizontalStackedBarSeries;
    for (QBarSet* set : sets)
        series->append(set);
    series->setBarWidth(0.7);
    chart->addSeries(series);

    auto* provinceAxis = new QBarCategoryAxis;
    provinceAxis->append(provinces);
    // The names are short; elided to "..." in the narrow chart they were unreadable.
    provinceAxis->setTruncateLabels(false);
    chart->addAxis(provinceAxis, Qt::AlignLeft);
    series->attachAxis(provinceAxis);
    // Side by side under the narrow chart, no more than four counts fit.
    QValueAxis* countAxis = CountAxis(most, 3);
    chart->addAxis(countAxis, Qt::AlignBottom);
    series->attachAxis(countAxis);
    chart->legend()->setVisible(false);

    QChart* old = m_provincesView->chart();
    m_provincesView->setChart(chart);
    delete old;
}

bool CQueryStatsChart::SaveAsPng(const QString& path)
{
    return grab().save(path, "PNG");
}

void CQueryStatsChart::resizeEvent(QResizeEvent* event)
{
    // The days take three fifths of the width, the provinces the rest.
    const int daysWidth = width() * 3 / 5;
    m_daysView->setGeometry(0, 0, daysWidth, height());
    m_provincesView->setGeometry(daysWidth, 0, width() - daysWidth, height());
    QWidget::resizeEvent(event);
}
