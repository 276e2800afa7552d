#include "fake_warning_page.h"

#include "fake_warning.h"
#include "filter_control_values.h"
#include "long_operation.h"
#include "newest_on_top.h"
#include "province_names.h"
#include "query_log_columns.h"

#include "dialogs.h"
#include "pump_messages.h"

#include "color_list_ctrl.h"
#include "color_list_model.h"
#include "kit_look.h"
#include "skin_button.h"
#include "skin_combo_box.h"
#include "skin_frame.h"

#include "clock.h"
#include "db_connection.h"

#include <QDateEdit>
#include <QLabel>

namespace {

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

QDateEdit* MakeDatePicker(QWidget* parent, const char* id, const char* accessibleName, const QRect& rect)
{
    auto* picker = new QDateEdit(parent);
    picker->setObjectName(QString::fromUtf8(id));
    picker->setAccessibleName(QString::fromUtf8(accessibleName));
    picker->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    picker->setCalendarPopup(true);
    picker->setGeometry(rect);
    return picker;
}

CSkinFrame* PlaceFrame(QWidget* parent, const char* id, const QRect& rect)
{
    auto* frame = new CSkinFrame(parent);
    frame->setObjectName(QString::fromUtf8(id));
    frame->setGeometry(rect);
    return frame;
}

// Two frames over a date picker, the outer one a pixel inside its edge and the inner one
// a pixel further in: the picker's own border disappears under the kit's lines.
void FramePicker(QWidget* parent, const QDateEdit* picker, const char* outer, const char* inner)
{
    const QRect r = picker->geometry();
    const int right = r.x() + r.width();
    const int bottom = r.y() + r.height();
    PlaceFrame(parent, outer, QRect(r.x(), r.y(), right - r.x() - 1, bottom - r.y() - 1));
    PlaceFrame(parent, inner, QRect(r.x() + 1, r.y() + 1, right - r.x() - 3, bottom - r.y() - 3));
}

} // namespace

CFakeWarningPage::CFakeWarningPage(QWidget* parent)
    : QWidget(parent),
      m_province(new CSkinComboBox(this)),
      m_from(MakeDatePicker(this, "1120", "时间范围：起", DluRect(189, 15, 58, 13))),
      m_to(MakeDatePicker(this, "1121", "时间范围：止", DluRect(259, 15, 58, 13))),
      m_run(new CSkinButton(QStringLiteral("查询"), this)),
      m_summary(new QLabel(this)),
      m_list(new CColorListCtrl(this)),
      m_clock(&TheSystemClock())
{
    setAutoFillBackground(true);

    auto* provinceLabel = new QLabel(QStringLiteral("查询区域："), this);
    provinceLabel->setGeometry(DluRect(14, 16, 44, 10));
    provinceLabel->setBuddy(m_province);
    m_province->setObjectName(QStringLiteral("1068"));
    m_province->setAccessibleName(QStringLiteral("查询区域"));
    m_province->setGeometry(DluRect(59, 14, 57, 14));
    m_province->addItem(QStringLiteral("<不限>"));
    for (const char* province : kProvinceNames)
        m_province->addItem(QString::fromUtf8(province));
    m_province->setCurrentIndex(0);

    auto* rangeLabel = new QLabel(QStringLiteral("时间范围："), this);
    rangeLabel->setGeometry(DluRect(145, 16, 44, 10));
    rangeLabel->setBuddy(m_from);
    auto* dash = new QLabel(QStringLiteral("--"), this);
    dash->setAlignment(Qt::AlignCenter);
    dash->setGeometry(DluRect(247, 15, 12, 13));
    SetClock(m_clock);

    m_run->setObjectName(QStringLiteral("1060"));
    m_run->setAccessibleName(m_run->text());
    m_run->setGeometry(DluRect(358, 14, 50, 14));
    connect(m_run, &QPushButton::clicked, this, &CFakeWarningPage::RunWarningQuery);

    // The summary takes the list's first line; the list starts below it.
    m_summary->setObjectName(QStringLiteral("provinceSummary"));
    m_summary->setAccessibleName(QStringLiteral("警示最多的省份"));
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_summary->setGeometry(DluRect(14, 33, 394, 12));

    SetUpQueryLogList(m_list);
    m_list->setGeometry(DluRect(14, 46, 394, 210));
    m_list->setObjectName(QStringLiteral("1075"));
    m_list->setAccessibleName(QStringLiteral("假货警示"));

    const QRect list = m_list->geometry();
    PlaceFrame(this, "1058", QRect(list.x() - 1, list.y() - 1, list.width() + 1, list.height() + 1))->lower();
    FramePicker(this, m_from, "1123", "1122");
    FramePicker(this, m_to, "1125", "1124");
}

void CFakeWarningPage::SetClock(const Clock* clock)
{
    m_clock = clock ? clock : &TheSystemClock();
    const std::tm now = m_clock->LocalNow();
    const QDate today(now.tm_year + 1900, now.tm_mon + 1, now.tm_mday);
    m_from->setDate(today);
    m_to->setDate(today);
}

void CFakeWarningPage::RunWarningQuery()
{
    if (m_busy || !TheConnection())
        return;
    const WarningFilter filter{PickerDate(m_from), PickerDate(m_to),
                               m_province->currentIndex() < 0 ? std::string()
                                                              : m_province->currentText().toStdString()};
    m_list->DeleteAllItems();
    m_summary->clear();

    LongOperation operation(m_busy, {m_run});
    std::vector<ColorListRow> rows;
    ProvinceTally tally;
    std::string error;
    const ReadOutcome outcome = ReadWarnings(
        *TheConnection(), filter,
        [&rows, &tally](const QueryLogRow& row) {
            tally.Add(row.province);
            // Straight from the read into the list's own form: one string per row.
            ColorListRow& cells = rows.emplace_back();
            const std::vector<std::string> texts = WarningCells(row);
            std::size_t size = texts.size();
            for (const std::string& text : texts)
                size += text.size();
            cells.Reserve(size);
            for (const std::string& text : texts)
                cells.AddUtf8Cell(text);
        },
        // Between windows no statement runs: the window is served then.
        PumpMessages, error);
    if (outcome == ReadOutcome::Rows) {
        // The newest rows lead the list. They go in after the read, not after every window
        // of it: a long list is laid out a few times instead of once per window.
        InsertNewestOnTop(*m_list, std::move(rows), PumpMessages);
    }
    operation.End();

    if (outcome == ReadOutcome::Failed) {
        ShowDatabaseError(*TheConnection());
    } else if (outcome == ReadOutcome::Empty) {
        ShowMessage(QStringLiteral("无符合条件的记录！"), false);
    } else {
        m_summary->setText(QStringLiteral("警示最多的省份：") + Text(ProvinceSummary(tally.Counts())));
    }
}
