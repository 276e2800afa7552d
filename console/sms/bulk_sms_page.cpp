#include "bulk_sms_page.h"

#include "number_file.h"
#include "send_queue.h"

#include "excel_export.h"
#include "export_list_to_excel.h"

#include "dialogs.h"
#include "pump_messages.h"

#include "color_list_ctrl.h"
#include "gbk_byte_limit.h"
#include "gbk_text.h"
#include "kit_look.h"
#include "skin_button.h"
#include "skin_frame.h"

#include "db_connection.h"
#include "db_error_text.h"
#include "message_sink.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>

#include <algorithm>

namespace {

constexpr int kMessageBytes = 140;
// However long a pass through the queue takes, the window is served this often.
constexpr qint64 kLongestQuietMs = 50;

const char* const kReadFailed = "未能从数据库读取发送记录，列表保持原样，稍后自动重试。";

struct Command {
    const char* id;
    const char* caption;
    int x, y, width, height;
    void (CBulkSmsPage::*run)();
};

const Command kCommands[] = {
    {"1086", "添加单个", 349, 27, 50, 14, &CBulkSmsPage::AddOne},
    {"1087", "文件中导入", 349, 41, 50, 14, &CBulkSmsPage::ImportNumbers},
    {"1133", "删除接收者", 349, 55, 50, 14, &CBulkSmsPage::RemoveRecipients},
    {"1135", "发送短信", 349, 97, 50, 30, &CBulkSmsPage::Send},
    {"1088", "重发短信", 87, 237, 50, 14, &CBulkSmsPage::Resend},
    {"1089", "删除短信", 152, 237, 50, 14, &CBulkSmsPage::DeleteOne},
    {"1064", "记录导出", 217, 237, 50, 14, &CBulkSmsPage::ExportRecords},
    {"1090", "清空列表", 282, 237, 50, 14, &CBulkSmsPage::ClearAll},
};

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

// Number files come in the console's code page or, from newer tools, in UTF-8.
QString FileText(const std::string& bytes)
{
    const QByteArray raw = QByteArray::fromStdString(bytes);
    return IsValidUtf8(raw) ? QString::fromUtf8(raw) : FromGbk(raw);
}

CSkinFrame* Frame(QWidget* parent, const char* id, const QString& caption, QRect place)
{
    auto* frame = caption.isEmpty() ? new CSkinFrame(parent) : new CSkinFrame(caption, parent);
    frame->setObjectName(QString::fromLatin1(id));
    frame->setGeometry(place);
    frame->setAccessibleName(caption);
    frame->lower();
    return frame;
}

// A thin frame laid over a control: one pixel further out at the left and top.
void FrameAround(QWidget* parent, const char* id, const QWidget* control)
{
    CSkinFrame* frame = Frame(parent, id, QString(), control->geometry().adjusted(-1, -1, 0, 0));
    frame->setAccessibleName(control->accessibleName() + QStringLiteral("边框"));
    frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    frame->raise();
}

} // namespace

