#include "product_batch_page.h"

#include "batch_commands.h"
#include "batch_dialog.h"
#include "choose_batch_number.h"
#include "sticker_printer.h"
#include "store_batch_codes.h"

#include "dialogs.h"
#include "modal_runner.h"
#include "program_directory.h"
#include "pump_messages.h"

#include "color_list_ctrl.h"
#include "kit_look.h"
#include "skin_button.h"
#include "skin_frame.h"

#include "clock.h"
#include "db_connection.h"
#include "db_error_text.h"
#include "message_sink.h"
#include "sticker_settings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProgressBar>
#include <QTimer>

#include <cstdio>

namespace {

const char* const kStatusNew = "未启用";
const char* const kStatusEnabled = "启用";
const char* const kStatusDisabled = "停用";

// Even when a hundred codes take long (a busy database), the window is served this often.
constexpr qint64 kLongestQuietMs = 50;

// The shared connection; without one the operator is told and nothing runs.
CDbConnection* Connection()
{
    CDbConnection* connection = TheConnection();
    if (connection == nullptr)
        CurrentMessageSink().Show(DbTroubleSentence(DbTrouble::Disconnected), ApplicationName(), MessageIcon::None);
    return connection;
}

} // namespace

CProductBatchPage::CProductBatchPage(QWidget* parent)
    : QWidget(parent),
      m_list(new CColorListCtrl(this)),
      m_frame(new CSkinFrame(this)),
      m_progress(new QProgressBar(this)),
      m_stickers(new StickerPrinter(this)),
      m_clock(&TheSystemClock())
{
    setAutoFillBackground(true);

    struct Heading {
        const char* text;
        int width;
    };
    // The batch number rides along in a column of negative width, which hides it.
    static const Heading kHeadings[] = {
        {"产品名称", 90},      {"产品描述", 120}, {"生成编码日期", 130}, {"启用编码日期", 130}, {"产品起始编码", 100},
        {"产品结束编码", 100}, {"产品数量", 60},  {"查询状态", 60},      {"产品编号", -10},
    };
    for (int i = 0; i < 9; ++i)
        m_list->InsertColumn(i, QString::fromUtf8(kHeadings[i].text), Qt::AlignLeft, kHeadings[i].width);
    m_list->SetGridLines(true);
    m_list->SetMultipleSelection(false);
    m_list->SetSelectionBackground(ListSelectionBackground());
    m_list->SetSelectionText(Qt::black);
    m_list->setGeometry(DluRect(6, 6, 407, 214));
    m_list->setObjectName(QStringLiteral("list"));
    connect(m_list, &CColorListCtrl::ItemDoubleClicked, this, [this](int) { EditRemark(); });

    // The frame lies on the list's rectangle, one pixel further out to the left and top.
    m_frame->setGeometry(m_list->geometry().adjusted(-1, -1, 0, 0));
    m_frame->lower();

    m_progress->setGeometry(DluRect(6, 224, 407, 8));
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setTextVisible(true);
    m_progress->hide();

    struct Command {
        const char* caption;
        const char* name;
        void (CProductBatchPage::*run)();
    };
    static const Command kCommands[] = {
        {"新加货品", "newBatch", &CProductBatchPage::NewBatch},
        {"生成防伪码", "generateCodes", &CProductBatchPage::GenerateCodes},
        {"打印防伪码", "printStickers", &CProductBatchPage::PrintStickers},
        {"启用防伪码", "enableBatch", &CProductBatchPage::EnableBatch},
        {"停用防伪码", "disableBatch", &CProductBatchPage::DisableBatch},
        {"删除货品", "deleteBatch", &CProductBatchPage::DeleteBatch},
    };
    int x = 6;
    for (const Command& command : kCommands) {
        auto* button = new CSkinButton(QString::fromUtf8(command.caption), this);
        button->setObjectName(QString::fromUtf8(command.name));
        button->setGeometry(DluRect(x, 238, 62, 16));
        x += 69;
        connect(button, &QPushButton::clicked, this, command.run);
        m_buttons.push_back(button);
    }

    m_stickers->SetBusy([this] { return m_generating; });

    // The connection is opened after the pages are created: the list is read later.
    m_loadTimer.setSingleShot(true);
    m_loadTimer.setInterval(kLoadDelayMs);
    connect(&m_loadTimer, &QTimer::timeout, this, &CProductBatchPage::LoadBatches);
    m_loadTimer.start();
}

CProductBatchPage::~CProductBatchPage() = default;

void CProductBatchPage::SetClock(const Clock* clock)
{
    m_clock = clock ? clock : &TheSystemClock();
}

