#include "cross_region_page.h"

#include "city_combo.h"
#include "cross_region.h"
#include "filter_control_values.h"
#include "filter_lists.h"
#include "long_operation.h"
#include "newest_on_top.h"
#include "province_names.h"

#include "dialogs.h"
#include "pump_messages.h"

#include "color_list_ctrl.h"
#include "color_list_model.h"
#include "kit_look.h"
#include "skin_button.h"
#include "skin_combo_box.h"
#include "skin_edit.h"
#include "skin_frame.h"

#include "db_connection.h"

#include <QAbstractItemView>
#include <QCollator>
#include <QEvent>
#include <QLabel>
#include <QRegularExpressionValidator>

#include <algorithm>

namespace {

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

QLabel* Label(const char* text, QWidget* buddy, const QRect& rect, QWidget* parent)
{
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setGeometry(rect);
    label->setBuddy(buddy);
    return label;
}

} // namespace

CCrossRegionPage::CCrossRegionPage(QWidget* parent)
    : QWidget(parent),
      m_province(new CSkinComboBox(this)),
      m_city(new CSkinComboBox(this)),
      m_product(new CSkinComboBox(this)),
      m_startCode(new CSkinEdit(this)),
      m_endCode(new CSkinEdit(this)),
      m_run(new CSkinButton(QStringLiteral("查询"), this)),
      m_list(new CColorListCtrl(this))
{
    setAutoFillBackground(true);

    Label("销售地区：", m_province, DluRect(8, 10, 44, 10), this);
    for (const char* province : kProvinceNames)
        m_province->addItem(QString::fromUtf8(province));
    m_province->setCurrentIndex(-1);
    Label("产品名称：", m_product, DluRect(190, 10, 44, 10), this);
    Label("起始编号：", m_startCode, DluRect(8, 28, 44, 10), this);
    Label("结束编号：", m_endCode, DluRect(130, 28, 44, 10), this);
    struct Placed {
        QWidget* control;
        const char* name;
        const char* accessibleName;
        QRect rect;
    };
    for (const Placed& placed : {Placed{m_province, "provinceList", "销售地区", DluRect(52, 8, 56, 14)},
                                 Placed{m_city, "cityList", "城市", DluRect(112, 8, 66, 14)},
                                 Placed{m_product, "productList", "产品名称", DluRect(234, 8, 110, 14)},
                                 Placed{m_startCode, "startCode", "起始编号", DluRect(52, 26, 66, 14)},
                                 Placed{m_endCode, "endCode", "结束编号", DluRect(174, 26, 66, 14)},
                                 Placed{m_run, "runQuery", "查询", DluRect(358, 25, 50, 16)}}) {
        placed.control->setObjectName(QString::fromUtf8(placed.name));
        placed.control->setAccessibleName(QString::fromUtf8(placed.accessibleName));
        placed.control->setGeometry(placed.rect);
    }
    for (CSkinEdit* edit : {m_startCode, m_endCode}) {
        edit->setMaxLength(8);
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,8}")), edit));
        edit->setEnabled(false);
    }

    auto* results = new CSkinFrame(QStringLiteral("查询结果"), this);
    results->setObjectName(QStringLiteral("resultFrame"));
    results->setGeometry(DluRect(6, 46, 410, 194));
    results->lower();
    m_list->InsertColumn(kProduct, QStringLiteral("产品名称"), Qt::AlignLeft, 150);
    m_list->InsertColumn(kRegion, QStringLiteral("串货区域"), Qt::AlignLeft, 150);
    m_list->InsertColumn(kCount, QStringLiteral("查询次数"), Qt::AlignLeft, 150);
    m_list->SetGridLines(true);
    m_list->SetMultipleSelection(false);
    m_list->SetSelectionBackground(ListSelectionBackground());
    m_list->SetSelectionText(Qt::black);
    m_list->setGeometry(DluRect(14, 60, 394, 172));
    m_list->setObjectName(QStringLiteral("list"));
    m_list->setAccessibleName(QStringLiteral("查询结果"));

    auto* hint = new QLabel(QStringLiteral("（列表显示非选择区域的查询记录）"), this);
    hint->setObjectName(QStringLiteral("hint"));
    hint->setGeometry(DluRect(8, 246, 300, 12));

    connect(m_run, &QPushButton::clicked, this, &CCrossRegionPage::RunCrossRegionQuery);
    connect(m_province, &QComboBox::currentIndexChanged, this, &CCrossRegionPage::OnProvinceChanged);
    connect(m_product, &CSkinComboBox::PopupAboutToShow, this, &CCrossRegionPage::FillProducts);
    connect(m_product, &QComboBox::currentIndexChanged, this, &CCrossRegionPage::OnProductSwitch);
    // The drop-down's window is made with the list; its hiding is the list closing.
    m_product->view()->setAccessibleName(m_product->accessibleName());
    m_productPopup = m_product->view()->window();
    m_productPopup->installEventFilter(this);
}