CBulkSmsPage::CBulkSmsPage(QWidget* parent)
    : QWidget(parent),
      m_recipients(new CColorListCtrl(this)),
      m_message(new QPlainTextEdit(this)),
      m_records(new CColorListCtrl(this))
{
    setAutoFillBackground(true);

    Frame(this, "1093", QStringLiteral("短信接收者"), DluRect(12, 14, 399, 63));
    Frame(this, "1094", QStringLiteral("短信内容"), DluRect(12, 84, 399, 53));
    Frame(this, "1095", QStringLiteral("发送记录"), DluRect(12, 144, 399, 113));

    m_recipients->setObjectName(QStringLiteral("1134"));
    m_recipients->setGeometry(DluRect(24, 27, 319, 42));
    m_recipients->InsertColumn(0, QStringLiteral("接收人"), Qt::AlignLeft, 80);
    m_recipients->SetListMode(true);
    m_recipients->SetMultipleSelection(true);
    m_recipients->SetAccessibleName(QStringLiteral("短信接收者"));
    QPalette white = m_recipients->palette();
    white.setColor(QPalette::Base, Qt::white);
    m_recipients->setPalette(white);

    m_message->setObjectName(QStringLiteral("1092"));
    m_message->setGeometry(DluRect(24, 97, 319, 30));
    m_message->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_message->setTabChangesFocus(true);
    m_message->setAccessibleName(QStringLiteral("短信内容"));
    LimitGbkBytes(m_message, kMessageBytes);

    m_records->setObjectName(QStringLiteral("1048"));
    m_records->setGeometry(DluRect(24, 158, 375, 71));
    struct Heading {
        const char* text;
        int width;
    };
    // The index rides along in a column of negative width, which hides it.
    static const Heading kHeadings[] = {
        {"序号", -10}, {"状态", 50}, {"时间", 130}, {"手机号码", 90}, {"短信内容", 850}};
    for (int i = 0; i < 5; ++i)
        m_records->InsertColumn(i, QString::fromUtf8(kHeadings[i].text), Qt::AlignLeft, kHeadings[i].width);
    m_records->SetMultipleSelection(true);
    m_records->SetAccessibleName(QStringLiteral("发送记录"));

    for (CColorListCtrl* list : {m_recipients, m_records}) {
        list->SetGridLines(true);
        list->SetSelectionBackground(ListSelectionBackground());
        list->SetSelectionText(Qt::black);
    }
    FrameAround(this, "1098", m_recipients);
    FrameAround(this, "1097", m_message);
    FrameAround(this, "1096", m_records);

    for (const Command& command : kCommands) {
        auto* button = new CSkinButton(QString::fromUtf8(command.caption), this);
        button->setObjectName(QString::fromLatin1(command.id));
        button->setAccessibleName(button->text());
        button->setGeometry(DluRect(command.x, command.y, command.width, command.height));
        connect(button, &QPushButton::clicked, this, command.run);
        m_commands.push_back(button);
    }

    // The connection is opened after the pages are made: the first load waits.
    m_firstLoad.setSingleShot(true);
    m_firstLoad.setInterval(kFirstLoadMs);
    connect(&m_firstLoad, &QTimer::timeout, this, &CBulkSmsPage::LoadAll);
    m_refresh.setInterval(kRefreshMs);
    connect(&m_refresh, &QTimer::timeout, this, &CBulkSmsPage::RefreshChanged);
    m_firstLoad.start();
}

CBulkSmsPage::~CBulkSmsPage() = default;

