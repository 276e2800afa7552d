#include "query_stats_page.h"

#include "city_combo.h"
#include "filter_control_values.h"
#include "filter_lists.h"
#include "long_operation.h"
#include "province_names.h"
#include "query_stats_chart.h"

#include "dialogs.h"

#include "color_list_ctrl.h"
#include "kit_look.h"
#include "skin_button.h"
#include "skin_check_box.h"
#include "skin_combo_box.h"
#include "skin_frame.h"

#include "clock.h"
#include "db_connection.h"

#include <QDateEdit>
#include <QLabel>

#include <algorithm>

namespace {

const char* const kResults[] = {"<不限>", "正确查询", "重复查询", "错误查询"};

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

// A frame of the page, placed by the template's rectangle arithmetic over what it frames.
void PlaceFrame(QWidget* page, const char* id, int x, int y, int width, int height)
{
    auto* frame = new CSkinFrame(page);
    frame->setObjectName(QString::fromUtf8(id));
    frame->setGeometry(x, y, width, height);
    frame->raise();
}

} // namespace

CQueryStatsPage::CQueryStatsPage(QWidget* parent)
    : QWidget(parent),
      m_sort(new CSkinComboBox(this)),
      m_province(new CSkinComboBox(this)),
      m_city(new CSkinComboBox(this)),
      m_product(new CSkinComboBox(this)),
      m_result(new CSkinComboBox(this)),
      m_from(new QDateEdit(this)),
      m_to(new QDateEdit(this)),
      m_run(new CSkinButton(QStringLiteral("统计"), this)),
      m_chartToggle(new CSkinCheckBox(QStringLiteral("图表"), this)),
      m_saveChart(new CSkinButton(QStringLiteral("保存图表"), this)),
      m_list(new CColorListCtrl(this)),
      m_chart(new CQueryStatsChart(this)),
      m_clock(&TheSystemClock())
{
    setAutoFillBackground(true);

    // Each list under its template ID; a label's text is the accessible name of what it labels.
    struct Placed {
        QWidget* control;
        const char* id;
        const char* accessibleName;
        QRect rect;
    };
    for (const Placed& placed : {Placed{m_sort, "1137", "排序方式：", DluRect(59, 7, 80, 12)},
                                 Placed{m_province, "1141", "查询地域：", DluRect(59, 23, 42, 12)},
                                 Placed{m_city, "1140", "城市", DluRect(100, 23, 39, 12)},
                                 Placed{m_product, "1067", "产品类别：", DluRect(199, 23, 58, 12)},
                                 Placed{m_result, "1069", "返回状态：", DluRect(59, 39, 80, 12)},
                                 Placed{m_from, "1080", "时间范围：起", DluRect(200, 39, 57, 12)},
                                 Placed{m_to, "1081", "时间范围：止", DluRect(268, 39, 56, 12)},
                                 Placed{m_run, "1076", "统计", DluRect(361, 37, 50, 14)},
                                 Placed{m_chartToggle, "chartToggle", "图表", DluRect(327, 39, 32, 12)},
                                 Placed{m_saveChart, "saveChart", "保存图表", DluRect(361, 21, 50, 14)},
                                 Placed{m_list, "1075", "查询统计", DluRect(12, 56, 400, 200)}}) {
        placed.control->setObjectName(QString::fromUtf8(placed.id));
        placed.control->setAccessibleName(QString::fromUtf8(placed.accessibleName));
        placed.control->setGeometry(placed.rect);
    }
    struct Label {
        const char* text;
        QWidget* buddy;
        QRect rect;
    };
    for (const Label& label :
         {Label{"排序方式：", m_sort, DluRect(12, 9, 46, 10)}, Label{"查询地域：", m_province, DluRect(12, 25, 46, 10)},
          Label{"产品类别：", m_product, DluRect(152, 25, 46, 10)},
          Label{"返回状态：", m_result, DluRect(12, 41, 46, 10)}, Label{"时间范围：", m_from, DluRect(152, 41, 46, 10)},
          Label{"--", nullptr, DluRect(257, 39, 11, 12)}}) {
        auto* shown = new QLabel(QString::fromUtf8(label.text), this);
        shown->setGeometry(label.rect);
        if (label.buddy)
            shown->setBuddy(label.buddy);
        else
            shown->setAlignment(Qt::AlignCenter);
    }

    for (const StatsSortChoice& choice : StatsSortChoices())
        m_sort->addItem(QString::fromUtf8(choice.label));
    m_province->addItem(QStringLiteral("<不限>"));
    for (const char* province : kProvinceNames)
        m_province->addItem(QString::fromUtf8(province));
    m_province->setCurrentIndex(0);
    for (const char* result : kResults)
        m_result->addItem(QString::fromUtf8(result));
    m_result->setCurrentIndex(0);
    for (QDateEdit* picker : {m_from, m_to}) {
        picker->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        picker->setCalendarPopup(true);
        // The small font lets a whole date fit the template's narrow pickers.
        picker->setFont(KitFont());
    }
    SetClock(m_clock);

    m_list->SetGridLines(true);
    m_list->SetMultipleSelection(false);
    m_list->SetSelectionBackground(ListSelectionBackground());
    m_list->SetSelectionText(Qt::black);
    m_chart->setGeometry(m_list->geometry());
    m_chart->hide();
    m_saveChart->hide();

    // The frames of the template: one just around the list, two over each date picker's edge.
    const QRect list = m_list->geometry();
    PlaceFrame(this, "1058", list.x() - 1, list.y() - 1, list.width() + 1, list.height() + 1);
    struct PickerFrames {
        const QDateEdit* picker;
        const char* outer;
        const char* inner;
    };
    for (const PickerFrames& frames : {PickerFrames{m_from, "1082", "1083"}, PickerFrames{m_to, "1085", "1084"}}) {
        const QRect picker = frames.picker->geometry();
        PlaceFrame(this, frames.outer, picker.x(), picker.y(), picker.width() - 1, picker.height() - 1);
        PlaceFrame(this, frames.inner, picker.x() + 1, picker.y() + 1, picker.width() - 3, picker.height() - 3);
    }

    m_sort->setCurrentIndex(0);
    RebuildColumns();
    connect(m_sort, &QComboBox::currentIndexChanged, this, &CQueryStatsPage::RebuildColumns);
    connect(m_province, &QComboBox::currentIndexChanged, this, &CQueryStatsPage::OnProvinceChanged);
    connect(m_product, &CSkinComboBox::PopupAboutToShow, this, &CQueryStatsPage::FillProducts);
    connect(m_run, &QPushButton::clicked, this, &CQueryStatsPage::RunStatistics);
    connect(m_chartToggle, &QCheckBox::toggled, this, &CQueryStatsPage::ShowChart);
    connect(m_saveChart, &QPushButton::clicked, this, &CQueryStatsPage::SaveChart);
}

