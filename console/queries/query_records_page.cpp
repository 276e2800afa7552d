#include "query_records_page.h"

#include "city_combo.h"
#include "filter_control_values.h"
#include "filter_lists.h"
#include "long_operation.h"
#include "province_names.h"
#include "query_filter.h"
#include "query_log_columns.h"
#include "query_records_reader.h"
#include "query_status.h"

#include "excel_export.h"
#include "export_list_to_excel.h"

#include "send_queue.h"

#include "dialogs.h"
#include "pump_messages.h"

#include "color_list_ctrl.h"
#include "color_list_model.h"
#include "kit_look.h"
#include "skin_button.h"
#include "skin_check_box.h"
#include "skin_combo_box.h"
#include "skin_frame.h"
#include "skin_static.h"

#include "clock.h"
#include "db_connection.h"

#include <QDateEdit>
#include <QElapsedTimer>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace {

// However long a read takes, the window is served this often, and the rows read so far
// are added to the list this often.
constexpr qint64 kLongestQuietMs = 50;
constexpr qint64 kShowEveryMs = 250;

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

QDateEdit* MakeDatePicker(QWidget* parent, const QString& name, const QString& accessibleName)
{
    auto* picker = new QDateEdit(parent);
    picker->setObjectName(name);
    picker->setAccessibleName(accessibleName);
    picker->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    picker->setCalendarPopup(true);
    return picker;
}

} // namespace

CQueryRecordsPage::CQueryRecordsPage(QWidget* parent)
    : QWidget(parent),
      m_list(new CColorListCtrl(this)),
      m_regionCheck(new CSkinCheckBox(QStringLiteral("指定地域"), this)),
      m_province(new CSkinComboBox(this)),
      m_city(new CSkinComboBox(this)),
      m_batchCheck(new CSkinCheckBox(QStringLiteral("指定批次"), this)),
      m_product(new CSkinComboBox(this)),
      m_status(new CSkinComboBox(this)),
      m_from(MakeDatePicker(this, QStringLiteral("fromDate"), QStringLiteral("查询时间范围：起"))),
      m_to(MakeDatePicker(this, QStringLiteral("toDate"), QStringLiteral("查询时间范围：止"))),
      m_clock(&TheSystemClock())
{
    setAutoFillBackground(true);

    // Filters: the region and the batch on the first line, status and dates on the second.
    m_regionCheck->setObjectName(QStringLiteral("regionCheck"));
    m_regionCheck->setAccessibleName(m_regionCheck->text());
    m_regionCheck->setGeometry(DluRect(6, 8, 46, 12));
    for (const char* province : kProvinceNames)
        m_province->addItem(QString::fromUtf8(province));
    m_province->setCurrentIndex(-1);
    struct Placed {
        CSkinComboBox* list;
        const char* name;
        const char* accessibleName;
        QRect rect;
    };
    for (const Placed& placed : {Placed{m_province, "provinceList", "省份", DluRect(54, 6, 56, 14)},
                                 Placed{m_city, "cityList", "城市", DluRect(114, 6, 66, 14)},
                                 Placed{m_product, "productList", "批次", DluRect(246, 6, 110, 14)},
                                 Placed{m_status, "statusList", "查询结果状态", DluRect(62, 26, 64, 14)}}) {
        placed.list->setObjectName(QString::fromUtf8(placed.name));
        placed.list->setAccessibleName(QString::fromUtf8(placed.accessibleName));
        placed.list->setGeometry(placed.rect);
    }
    m_batchCheck->setObjectName(QStringLiteral("batchCheck"));
    m_batchCheck->setAccessibleName(m_batchCheck->text());
    m_batchCheck->setGeometry(DluRect(196, 8, 46, 12));
    for (CSkinComboBox* list : {m_province, m_city, m_product})
        list->setEnabled(false);

    auto* statusLabel = new CSkinStatic(QStringLiteral("查询结果状态"), this);
    statusLabel->setGeometry(DluRect(6, 26, 54, 14));
    for (const char* status : {"<不限>", "码值错误", "重复查询", "正确查询"})
        m_status->addItem(QString::fromUtf8(status));
    m_status->setCurrentIndex(0);

    auto* rangeLabel = new CSkinStatic(QStringLiteral("查询时间范围："), this);
    rangeLabel->setGeometry(DluRect(134, 26, 60, 14));
    m_from->setGeometry(DluRect(196, 26, 64, 14));
    auto* dash = new QLabel(QStringLiteral("--"), this);
    dash->setAlignment(Qt::AlignCenter);
    dash->setGeometry(DluRect(260, 26, 12, 14));
    m_to->setGeometry(DluRect(272, 26, 64, 14));
    for (QDateEdit* picker : {m_from, m_to}) {
        auto* frame = new CSkinFrame(this);
        frame->setGeometry(picker->geometry().adjusted(-1, -1, 1, 1));
        frame->lower();
    }
    SetClock(m_clock);

    auto* runButton = new CSkinButton(QStringLiteral("查询"), this);
    runButton->setObjectName(QStringLiteral("runQuery"));
    runButton->setAccessibleName(runButton->text());
    runButton->setGeometry(DluRect(351, 25, 62, 16));
    connect(runButton, &QPushButton::clicked, this, &CQueryRecordsPage::RunQuery);
    m_commands.push_back(runButton);

    SetUpQueryLogList(m_list);
    m_list->setGeometry(DluRect(6, 46, 407, 186));
    m_list->setObjectName(QStringLiteral("list"));
    m_list->setAccessibleName(QStringLiteral("查询记录"));
    auto* listFrame = new CSkinFrame(this);
    listFrame->setGeometry(m_list->geometry().adjusted(-1, -1, 0, 0));
    listFrame->lower();

    struct Command {
        const char* caption;
        const char* name;
        void (CQueryRecordsPage::*run)();
    };
    static const Command kCommands[] = {
        {"人工回复", "manualReply", &CQueryRecordsPage::ManualReply},
        {"删除记录", "deleteRecord", &CQueryRecordsPage::DeleteRecord},
        {"导出记录", "exportRecords", &CQueryRecordsPage::ExportRecords},
        {"清空记录", "clearRecords", &CQueryRecordsPage::ClearRecords},
    };
    int x = 6;
    for (const Command& command : kCommands) {
        auto* button = new CSkinButton(QString::fromUtf8(command.caption), this);
        button->setObjectName(QString::fromUtf8(command.name));
        button->setAccessibleName(button->text());
        button->setGeometry(DluRect(x, 238, 62, 16));
        x += 69;
        connect(button, &QPushButton::clicked, this, command.run);
        m_commands.push_back(button);
    }

    connect(m_regionCheck, &QCheckBox::clicked, this, &CQueryRecordsPage::OnRegionSwitch);
    connect(m_batchCheck, &QCheckBox::clicked, this, &CQueryRecordsPage::OnBatchSwitch);
    connect(m_province, &QComboBox::currentIndexChanged, this, &CQueryRecordsPage::OnProvinceChanged);
    connect(m_product, &CSkinComboBox::PopupAboutToShow, this, &CQueryRecordsPage::FillProducts);
}