QString CProductBatchPage::NowText() const
{
    const std::tm now = m_clock->LocalNow();
    char text[64];
    std::snprintf(text, sizeof text, "%4d-%02d-%02d %02d:%02d:%02d", now.tm_year + 1900, now.tm_mon + 1, now.tm_mday,
                  now.tm_hour, now.tm_min, now.tm_sec);
    return QString::fromLatin1(text);
}

int CProductBatchPage::SelectedRow() const
{
    return m_list->GetFirstSelectedItem();
}

QString CProductBatchPage::Cell(int row, int column) const
{
    return m_list->GetItemText(row, column);
}

void CProductBatchPage::SetCell(int row, int column, const QString& text)
{
    m_list->SetItemText(row, column, text);
}

int CProductBatchPage::SelectedRowOrTell(const QString& noSelection) const
{
    const int row = SelectedRow();
    if (row < 0)
        ShowMessage(noSelection, false);
    return row;
}

bool CProductBatchPage::HasCodes(int row) const
{
    return !Cell(row, kCreateCodeTime).trimmed().isEmpty();
}

std::vector<std::string> CProductBatchPage::BatchNumberCells() const
{
    std::vector<std::string> cells;
    const int rows = m_list->GetItemCount();
    cells.reserve(static_cast<std::size_t>(rows));
    for (int row = 0; row < rows; ++row)
        cells.push_back(Cell(row, kBatchNumber).toStdString());
    return cells;
}

void CProductBatchPage::LoadBatches()
{
    m_loadTimer.stop();
    // Another page's long run has the connection: the load waits for it.
    if (ConnectionBusy()) {
        m_loadTimer.start();
        return;
    }
    CDbConnection* connection = Connection();
    std::vector<BatchCells> rows;
    if (connection == nullptr || !LoadBatchRows(*connection, rows))
        return;
    for (const BatchCells& cells : rows) {
        const int row = m_list->InsertItem(m_list->GetItemCount(), QString::fromStdString(cells[kName]));
        for (int column = 1; column < 9; ++column)
            SetCell(row, column, QString::fromStdString(cells[static_cast<std::size_t>(column)]));
    }
}

void CProductBatchPage::NewBatch()
{
    CBatchDialog dialog(this);
    if (RunModal(dialog) != QDialog::Accepted)
        return;
    CDbConnection* connection = Connection();
    int batchNumber = 0;
    if (connection == nullptr || !InsertBatch(*connection, dialog.Name().toStdString(), dialog.Remark().toStdString(),
                                              dialog.Quantity(), BatchNumberCells(), batchNumber))
        return;
    const int row = m_list->InsertItem(m_list->GetItemCount(), dialog.Name());
    SetCell(row, kRemark, dialog.Remark());
    SetCell(row, kCount, QString::number(dialog.Quantity()));
    SetCell(row, kStatus, QString::fromUtf8(kStatusNew));
    SetCell(row, kBatchNumber, QString::number(batchNumber));
}

void CProductBatchPage::SetCommandsEnabled(bool enabled)
{
    for (CSkinButton* button : m_buttons)
        button->setEnabled(enabled);
}

void CProductBatchPage::ShowProgress(int serial)
{
    m_progress->setValue(serial);
}

void CProductBatchPage::GenerateCodes()
{
    // The page's commands are off during a run; this also holds when a queued click
    // arrives while the run lets window events through.
    if (m_generating)
        return;
    const int row = SelectedRowOrTell(QStringLiteral("请先从列表中选择要生成防伪码的产品！"));
    if (row < 0)
        return;
    const QString name = Cell(row, kName);
    const int quantity = CellInteger(Cell(row, kCount).toStdString());
    const int batchNumber = CellInteger(Cell(row, kBatchNumber).toStdString());
    if (HasCodes(row)) {
        ShowMessage(QStringLiteral("您选择的产品已经生成了防伪码，请重新选择！"), false);
        return;
    }
    if (!VerifyAdministrator())
        return;
    const QString startedAt = NowText();
    if (quantity > kSlowQuantity)
        ShowMessage(QStringLiteral("防伪码生成速度较慢，请耐心等候！"), false);

    m_generating = true;
    SetCommandsEnabled(false);
    m_progress->setRange(0, std::max(quantity, 1));
    m_progress->setValue(0);
    m_progress->show();
    QApplication::setOverrideCursor(Qt::WaitCursor);

    // The cells take the run's first and last code only once every code is stored.
    QString first, last;
    QElapsedTimer sincePump;
    sincePump.start();
    CDbConnection* connection = Connection();
    const bool stored =
        connection != nullptr && StoreBatchCodesApart(
                                     *connection, *m_clock, name.toStdString(), batchNumber, quantity,
                                     [&](int serial) {
                                         if (serial % 100 == 0 || sincePump.elapsed() >= kLongestQuietMs) {
                                             ShowProgress(serial);
                                             PumpMessages();
                                             sincePump.restart();
                                         }
                                     },
                                     [&](BatchEnd end, const std::string& productId) {
                                         (end == BatchEnd::First ? first : last) = QString::fromStdString(productId);
                                     },
                                     [&](int codesStored, int pauseMs) {
                                         // Between stretches no transaction is held: the window works while the
                                         // gateway host takes its turn at the database.
                                         ShowProgress(codesStored);
                                         QEventLoop pause;
                                         QTimer::singleShot(pauseMs, &pause, &QEventLoop::quit);
                                         pause.exec();
                                         sincePump.restart();
                                     });

    QApplication::restoreOverrideCursor();
    m_progress->hide();
    SetCommandsEnabled(true);
    m_generating = false;

    if (!stored)
        return; // its failure was shown, and nothing of it stays in the database
    SetCell(row, kStartNumber, first);
    SetCell(row, kEndNumber, last);
    SetCell(row, kCreateCodeTime, startedAt);
    ShowMessage(QStringLiteral("防伪码生成完毕！"), false);
}