CQueryStatsPage::~CQueryStatsPage() = default;

void CQueryStatsPage::SetClock(const Clock* clock)
{
    m_clock = clock ? clock : &TheSystemClock();
    const std::tm now = m_clock->LocalNow();
    const QDate today(now.tm_year + 1900, now.tm_mon + 1, now.tm_mday);
    m_from->setDate(today);
    m_to->setDate(today);
}

StatsFilter CQueryStatsPage::Filter() const
{
    return StatsFilter{PickerDate(m_from), PickerDate(m_to),      ComboValue(m_province),
                       ComboValue(m_city), ComboValue(m_product), ComboValue(m_result)};
}

void CQueryStatsPage::RebuildColumns()
{
    // Deleting the last column empties the list as well.
    while (m_list->GetColumnCount() > 0)
        m_list->DeleteColumn(0);
    m_list->DeleteAllItems();
    const std::array<StatsColumn, 4> columns = StatsColumns(m_sort->currentIndex());
    for (int i = 0; i < 4; ++i)
        m_list->InsertColumn(i, QString::fromUtf8(columns[static_cast<std::size_t>(i)].heading), Qt::AlignLeft,
                             columns[static_cast<std::size_t>(i)].width);
}

void CQueryStatsPage::OnProvinceChanged()
{
    // "<不限>" has no cities.
    RefillCityCombo(*m_city, TheConnection(), m_province->currentIndex() > 0, ComboValue(m_province));
}