// Marks the page busy for one pass through the queue: the commands are off and the
// refresh waits, since the window is served between rows. A reply that arrives meanwhile
// is shown when the pass is over.
class CBulkSmsPage::BusyScope final {
public:
    explicit BusyScope(CBulkSmsPage& page) : m_page(page)
    {
        m_page.m_busy = true;
        for (QWidget* command : m_page.m_commands)
            command->setEnabled(false);
    }
    ~BusyScope()
    {
        for (QWidget* command : m_page.m_commands)
            command->setEnabled(true);
        m_page.m_busy = false;
        // After a failed read the next refresh tries again, not the end of this pass.
        if (m_page.m_pendingAgain && !m_page.m_readFailed) {
            m_page.m_pendingAgain = false;
            QTimer::singleShot(0, &m_page, qOverload<>(&CBulkSmsPage::ShowNewPending));
        }
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    CBulkSmsPage& m_page;
};

std::optional<SendQueue> CBulkSmsPage::Queue() const
{
    CDbConnection* connection = TheConnection();
    if (!connection)
        return std::nullopt;
    std::optional<SendQueue> queue(std::in_place, *connection);
    auto sincePump = std::make_shared<QElapsedTimer>();
    sincePump->start();
    queue->SetRowHook([sincePump](std::size_t) {
        if (sincePump->elapsed() >= kLongestQuietMs) {
            PumpMessages();
            sincePump->restart();
        }
    });
    return queue;
}

void CBulkSmsPage::AddRecords(std::size_t position, std::size_t count)
{
    std::vector<std::vector<QString>> rows;
    rows.reserve(count);
    for (std::size_t i = position; i < position + count; ++i) {
        const SmsRecord& record = m_list.At(i);
        rows.push_back({Text(record.smsIndex), Text(record.sendStatus), Text(record.sendTime), Text(record.phoneNumber),
                        Text(record.smsContent)});
    }
    m_records->InsertItems(static_cast<int>(position), std::move(rows));
}

void CBulkSmsPage::ShowChange(const SendRecordList::Change& change)
{
    const int row = static_cast<int>(change.position);
    switch (change.kind) {
    case SendRecordList::Change::Kind::None:
        return;
    case SendRecordList::Change::Kind::Inserted:
        AddRecords(change.position, 1);
        return;
    case SendRecordList::Change::Kind::Updated: {
        const SmsRecord& record = m_list.At(change.position);
        m_records->SetItemText(row, kStatus, Text(record.sendStatus));
        m_records->SetItemText(row, kTime, Text(record.sendTime));
        m_records->SetItemText(row, kPhone, Text(record.phoneNumber));
        m_records->SetItemText(row, kContent, Text(record.smsContent));
        return;
    }
    }
}

void CBulkSmsPage::LoadAll()
{
    m_firstLoad.stop();
    // During a pass, or while another page's long run has the connection, the load waits.
    if (m_busy || ConnectionBusy()) {
        m_firstLoad.start();
        return;
    }
    {
        BusyScope busy(*this);
        if (std::optional<SendQueue> queue = Queue())
            LoadFrom(*queue);
    }
    // A load that failed is tried again by the next tick.
    m_refresh.start();
}

void CBulkSmsPage::LoadFrom(SendQueue& queue)
{
    // A reply waiting to be shown comes with the load; one that arrives during it keeps
    // its flag and comes after it.
    m_pendingAgain = false;
    std::optional<std::vector<SmsRecord>> records = queue.LoadAllSms();
    if (!records) {
        TellReadFailed();
        return;
    }
    m_readFailed = false;
    m_loaded = true;
    // The load reads every row, also a reply shown before it: the list starts afresh.
    m_list.Clear();
    m_list.ApplyFullLoad(std::move(*records));
    m_records->DeleteAllItems();
    AddRecords(0, m_list.Size());
}

void CBulkSmsPage::TellReadFailed()
{
    // Once until a read succeeds again: the timer tries every tick.
    if (m_readFailed)
        return;
    m_readFailed = true;
    const CDbConnection* connection = TheConnection();
    CurrentMessageSink().Show(std::string(kReadFailed) + (connection ? "\r\n" + OperatorErrorText(*connection) : ""),
                              ApplicationName(), MessageIcon::None);
}

void CBulkSmsPage::RefreshChanged()
{
    // A tick during a pass waits for the next one: the pass's own rows must not be taken
    // from under it. So does a tick while another page's long run has the connection.
    if (m_busy || ConnectionBusy())
        return;
    BusyScope busy(*this);
    std::optional<SendQueue> queue = Queue();
    if (!queue)
        return;
    // Rows seen in earlier sessions carry no flag: only a full load shows them.
    if (!m_loaded) {
        LoadFrom(*queue);
        return;
    }
    // A reply that could not be shown when it came goes first: the changed rows pass
    // over pending ones, and would take its flag.
    if (m_pendingAgain) {
        m_pendingAgain = false;
        if (!ShowNewPendingFrom(*queue))
            return;
    }
    std::optional<std::vector<SmsRecord>> changed = queue->FetchChangedSms();
    if (!changed) {
        TellReadFailed();
        return;
    }
    m_readFailed = false;
    for (const SmsRecord& record : *changed)
        ShowChange(m_list.ApplyChanged(record));
}

void CBulkSmsPage::ShowNewPending()
{
    // Shown when the pass is over, or while another page's long run has the connection,
    // by the next refresh.
    if (m_busy || ConnectionBusy()) {
        m_pendingAgain = true;
        return;
    }
    m_pendingAgain = false;
    BusyScope busy(*this);
    if (std::optional<SendQueue> queue = Queue())
        ShowNewPendingFrom(*queue);
}

bool CBulkSmsPage::ShowNewPendingFrom(SendQueue& queue)
{
    const std::optional<std::vector<SmsRecord>> records = queue.FetchNewPendingSms();
    if (!records) {
        // The rows keep their flags and wait for the next refresh.
        m_pendingAgain = true;
        TellReadFailed();
        return false;
    }
    m_readFailed = false;
    // Each row goes on top, so the last one read ends on top.
    for (const SmsRecord& record : *records)
        m_list.ApplyNewPending(record);
    AddRecords(0, records->size());
    return true;
}

bool CBulkSmsPage::Enqueue(const std::vector<std::string>& phones, const std::string& text)
{
    if (m_busy)
        return false;
    BusyScope busy(*this);
    std::optional<SendQueue> queue = Queue();
    if (!queue || !queue->EnqueueSms(phones, text))
        return false;
    // The inserts' transaction is over: let the window breathe before the rows are read.
    PumpMessages();
    // Rows that cannot be read back now are queued all the same; the next refresh shows them.
    ShowNewPendingFrom(*queue);
    return true;
}

int CBulkSmsPage::SelectedRecordOrTell(const QString& noSelection) const
{
    const int row = m_records->GetFirstSelectedItem();
    if (row < 0)
        ShowMessage(noSelection);
    return row;
}

void CBulkSmsPage::AddOne()
{
    if (const std::optional<QString> number = TheDialogs().AskRecipientNumber())
        m_recipients->InsertItem(0, *number);
}

void CBulkSmsPage::ImportNumbers()
{
    ShowMessage(QStringLiteral("号码导入文件应为文本文件，每个发送号码以回车换行为结束标志(允许号码首尾有空格)！"));
    const std::optional<QString> path = TheDialogs().ChooseOpenFile(
        {QStringLiteral("选择要导入的号码文件"), QStringLiteral("文本文件(*.txt)|*.txt|"), QStringLiteral("txt")});
    if (!path)
        return;
    std::string text;
    if (!ReadNumberFile(QFile::encodeName(*path).toStdString(), text))
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::vector<std::string> numbers = SplitNumbers(text);
    // Every number goes in at the same place, after the entries already there, so the
    // file's last number comes first.
    std::vector<std::vector<QString>> rows;
    rows.reserve(numbers.size());
    for (auto number = numbers.rbegin(); number != numbers.rend(); ++number)
        rows.push_back({FileText(*number)});
    m_recipients->InsertItems(m_recipients->GetItemCount(), std::move(rows));
    QApplication::restoreOverrideCursor();
}

void CBulkSmsPage::RemoveRecipients()
{
    const std::vector<int> selected = m_recipients->GetSelectedItems();
    if (selected.empty()) {
        ShowMessage(QStringLiteral("请先选择要取消发送的人！"));
        return;
    }
    // The list is laid anew from the entries that stay: one step however many go.
    std::vector<std::vector<QString>> kept;
    auto next = selected.begin();
    for (int row = 0; row < m_recipients->GetItemCount(); ++row) {
        if (next != selected.end() && *next == row) {
            ++next;
            continue;
        }
        kept.push_back({m_recipients->GetItemText(row, 0)});
    }
    m_recipients->setUpdatesEnabled(false);
    m_recipients->DeleteAllItems();
    m_recipients->InsertItems(0, std::move(kept));
    m_recipients->setUpdatesEnabled(true);
}

void CBulkSmsPage::Send()
{
    const QString text = m_message->toPlainText();
    const int count = m_recipients->GetItemCount();
    if (count == 0) {
        ShowMessage(QStringLiteral("请先添加短信接收者的号码！"));
        return;
    }
    if (text.isEmpty()) {
        ShowMessage(QStringLiteral("请输入短消息内容！"));
        return;
    }
    std::vector<std::string> phones;
    phones.reserve(static_cast<std::size_t>(count));
    for (int row = 0; row < count; ++row)
        phones.push_back(m_recipients->GetItemText(row, 0).toStdString());
    // All recipients or none; when none, the failure was shown and what the operator
    // typed stays for another try.
    if (!Enqueue(phones, text.toStdString()))
        return;
    ShowMessage(QStringLiteral("已加入发送列表！"));
    m_message->clear();
    m_recipients->DeleteAllItems();
}

void CBulkSmsPage::Resend()
{
    const int row = SelectedRecordOrTell(QStringLiteral("请先从列表中选择要重发的记录！"));
    if (row < 0)
        return;
    const SmsRecord record = m_list.At(static_cast<std::size_t>(row));
    if (!Enqueue({record.phoneNumber}, record.smsContent))
        return;
    ShowMessage(QStringLiteral("已将要重新发送的短信提交到发送列表！"));
}

void CBulkSmsPage::DeleteOne()
{
    const int row = SelectedRecordOrTell(QStringLiteral("请先从列表中选择要删除的记录！"));
    if (row < 0)
        return;
    // The row is taken now: a refresh may add rows on top while the question is open.
    const std::uint64_t key = m_list.KeyAt(static_cast<std::size_t>(row));
    const int index = SmsIndexValue(m_list.At(static_cast<std::size_t>(row)).smsIndex);
    if (!ShowMessage(QStringLiteral("真的要删除选中的录吗？"), true))
        return;
    std::optional<SendQueue> queue = Queue();
    if (!queue || !queue->DeleteSms(index))
        return;
    if (const std::optional<std::size_t> position = m_list.FindKey(key)) {
        m_list.RemoveAt(*position);
        m_records->DeleteItem(static_cast<int>(*position));
    }
}

void CBulkSmsPage::ClearAll()
{
    if (m_list.Size() == 0) {
        ShowMessage(QStringLiteral("列表中已经没有记录！"));
        return;
    }
    if (!ShowMessage(QStringLiteral("注意：您的此步操作将删除列表中的全部短信记录。\r\n确认您要做此操作吗？"), true))
        return;
    std::optional<SendQueue> queue = Queue();
    if (!queue || !queue->DeleteAllSms())
        return;
    m_list.Clear();
    m_records->DeleteAllItems();
}

void CBulkSmsPage::ExportRecords()
{
    ExportListToExcel(*m_records, BulkSmsExportSpec());
}
