#include "db_error_text.h"

#include "db_connection.h"

namespace {

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

// Both providers speak SQLSTATE: PostgreSQL's own, SQLite's mapped to the nearest class.
DbTrouble Classify(const DbError& error)
{
    const std::string& state = error.sqlState;
    // 40001: SQLite's busy and locked; on a server a serialisation failure, which also
    // goes away when tried again. 55P03: a lock wait past lock_timeout. 40P01: deadlock.
    if (state == "40001" || state == "55P03" || state == "40P01" || state == "55006")
        return DbTrouble::Busy;
    // 25006: a read-only file or transaction; 42501: no right to write.
    if (state == "25006" || state == "42501")
        return DbTrouble::ReadOnly;
    // 08: connection exceptions; 57P01-57P03: the server shut down or is starting.
    if (StartsWith(state, "08") || state == "57P01" || state == "57P02" || state == "57P03")
        return DbTrouble::Disconnected;
    if (state == "53100")
        return DbTrouble::DiskFull;
    if (StartsWith(state, "23"))
        return DbTrouble::Conflict;
    return DbTrouble::Other;
}

} // namespace

DbTrouble ClassifyDbErrors(const std::vector<DbError>& errors)
{
    for (const DbError& error : errors) {
        const DbTrouble trouble = Classify(error);
        if (trouble != DbTrouble::Other)
            return trouble;
    }
    return DbTrouble::Other;
}

const char* DbTroubleSentence(DbTrouble trouble)
{
    switch (trouble) {
    case DbTrouble::Busy:
        return "数据库正忙（另一个程序正在使用它），请稍后重试。";
    case DbTrouble::ReadOnly:
        return "数据库为只读，修改没有保存。";
    case DbTrouble::Disconnected:
        return "数据库连接已断开，请检查数据库后重试。";
    case DbTrouble::DiskFull:
        return "磁盘空间已满，数据库无法写入。";
    case DbTrouble::Conflict:
        return "数据与数据库中已有的记录冲突，修改没有保存。";
    case DbTrouble::Other:
        break;
    }
    return "数据库操作失败。";
}

std::string OperatorErrorText(const CDbConnection& connection)
{
    std::string text = DbTroubleSentence(ClassifyDbErrors(connection.Errors()));
    const std::string detail = connection.GetErrorsText();
    if (!detail.empty())
        text += "\r\n\r\n" + detail;
    return text;
}
