#include "excel_export.h"

#include "sql_text.h"

#include <xlsxwriter.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

const char* const kExcelCannotReplaceMessage = "删除原有Excel文件失败！\n请选择新的Excel文件名";

const ExcelExportSpec& QueryRecordsExportSpec()
{
    static const ExcelExportSpec spec{
        "防伪查询记录表",
        {"查询序号", "查询状态", "查询时间", "查询手机号", "产品编号", "查询码值", "真实码值", "查询串口", "省份",
         "城市"},
        "列表中没有可导出的记录！",
        "导出记录操作已完成！",
        "请先安装Excel软件！",
        true,
    };
    return spec;
}

const ExcelExportSpec& BulkSmsExportSpec()
{
    static const ExcelExportSpec spec{
        "短信记录",
        {"序号", "状态", "时间", "手机号码", "短信内容"},
        "没有可导出的记录",
        "Excel文件写入成功！",
        "Excel驱动没有安装，Excel文件写入失败！",
        false,
    };
    return spec;
}

namespace {

constexpr std::size_t kProgressEvery = 2000;

// The temporary file beside the target; removed unless it was renamed into place.
class PartFile final {
public:
    explicit PartFile(const std::string& target) : m_name(target + ".XXXXXX")
    {
        const int fd = mkstemp(m_name.data());
        if (fd < 0) {
            m_name.clear();
            return;
        }
        // mkstemp makes it private; the workbook gets the mode of any new file.
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
        close(fd);
    }
    ~PartFile()
    {
        if (!m_name.empty())
            unlink(m_name.c_str());
    }
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    bool Made() const { return !m_name.empty(); }
    const std::string& Name() const { return m_name; }
    bool MoveTo(const std::string& target)
    {
        if (std::rename(m_name.c_str(), target.c_str()) != 0)
            return false;
        m_name.clear();
        return true;
    }

private:
    std::string m_name;
};

bool Exists(const std::string& path)
{
    struct stat status {};
    return lstat(path.c_str(), &status) == 0;
}

bool RemoveExisting(const std::string& path)
{
    if (!Exists(path))
        return true;
    return std::remove(path.c_str()) == 0 || errno == ENOENT;
}

} // namespace

ExcelWriteOutcome WriteExcelWorkbook(const std::string& path, const ExcelExportSpec& spec, std::size_t rowCount,
                                     const ExcelCellReader& cell, const ExcelProgress& progress)
{
    if (!RemoveExisting(path))
        return ExcelWriteOutcome::CannotReplace;
    // One header row is written above the list rows.
    if (rowCount >= LXW_ROW_MAX || spec.columns.size() > LXW_COL_MAX)
        return ExcelWriteOutcome::WriteFailed;

    PartFile part(path);
    if (!part.Made())
        return ExcelWriteOutcome::WriteFailed;

    // Constant memory: each row goes to disk as it is finished, so a long list costs no
    // more memory than a short one.
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* workbook = workbook_new_opt(part.Name().c_str(), &options);
    if (!workbook)
        return ExcelWriteOutcome::WriteFailed;
    bool ok = true;
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, spec.table.c_str());
    if (!sheet)
        ok = false;
    for (std::size_t column = 0; ok && column < spec.columns.size(); ++column)
        ok = worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(column), spec.columns[column].c_str(), nullptr) ==
             LXW_NO_ERROR;
    for (std::size_t row = 0; ok && row < rowCount; ++row) {
        for (std::size_t column = 0; ok && column < spec.columns.size(); ++column) {
            const std::string text = BlankIfEmpty(cell(row, column));
            ok = worksheet_write_string(sheet, static_cast<lxw_row_t>(row + 1), static_cast<lxw_col_t>(column),
                                        text.c_str(), nullptr) == LXW_NO_ERROR;
        }
        if (progress && (row + 1) % kProgressEvery == 0)
            progress(row + 1);
    }
    // Closing writes the file; it is called on failure too, to free the workbook.
    const lxw_error closed = workbook_close(workbook);
    if (!ok || closed != LXW_NO_ERROR)
        return ExcelWriteOutcome::WriteFailed;
    if (progress)
        progress(rowCount);
    return part.MoveTo(path) ? ExcelWriteOutcome::Written : ExcelWriteOutcome::WriteFailed;
}