CQueryRecordsPage::~CQueryRecordsPage() = default;

void CQueryRecordsPage::SetClock(const Clock* clock)
{
    m_clock = clock ? clock : &TheSystemClock();
    const std::tm now = m_clock->LocalNow();
    const QDate today(now.tm_year + 1900, now.tm_mon + 1, now.tm_mday);
    m_from->setDate(today);
    m_to->setDate(today);
}

void CQueryRecordsPage::OnRegionSwitch()
{
    const bool on = m_regionCheck->isChecked();
    m_province->setEnabled(on);
    m_city->setEnabled(on);
    if (!on) {
        m_province->setCurrentIndex(-1);
        m_city->clear();
    }
}

void CQueryRecordsPage::OnBatchSwitch()
{
    const bool on = m_batchCheck->isChecked();
    m_product->setEnabled(on);
    if (!on)
        m_product->clear();
}

void CQueryRecordsPage::OnProvinceChanged()
{
    RefillCityCombo(*m_city, TheConnection(), m_province->currentIndex() >= 0, ComboValue(m_province));
}

void CQueryRecordsPage::FillProducts()
{
    if (!TheConnection())
        return;
    // Rebuilt on every drop-down; the choice stays when its batch still exists.
    const QString chosen = m_product->currentIndex() < 0 ? QString() : m_product->currentText();
    m_product->clear();
    for (const std::string& name : FillProductList(*TheConnection()))
        m_product->addItem(Text(name));
    m_product->setCurrentIndex(chosen.isNull() ? -1 : m_product->findText(chosen, Qt::MatchExactly));
}

int CQueryRecordsPage::SelectedRowOrTell(const QString& noSelection) const
{
    const int row = m_list->GetFirstSelectedItem();
    if (row < 0)
        ShowMessage(noSelection, false);
    return row;
}

void CQueryRecordsPage::SetCommandsEnabled(bool enabled)
{
    for (QWidget* command : m_commands)
        command->setEnabled(enabled);
}