void CQueryStatsPage::FillProducts()
{
    // Rebuilt on every drop-down, with no choice: the one the operator picks now.
    m_product->clear();
    if (TheConnection())
        for (const std::string& name : FillProductList(*TheConnection()))
            m_product->addItem(Text(name));
    m_product->setCurrentIndex(-1);
}

std::vector<QWidget*> CQueryStatsPage::ReadLockedControls() const
{
    // Nothing on the page starts another read or changes the filter or the columns while a
    // read is under way.
    return {m_sort, m_province, m_city, m_product, m_result, m_from, m_to, m_run, m_chartToggle, m_saveChart};
}

void CQueryStatsPage::RunStatistics()
{
    if (m_busy || !TheConnection())
        return;
    const StatsFilter filter = Filter();
    const int choice = m_sort->currentIndex();
    m_list->DeleteAllItems();

    LongOperation operation(m_busy, ReadLockedControls());
    std::vector<StatsLine> lines;
    std::string error;
    const ReadOutcome outcome = ReadStatsLines(*TheConnection(), filter, choice, lines, error);
    operation.End();
    if (outcome == ReadOutcome::Failed) {
        ShowDatabaseError(*TheConnection());
        return;
    }
    if (outcome == ReadOutcome::Empty) {
        ShowMessage(QStringLiteral("无符合条件的记录！"), false);
    } else {
        // Each line goes on top as it is made, so the list shows the last group first.
        std::vector<std::vector<QString>> rows;
        rows.reserve(lines.size());
        for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
            const std::array<std::string, 4> cells = line->Cells(choice);
            rows.push_back({Text(cells[0]), Text(cells[1]), Text(cells[2]), Text(cells[3])});
        }
        m_list->InsertItems(0, std::move(rows));
    }
    if (m_chartToggle->isChecked())
        RefreshChart(filter);
}

void CQueryStatsPage::ShowChart(bool on)
{
    if (m_chartToggle->isChecked() != on) {
        m_chartToggle->setChecked(on); // comes back here through the toggle's signal
        return;
    }
    m_list->setVisible(!on);
    m_chart->setVisible(on);
    m_saveChart->setVisible(on);
    if (on)
        RefreshChart(Filter());
}

void CQueryStatsPage::RefreshChart(const StatsFilter& filter)
{
    if (m_busy || !TheConnection())
        return;
    LongOperation operation(m_busy, ReadLockedControls());
    QueryChartData data;
    std::string error;
    const ReadOutcome outcome = ReadQueryChartData(*TheConnection(), filter, data, error);
    operation.End();
    // A failed read shows no figures rather than the last ones.
    m_chart->SetData(outcome == ReadOutcome::Failed ? QueryChartData{} : data);
    if (outcome == ReadOutcome::Failed)
        ShowDatabaseError(*TheConnection());
}

void CQueryStatsPage::SaveChart()
{
    const std::optional<QString> path = TheDialogs().ChooseSaveFile(
        {QStringLiteral("输入图表保存的图片文件名"), QStringLiteral("PNG图片(*.png)|*.png|"), QStringLiteral("png")});
    if (!path)
        return;
    if (!m_chart->SaveAsPng(*path))
        ShowMessage(QStringLiteral("图表保存失败！\r\n") + *path, false);
    else
        ShowMessage(QStringLiteral("图表已保存！"), false);
}