void CProductBatchPage::PrintStickers()
{
    const int row = SelectedRowOrTell(QStringLiteral("请先选择要打印防伪贴纸的产品！"));
    if (row < 0)
        return;
    if (!HasCodes(row)) {
        ShowMessage(QStringLiteral("您选择的产品尚未生成了防伪码，生成防伪码以后才能导出防伪码！"), false);
        return;
    }
    // The installation's service number, when one is set, goes on every sticker.
    const std::string number = ReadSmsNumber(ProgramDirectory().toStdString());
    m_stickers->Print(ProgramDirectory(), QString::fromStdString(number), Cell(row, kName), Cell(row, kStartNumber),
                      Cell(row, kEndNumber));
}

void CProductBatchPage::EnableBatch()
{
    const int row = SelectedRowOrTell(QStringLiteral("请先从列表中选择要启用短信查询的产品！"));
    if (row < 0)
        return;
    if (!HasCodes(row)) {
        ShowMessage(QStringLiteral("您选择的产品尚未生成了防伪码，生成防伪码以后才能启用短信查询功能！"), false);
        return;
    }
    CDbConnection* connection = Connection();
    if (connection == nullptr || !EnableBatchCodes(*connection, Cell(row, kName).toStdString()))
        return;
    SetCell(row, kUseCodeTime, NowText());
    SetCell(row, kStatus, QString::fromUtf8(kStatusEnabled));
}

void CProductBatchPage::DisableBatch()
{
    const int row = SelectedRowOrTell(QStringLiteral("请先从列表中选择要停用短信查询的产品！"));
    if (row < 0)
        return;
    if (!HasCodes(row))
        return;
    // A batch never switched on is stored as switched off as well: a cell that changed
    // alone would show what the database does not hold. One already off stays as it is.
    const QString status = Cell(row, kStatus);
    if (status != QString::fromUtf8(kStatusEnabled) && status != QString::fromUtf8(kStatusNew))
        return;
    CDbConnection* connection = Connection();
    if (connection == nullptr || !DisableBatchCodes(*connection, Cell(row, kName).toStdString()))
        return;
    SetCell(row, kStatus, QString::fromUtf8(kStatusDisabled));
}

void CProductBatchPage::DeleteBatch()
{
    const int row = SelectedRowOrTell(QStringLiteral("请先从列表中选择要删除短信查询的产品！"));
    if (row < 0)
        return;
    if (!ShowMessage(QStringLiteral("注意：您的此步操作将删除选中产品的所有信息（包括防伪码、查询记录等）。\r\n"
                                    "确认您要做此操作吗？"),
                     true))
        return;
    if (!VerifyAdministrator())
        return;
    CDbConnection* connection = Connection();
    if (connection == nullptr || !DeleteBatchRows(*connection, Cell(row, kName).toStdString()))
        return;
    m_list->DeleteItem(row);
}

void CProductBatchPage::EditRemark()
{
    if (m_generating)
        return;
    const int row = SelectedRow();
    if (row < 0)
        return;
    CBatchDialog dialog(this);
    dialog.SetMode(CBatchDialog::Mode::Edit);
    dialog.SetName(Cell(row, kName));
    const QString oldRemark = Cell(row, kRemark);
    dialog.SetRemark(oldRemark);
    dialog.SetQuantity(CellInteger(Cell(row, kCount).toStdString()));
    if (RunModal(dialog) != QDialog::Accepted)
        return;
    const QString remark = dialog.Remark();
    if (remark.toUtf8() == oldRemark.toUtf8())
        return;
    CDbConnection* connection = Connection();
    if (connection == nullptr || !UpdateBatchRemark(*connection, Cell(row, kName).toStdString(), remark.toStdString()))
        return;
    SetCell(row, kRemark, remark);
}