CCrossRegionPage::~CCrossRegionPage()
{
    // The drop-down outlives this part of the page: it must not report to it any more.
    m_productPopup->removeEventFilter(this);
}

bool CCrossRegionPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_productPopup && event->type() == QEvent::Hide)
        OnProductSwitch();
    return QWidget::eventFilter(watched, event);
}

void CCrossRegionPage::OnProvinceChanged()
{
    RefillCityCombo(*m_city, TheConnection(), m_province->currentIndex() >= 0, ComboValue(m_province));
}

void CCrossRegionPage::FillProducts()
{
    if (!TheConnection())
        return;
    // Rebuilt on every drop-down, sorted; the choice stays when its batch still exists.
    const QString chosen = m_product->currentIndex() < 0 ? QString() : m_product->currentText();
    const QSignalBlocker quiet(m_product);
    m_product->clear();
    QStringList names;
    for (const std::string& name : FillProductList(*TheConnection()))
        names << Text(name);
    // Sorted the way a Chinese reader looks for a name: by its reading.
    QCollator collator{QLocale(QLocale::Chinese, QLocale::China)};
    std::stable_sort(names.begin(), names.end(), collator);
    m_product->addItems(names);
    m_product->setCurrentIndex(chosen.isNull() ? -1 : m_product->findText(chosen, Qt::MatchExactly));
}

void CCrossRegionPage::OnProductSwitch()
{
    m_startCode->clear();
    m_endCode->clear();
    const bool chosen = !QString::fromStdString(ComboValue(m_product)).trimmed().isEmpty();
    m_startCode->setEnabled(chosen);
    m_endCode->setEnabled(chosen);
}

void CCrossRegionPage::RunCrossRegionQuery()
{
    if (m_busy)
        return;
    const CrossRegionFilter filter{ComboValue(m_province), ComboValue(m_city), ComboValue(m_product),
                                   m_startCode->text().toStdString(), m_endCode->text().toStdString()};
    m_list->DeleteAllItems();
    const CrossRegionRefusal refusal = CheckCrossRegionFilter(filter);
    if (refusal != CrossRegionRefusal::None) {
        ShowMessage(QString::fromUtf8(CrossRegionRefusalText(refusal)), false);
        QWidget* const focus[] = {nullptr, m_province, m_product, m_startCode, m_endCode};
        focus[static_cast<int>(refusal)]->setFocus();
        return;
    }
    if (!TheConnection())
        return;

    LongOperation operation(m_busy, {m_run});
    // Each line goes straight into the list's own form: one string per line.
    std::vector<ColorListRow> lines;
    const QString product = Text(filter.product);
    CrossRegionRuns runs(filter.product, [&lines, &product](CrossRegionLine line) {
        ColorListRow& cells = lines.emplace_back();
        cells.Reserve(static_cast<std::size_t>(product.size()) + line.region.size() + line.count.size() + 3);
        cells.AddCell(product);
        cells.AddUtf8Cell(line.region);
        cells.AddUtf8Cell(line.count);
    });
    std::string error;
    const ReadOutcome outcome = ReadCrossRegionQueries(
        *TheConnection(), filter,
        [&runs](const std::string& province, const std::string& city) { runs.Add(province, city); },
        // Between windows no statement runs: the window is served then.
        PumpMessages, error);
    if (outcome == ReadOutcome::Rows) {
        runs.Finish();
        // The newest run leads the list. The lines go in after the read, not after every
        // window of it: a long list is laid out a few times instead of once per window.
        InsertNewestOnTop(*m_list, std::move(lines), PumpMessages);
    }
    operation.End();

    if (outcome == ReadOutcome::Failed) {
        ShowDatabaseError(*TheConnection());
    } else if (outcome == ReadOutcome::Empty) {
        ShowMessage(QStringLiteral("无符合条件的记录！"), false);
    }
}