void CQueryRecordsPage::RunQuery()
{
    if (m_busy || !TheConnection())
        return;
    QueryFilter filter{PickerDate(m_from), PickerDate(m_to),      ComboValue(m_province),
                       ComboValue(m_city), ComboValue(m_product), ComboValue(m_status)};
    m_list->DeleteAllItems();
    m_listing = QueryListing{filter.WhereClause(), filter.TimeRangeClause(), 0, 0};

    LongOperation operation(m_busy, m_commands);
    // The rows are read on a thread of their own; this one builds the list's rows from
    // them, fills the list and serves the window meanwhile.
    QueryRecordsReader reader;
    ReadOutcome outcome = ReadOutcome::Failed;
    if (reader.Start(TheConnection()->ConnectionString(), m_listing)) {
        // Blocks taken and not shown yet, oldest first. The list keeps each block as it came.
        std::vector<QueryRecordsBlock> pending;
        std::size_t pendingRows = 0;
        // The list takes the rows a few blocks at a time: each insert makes the view lay out
        // all its rows again, so each at least doubles the list (all of them together cost
        // about two layouts of the whole list).
        const auto show = [this, &pending, &pendingRows] {
            std::vector<ColorListBlock> blocks;
            blocks.reserve(pending.size());
            // The newest rows lead the list.
            for (auto block = pending.rbegin(); block != pending.rend(); ++block) {
                ColorListBlock& shown = blocks.emplace_back();
                shown.rows.reserve(block->RowCount());
                for (std::size_t k = block->RowCount(); k-- > 0;)
                    shown.rows.push_back({block->starts[k], block->starts[k + 1] - block->starts[k]});
                shown.text = std::make_shared<const std::string>(std::move(block->rows));
            }
            m_list->InsertItems(0, std::move(blocks));
            pending.clear();
            pendingRows = 0;
        };
        QElapsedTimer sinceShown;
        sinceShown.start();
        QElapsedTimer sincePump;
        sincePump.start();
        std::vector<QueryRecordsBlock> taken;
        for (bool done = false;;) {
            done = reader.Take(taken, std::chrono::milliseconds(kLongestQuietMs / 2));
            for (QueryRecordsBlock& block : taken) {
                pendingRows += block.RowCount();
                pending.push_back(std::move(block));
            }
            taken.clear();
            if (done)
                break;
            if (sinceShown.elapsed() >= kShowEveryMs &&
                pendingRows >= static_cast<std::size_t>(m_list->GetItemCount())) {
                // The view lays the whole list out again at the next pass of the event loop:
                // the window is served just before and straight after, so that the wait
                // for it is the insert and the layout alone.
                PumpMessages();
                show();
                sinceShown.restart();
                PumpMessages();
                sincePump.restart();
            } else if (sincePump.elapsed() >= kLongestQuietMs) {
                PumpMessages();
                sincePump.restart();
            }
        }
        outcome = reader.Outcome();
        m_listing = reader.Listing();
        if (outcome != ReadOutcome::Failed) {
            PumpMessages();
            show();
        }
    }
    operation.End();

    if (outcome == ReadOutcome::Failed) {
        // Half a listing must not be taken for the filter's rows by "清空记录".
        m_list->DeleteAllItems();
        ShowDatabaseError(reader.Connection());
    } else if (outcome == ReadOutcome::Empty) {
        ShowMessage(QStringLiteral("无符合条件的记录！"), false);
    }
}

void CQueryRecordsPage::ManualReply()
{
    const int row = SelectedRowOrTell(QStringLiteral("请先从列表中选择要手工回复的记录！"));
    if (row < 0 || !TheConnection())
        return;
    const QString phone = m_list->GetItemText(row, kPhone);
    const std::optional<QString> text = TheDialogs().AskReplyText();
    if (!text)
        return;
    SendQueue queue(*TheConnection());
    // A refused insert has been shown; the bulk SMS page has nothing new to pick up.
    if (queue.EnqueueSms(phone.toStdString(), text->toStdString()))
        emit ReplyQueued();
}

void CQueryRecordsPage::DeleteRecord()
{
    const int row = SelectedRowOrTell(QStringLiteral("请先从列表中选择要删除的记录！"));
    if (row < 0 || !TheConnection())
        return;
    if (!ShowMessage(QStringLiteral("真的要删除选中的录吗？"), true))
        return;
    if (DeleteQueryRecord(*TheConnection(), m_list->GetItemText(row, kIndex).toStdString()))
        m_list->DeleteItem(row);
}

void CQueryRecordsPage::ClearRecords()
{
    if (m_list->GetItemCount() == 0) {
        ShowMessage(QStringLiteral("列表中已经没有记录！"), false);
        return;
    }
    if (!TheConnection() ||
        !ShowMessage(QStringLiteral("注意：您的此步操作将删除列表中的全部查询记录。\r\n确认您要做此操作吗？"), true))
        return;
    LongOperation operation(m_busy, m_commands);
    std::int64_t clearedUpTo = 0;
    const bool deleted =
        ClearQueryRecords(*TheConnection(), m_listing, m_list->GetItemCount(), PumpMessages, clearedUpTo);
    operation.End();
    if (deleted) {
        m_list->DeleteAllItems();
        return;
    }
    // The oldest rows lie at the bottom: take away those the windows that went through deleted.
    for (int row = m_list->GetItemCount() - 1; row >= 0 && m_list->GetItemText(row, kIndex).toLongLong() <= clearedUpTo;
         --row)
        m_list->DeleteItem(row);
}

void CQueryRecordsPage::ExportRecords()
{
    if (m_busy)
        return;
    // The export keeps the window serving events while it writes: the console must not end meanwhile.
    m_busy = true;
    SetCommandsEnabled(false);
    ExportListToExcel(*m_list, QueryRecordsExportSpec());
    SetCommandsEnabled(true);
    m_busy = false;
}
