#include "export_list_to_excel.h"

#include "excel_export.h"

#include "color_list_ctrl.h"
#include "color_list_model.h"
#include "dialogs.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QProgressDialog>
#include <QTimer>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

// Lists longer than this show how far the writing has got.
constexpr int kProgressFromRows = 10000;
// How often the waiting window looks at the worker.
constexpr int kPollMs = 40;

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

bool ExportListToExcel(const CColorListCtrl& list, const ExcelExportSpec& spec)
{
    if (list.GetItemCount() == 0) {
        ShowMessage(Text(spec.emptyListMessage));
        return false;
    }
    const std::optional<QString> path =
        TheDialogs().ChooseSaveFile({QStringLiteral("输入记录保存的Excel文件名"),
                                     QStringLiteral("电子表格文件(*.xlsx)|*.xlsx|"), QStringLiteral("xlsx")});
    if (!path)
        return false;

    // The rows as they are now: a refresh that adds rows while the file is written must
    // not shift what goes into it. The copy shares the texts, so a million rows take
    // moments, not seconds without a repaint.
    const ColorListRows snapshot = list.GetRows();
    const int rows = snapshot.Count();

    std::unique_ptr<QProgressDialog> progress;
    if (rows > kProgressFromRows) {
        progress =
            std::make_unique<QProgressDialog>(QStringLiteral("正在写入Excel文件……"), QString(), 0, rows, list.window());
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(0);
        progress->setAutoClose(false);
        progress->setAccessibleName(QStringLiteral("Excel文件写入进度"));
        progress->setValue(0);
    }
    if (spec.waitCursor)
        QApplication::setOverrideCursor(Qt::WaitCursor);

    // The workbook is written and closed (compressed, the longest part) on a worker, so
    // the window keeps painting however long the list; this thread waits in an event loop
    // that takes no input (the command's controls and the list stay as they are) and
    // shows how far the worker has got.
    const std::string file = QFile::encodeName(*path).toStdString();
    std::atomic<std::size_t> written{0};
    std::atomic<bool> finished{false};
    ExcelWriteOutcome outcome = ExcelWriteOutcome::WriteFailed;
    std::thread worker([&] {
        outcome = WriteExcelWorkbook(
            file, spec, static_cast<std::size_t>(rows),
            [&snapshot](std::size_t row, std::size_t column) {
                return snapshot.Cell(static_cast<int>(row), static_cast<int>(column)).toStdString();
            },
            [&written](std::size_t count) { written = count; });
        finished = true;
    });
    QEventLoop waiting;
    QTimer poll;
    poll.setInterval(kPollMs);
    QObject::connect(&poll, &QTimer::timeout, &waiting, [&] {
        if (finished) {
            waiting.quit();
            return;
        }
        if (!progress)
            return;
        const std::size_t count = written;
        if (count < static_cast<std::size_t>(rows)) {
            progress->setValue(static_cast<int>(count));
        } else if (progress->maximum() != 0) {
            // Every row is in; the file is being closed, which tells no progress of its own.
            progress->setLabelText(QStringLiteral("正在保存Excel文件……"));
            progress->setRange(0, 0);
        }
    });
    poll.start();
    waiting.exec(QEventLoop::ExcludeUserInputEvents);
    poll.stop();
    worker.join();

    if (spec.waitCursor)
        QApplication::restoreOverrideCursor();
    progress.reset();

    switch (outcome) {
    case ExcelWriteOutcome::Written:
        ShowMessage(Text(spec.completionMessage));
        return true;
    case ExcelWriteOutcome::CannotReplace:
        ShowMessage(QString::fromUtf8(kExcelCannotReplaceMessage));
        return false;
    case ExcelWriteOutcome::WriteFailed:
        break;
    }
    ShowMessage(Text(spec.failureMessage));
    return false;
}
