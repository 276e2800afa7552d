#include "export_list_to_excel.h"

#include "excel_export.h"

#include "color_list_ctrl.h"
#include "color_list_model.h"
#include "dialogs.h"

#include <QApplication>
#include <QFile>
#include <QProgressDialog>

#include <memory>
#include <vector>

namespace {

// Lists longer than this show how far the writing has got.
constexpr int kProgressFromRows = 10000;

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

bool ExportListToExcel(const CColorListCtrl& list, const ExcelExportSpec& spec)
{
    const int rows = list.GetItemCount();
    if (rows == 0) {
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
    const ExcelWriteOutcome outcome = WriteExcelWorkbook(
        QFile::encodeName(*path).toStdString(), spec, static_cast<std::size_t>(rows),
        [&](std::size_t row, std::size_t column) {
            return snapshot.Cell(static_cast<int>(row), static_cast<int>(column)).toStdString();
        },
        [&](std::size_t written) {
            if (progress)
                progress->setValue(static_cast<int>(written));
        });
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
