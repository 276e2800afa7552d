#include "sqlite_provider.h"

#include "case_fold.h"
#include "connection_string.h"
#include "db_result.h"
#include "lock_wait.h"
#include "query_time_index_upgrade.h"
#include "stored_collation_upgrade.h"
#include "text_util.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

// SQLite has no SQLSTATE; these are the nearest classes, so callers can tell the kinds apart.
const char* SqlStateOf(int code)
{
    switch (code & 0xff) {
    case SQLITE_CONSTRAINT:
        return "23000";
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return "40001";
    case SQLITE_CANTOPEN:
    case SQLITE_NOTADB:
        return "08001";
    case SQLITE_READONLY:
        return "25006";
    case SQLITE_FULL:
        return "53100";
    case SQLITE_IOERR:
    case SQLITE_CORRUPT:
        return "58030";
    case SQLITE_TOOBIG:
        return "22001";
    case SQLITE_MISMATCH:
        return "22000";
    case SQLITE_INTERRUPT:
        return "57014";
    case SQLITE_NOMEM:
        return "53200";
    case SQLITE_ERROR:
        return "42000";
    default:
        return "HY000";
    }
}

using DeclaredAs = SqliteProvider::DeclaredAs;

DeclaredAs DeclaredKind(const char* decl)
{
    if (!decl)
        return DeclaredAs::Plain;
    const std::string type = ToLowerAscii(decl);
    if (type.find("date") != std::string::npos || type.find("time") != std::string::npos)
        return DeclaredAs::DateTime;
    if (type.find("bool") != std::string::npos)
        return DeclaredAs::Bool;
    return DeclaredAs::Plain;
}

void ReadCell(sqlite3_stmt* stmt, int column, DeclaredAs declared, FieldValue& v)
{
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_NULL:
        v.kind = FieldValue::Kind::Null;
        break;
    case SQLITE_INTEGER:
        v.m_int = sqlite3_column_int64(stmt, column);
        if (declared == DeclaredAs::Bool) {
            v.kind = FieldValue::Kind::Bool;
            v.m_bool = v.m_int != 0;
        } else {
            v.kind = FieldValue::Kind::Int;
        }
        break;
    case SQLITE_FLOAT:
        v.kind = FieldValue::Kind::Double;
        v.m_double = sqlite3_column_double(stmt, column);
        break;
    case SQLITE_TEXT: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
        v.m_text.assign(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt, column)));
        // Date/time columns hold "YYYY-MM-DD HH:MM:SS" text; the raw text stays in m_text
        // for writing the row back.
        v.kind = declared == DeclaredAs::DateTime && ParseDateTimeText(v.m_text, v.m_dateTime)
                     ? FieldValue::Kind::DateTime
                     : FieldValue::Kind::Text;
        break;
    }
    default: {
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(stmt, column));
        v.kind = FieldValue::Kind::Other;
        v.m_text.assign(bytes ? bytes : "", static_cast<std::size_t>(sqlite3_column_bytes(stmt, column)));
        break;
    }
    }
}

// A cell as the engine holds it. The column's value is taken once and asked for its type and
// text: every sqlite3_column_* call looks the column up anew, and a row of a long read would
// pay that three times per cell.
void ViewCell(sqlite3_stmt* stmt, int column, DbCell& cell)
{
    sqlite3_value* value = sqlite3_column_value(stmt, column);
    switch (sqlite3_value_type(value)) {
    case SQLITE_NULL:
        cell.kind = DbCell::Kind::Null;
        break;
    case SQLITE_INTEGER:
        cell.kind = DbCell::Kind::Int;
        cell.integer = sqlite3_value_int64(value);
        break;
    case SQLITE_FLOAT:
        cell.kind = DbCell::Kind::Real;
        cell.real = sqlite3_value_double(value);
        break;
    case SQLITE_TEXT: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
        cell.kind = DbCell::Kind::Text;
        cell.text = std::string_view(text ? text : "", static_cast<std::size_t>(sqlite3_value_bytes(value)));
        break;
    }
    default: {
        const auto* bytes = static_cast<const char*>(sqlite3_value_blob(value));
        cell.kind = DbCell::Kind::Other;
        cell.text = std::string_view(bytes ? bytes : "", static_cast<std::size_t>(sqlite3_value_bytes(value)));
        break;
    }
    }
}

bool OnlyBlanksOrSemicolons(const char* tail)
{
    for (; tail && *tail; ++tail)
        if (!IsBlank(*tail) && *tail != ';')
            return false;
    return true;
}

std::string QuoteIdentifier(const std::string& name)
{
    std::string quoted = "\"";
    for (char c : name) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + '"';
}

// Binds an old value for the comparison "column IS ?".
void BindOld(sqlite3_stmt* stmt, int index, const FieldValue& v)
{
    switch (v.kind) {
    case FieldValue::Kind::Null:
    case FieldValue::Kind::Empty:
        sqlite3_bind_null(stmt, index);
        break;
    case FieldValue::Kind::Int:
    case FieldValue::Kind::Currency:
    case FieldValue::Kind::Bool:
        sqlite3_bind_int64(stmt, index, v.m_int);
        break;
    case FieldValue::Kind::UInt:
        sqlite3_bind_int64(stmt, index, static_cast<sqlite3_int64>(v.m_uint));
        break;
    case FieldValue::Kind::Single:
    case FieldValue::Kind::Double:
        sqlite3_bind_double(stmt, index, v.m_double);
        break;
    case FieldValue::Kind::Other:
        sqlite3_bind_blob(stmt, index, v.m_text.data(), static_cast<int>(v.m_text.size()), SQLITE_STATIC);
        break;
    default:
        sqlite3_bind_text(stmt, index, v.m_text.data(), static_cast<int>(v.m_text.size()), SQLITE_STATIC);
        break;
    }
}

} // namespace

SqliteProvider::~SqliteProvider()
{
    Close();
}

bool SqliteProvider::Open(const ConnectionString& settings)
{
    Close();
    ClearErrors();
    const std::string path = settings.Get("Data Source");
    if (path.empty()) {
        AddError("The connection string names no Data Source.", "08001", 0);
        return false;
    }
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
    if (settings.GetFlag("Create")) {
        flags |= SQLITE_OPEN_CREATE;
        if (!CreatePrivateFile(path))
            return false;
    }
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        AddError(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc), SqlStateOf(rc), rc);
        sqlite3_close(db);
        return false;
    }
    m_db = db;
    sqlite3_extended_result_codes(m_db, 1);
    if (!RegisterFoldCollation(m_db)) {
        AddEngineError(sqlite3_errcode(m_db));
        Close();
        return false;
    }
    m_lockWaitMs = std::max(0, std::atoi(settings.Get("Lock Timeout", std::to_string(kDefaultLockWaitMs)).c_str()));
    sqlite3_busy_handler(m_db, &SqliteProvider::OnBusy, this);
    // The journal mode is read from the file, so this also finds a file that is no database.
    const std::string mode = JournalMode("PRAGMA journal_mode=WAL");
    if (mode.empty() || !Simple("PRAGMA synchronous=NORMAL")) {
        Close();
        return false;
    }
    if (mode == "wal")
        StartCheckpointer();
    // A file of an earlier version is brought up to date on the way; when that cannot be
    // done now, it keeps working here (the collation is registered) and the next open tries again.
    std::string ignored;
    UpgradeStoredCollation(m_db, ignored);
    UpgradeQueryTimeIndex(m_db, ignored);
    return true;
}

// A new database file is made here rather than by SQLite, which would make it readable by
// every local user: the owner and the group (a gateway host may run as another user of the
// group) read and write it, nobody else; its log files take the same mode from it.
bool SqliteProvider::CreatePrivateFile(const std::string& path)
{
    if (path == ":memory:" || path.rfind("file:", 0) == 0)
        return true;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kDatabaseFileMode);
    if (fd < 0) {
        if (errno == EEXIST)
            return true;
        AddError("Cannot create the database file " + path + ": " + std::strerror(errno), "08001", SQLITE_CANTOPEN);
        return false;
    }
    // The umask may have taken the group's write permission away.
    const bool ok = ::fchmod(fd, kDatabaseFileMode) == 0;
    const int error = errno;
    ::close(fd);
    if (!ok) {
        ::unlink(path.c_str());
        AddError("Cannot set the mode of the database file " + path + ": " + std::strerror(error), "08001",
                 SQLITE_CANTOPEN);
    }
    return ok;
}

std::string SqliteProvider::JournalMode(const char* pragma)
{
    std::string mode;
    char* message = nullptr;
    const int rc = sqlite3_exec(
        m_db, pragma,
        [](void* out, int columns, char** values, char**) {
            if (columns > 0 && values[0])
                *static_cast<std::string*>(out) = ToLowerAscii(values[0]);
            return 0;
        },
        &mode, &message);
    if (rc != SQLITE_OK) {
        AddError(message ? message : sqlite3_errstr(rc), SqlStateOf(rc), rc);
        sqlite3_free(message);
        return std::string();
    }
    return mode;
}

// A commit that leaves the log past the threshold would make SQLite copy the whole log
// into the database right there, on the console's thread: after a large batch, long
// enough to freeze the window. Instead the automatic checkpoint is off for this connection
// and a worker with its own connection runs PASSIVE checkpoints. The WAL hook is only the
// trigger: it is called after every commit (the implicit ones of single statements too,
// which a check in Commit would miss) with the log's size for free, and it just wakes the
// worker; checkpointing inside the hook would put the copy back on the committing thread.
// Other processes on the file keep their own automatic checkpoints. Without the worker
// the automatic checkpoint stays on, so the log never grows without bound.
void SqliteProvider::StartCheckpointer()
{
    const char* path = sqlite3_db_filename(m_db, "main");
    if (!path || !*path || !m_checkpointer.Start(path))
        return;
    sqlite3_wal_autocheckpoint(m_db, 0);
    sqlite3_wal_hook(m_db, &SqliteProvider::OnWalCommit, this);
}

int SqliteProvider::OnWalCommit(void* self, sqlite3*, const char*, int pages)
{
    auto* provider = static_cast<SqliteProvider*>(self);
    if (pages >= provider->m_checkpointPages)
        provider->m_checkpointer.Request();
    return SQLITE_OK;
}

// SQLite's own busy timeout sleeps without a word; this one lets the lock-wait hook run
// between short sleeps, so the console's window keeps painting while it waits.
int SqliteProvider::OnBusy(void* self, int attempts)
{
    auto* provider = static_cast<SqliteProvider*>(self);
    const std::int64_t now =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    if (attempts == 0)
        provider->m_busySinceNs = now;
    const std::int64_t waitedMs = (now - provider->m_busySinceNs) / 1000000;
    if (waitedMs >= provider->m_lockWaitMs)
        return 0;
    std::this_thread::sleep_for(
        std::chrono::milliseconds(std::min<std::int64_t>(5, provider->m_lockWaitMs - waitedMs)));
    CallLockWaitHook();
    return 1;
}

void SqliteProvider::FinalizeAll()
{
    for (auto& [sql, stmt] : m_cache)
        sqlite3_finalize(stmt);
    m_cache.clear();
}

void SqliteProvider::Close()
{
    FinalizeAll();
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
    // The final checkpoint, and the removal of the log when no one else has the file open,
    // happen before Close returns, so the file is complete for whoever opens it next.
    m_checkpointer.Stop();
}

void SqliteProvider::AddEngineError(int code)
{
    AddError(m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(code), SqlStateOf(code), code);
}

bool SqliteProvider::Finish(sqlite3_stmt* stmt, int rc)
{
    sqlite3_reset(stmt);
    if (rc == SQLITE_DONE)
        return true;
    AddEngineError(rc);
    return false;
}

bool SqliteProvider::Simple(const char* sql)
{
    char* message = nullptr;
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        AddError(message ? message : sqlite3_errstr(rc), SqlStateOf(rc), rc);
        sqlite3_free(message);
        return false;
    }
    return true;
}

sqlite3_stmt* SqliteProvider::Prepared(const std::string& sql)
{
    if (auto it = m_cache.find(sql); it != m_cache.end())
        return it->second;
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    const int rc =
        sqlite3_prepare_v3(m_db, sql.c_str(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &stmt, &tail);
    if (rc != SQLITE_OK) {
        AddEngineError(rc);
        sqlite3_finalize(stmt);
        return nullptr;
    }
    if (!stmt || !OnlyBlanksOrSemicolons(tail)) {
        AddError(stmt ? "Characters found after end of SQL statement." : "The statement is empty.", "42000",
                 SQLITE_ERROR);
        sqlite3_finalize(stmt);
        return nullptr;
    }
    // Statements built with varying text (not through literals) would grow this without end.
    if (m_cache.size() >= 256)
        FinalizeAll();
    m_cache.emplace(sql, stmt);
    return stmt;
}

sqlite3_stmt* SqliteProvider::Start(const std::string& statement)
{
    if (!ReadyToRun())
        return nullptr;
    if (!RefuseNul(statement))
        return nullptr;
    Translator().ParametriseStatement(statement, TheClock());
    sqlite3_stmt* stmt = Prepared(Translator().Skeleton());
    if (!stmt)
        return nullptr;

    const auto& literals = Translator().Literals();
    for (std::size_t k = 0; k < literals.size(); ++k) {
        const auto& literal = literals[k];
        const int index = static_cast<int>(k + 1);
        const char* begin = literal.text.data();
        const char* end = begin + literal.text.size();
        if (literal.kind == JetTranslator::Literal::Kind::Integer) {
            sqlite3_int64 number = 0;
            std::from_chars(begin, end, number);
            sqlite3_bind_int64(stmt, index, number);
        } else if (literal.kind == JetTranslator::Literal::Kind::Real) {
            sqlite3_bind_double(stmt, index, std::strtod(std::string(literal.text).c_str(), nullptr));
        } else {
            // The texts outlive the step; the statement is reset before they go.
            sqlite3_bind_text(stmt, index, begin, static_cast<int>(literal.text.size()), SQLITE_STATIC);
        }
    }
    return stmt;
}

void SqliteProvider::Describe(sqlite3_stmt* stmt, std::vector<DbResult::Column>& names,
                              std::vector<DeclaredAs>& declared)
{
    const int columns = sqlite3_column_count(stmt);
    names.assign(static_cast<std::size_t>(columns), {});
    declared.assign(static_cast<std::size_t>(columns), DeclaredAs::Plain);
    for (int c = 0; c < columns; ++c) {
        auto& column = names[static_cast<std::size_t>(c)];
        const char* name = sqlite3_column_name(stmt, c);
        column.name = name ? name : "";
        const char* table = sqlite3_column_table_name(stmt, c);
        const char* origin = sqlite3_column_origin_name(stmt, c);
        column.table = table ? table : "";
        column.baseName = origin ? origin : "";
        declared[static_cast<std::size_t>(c)] = DeclaredKind(sqlite3_column_decltype(stmt, c));
    }
}

bool SqliteProvider::Execute(const std::string& statement, std::unique_ptr<DbResult>* result)
{
    if (result)
        result->reset();
    sqlite3_stmt* stmt = Start(statement);
    if (!stmt)
        return false;

    int rc = sqlite3_step(stmt);
    const int columns = sqlite3_column_count(stmt);
    if (columns == 0 || !result) {
        while (rc == SQLITE_ROW)
            rc = sqlite3_step(stmt);
        return Finish(stmt, rc);
    }
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        return Finish(stmt, rc);

    std::vector<DbResult::Column> names;
    std::vector<DeclaredAs> declared;
    Describe(stmt, names, declared);
    auto rows = std::make_unique<DbResult>(this, std::move(names));
    while (rc == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c)
            ReadCell(stmt, c, declared[static_cast<std::size_t>(c)], rows->AppendCell());
        rc = sqlite3_step(stmt);
    }
    if (!Finish(stmt, rc))
        return false;
    *result = std::move(rows);
    return true;
}

bool SqliteProvider::StepRows(const std::string& statement, std::vector<DbResult::Column>& names,
                              std::vector<DeclaredAs>& declared, const std::function<bool(sqlite3_stmt*)>& row)
{
    sqlite3_stmt* stmt = Start(statement);
    if (!stmt)
        return false;
    int rc = sqlite3_step(stmt);
    if (rc != SQLITE_ROW)
        return Finish(stmt, rc);

    Describe(stmt, names, declared);
    ReadingScope reading(*this);
    while (rc == SQLITE_ROW) {
        if (!row(stmt)) {
            sqlite3_reset(stmt);
            return true;
        }
        rc = sqlite3_step(stmt);
    }
    return Finish(stmt, rc);
}

bool SqliteProvider::ReadRows(const std::string& statement, const DbRowReader& reader)
{
    std::vector<DbResult::Column> names;
    std::vector<DeclaredAs> declared;
    // One row of cells, refilled for every row: their texts keep their buffers.
    std::vector<FieldValue> cells;
    const DbRow row(names, cells);
    return StepRows(statement, names, declared, [&](sqlite3_stmt* stmt) {
        if (cells.size() != names.size())
            cells.resize(names.size());
        for (std::size_t c = 0; c < cells.size(); ++c)
            ReadCell(stmt, static_cast<int>(c), declared[c], cells[c]);
        return reader(row);
    });
}

bool SqliteProvider::ReadCells(const std::string& statement, const DbCellReader& reader)
{
    std::vector<DbResult::Column> names;
    std::vector<DeclaredAs> declared;
    std::vector<DbCell> cells;
    const DbCells row(names, cells);
    return StepRows(statement, names, declared, [&](sqlite3_stmt* stmt) {
        if (cells.size() != names.size())
            cells.resize(names.size());
        for (std::size_t c = 0; c < cells.size(); ++c)
            ViewCell(stmt, static_cast<int>(c), cells[c]);
        return reader(row);
    });
}

bool SqliteProvider::ExecuteScript(const std::string& script)
{
    if (!ReadyToRun())
        return false;
    return Simple(script.c_str());
}

bool SqliteProvider::Begin()
{
    if (!ReadyToRun())
        return false;
    // IMMEDIATE takes the write lock now, so the busy timeout applies here rather than a
    // deadlock-avoiding SQLITE_BUSY half way through the work.
    return Simple("BEGIN IMMEDIATE");
}

bool SqliteProvider::Commit()
{
    ClearErrors();
    if (!RefuseWhileReading())
        return false;
    if (!m_db || sqlite3_get_autocommit(m_db)) {
        AddError("No transaction is active.", "25000", 0);
        return false;
    }
    return Simple("COMMIT");
}

bool SqliteProvider::Rollback()
{
    // Nothing to undo (a failed commit may have ended it): done, and the errors that
    // told why stay readable.
    if (!m_db || sqlite3_get_autocommit(m_db))
        return m_db != nullptr;
    ClearErrors();
    if (!RefuseWhileReading())
        return false;
    return Simple("ROLLBACK");
}

bool SqliteProvider::InTransaction() const
{
    return m_db && !sqlite3_get_autocommit(m_db);
}

bool SqliteProvider::UpdateRow(const DbResult& result, std::size_t row,
                               const std::vector<std::pair<std::size_t, FieldValue>>& changes)
{
    if (!ReadyToRun())
        return false;
    std::string table;
    for (const auto& [column, value] : changes) {
        const auto& c = result.ColumnAt(column);
        if (c.table.empty() || c.baseName.empty() || (!table.empty() && table != c.table)) {
            AddError("The column " + c.name + " cannot be updated.", "HY000", 0);
            return false;
        }
        table = c.table;
    }
    // Every column read from the table must still hold what was read; BINARY so that a
    // change of letter case by someone else counts as a change.
    std::string sql = "UPDATE " + QuoteIdentifier(table) + " SET ";
    for (std::size_t i = 0; i < changes.size(); ++i) {
        if (i)
            sql += ',';
        sql += QuoteIdentifier(result.ColumnAt(changes[i].first).baseName) + "=?";
    }
    sql += " WHERE rowid=(SELECT rowid FROM " + QuoteIdentifier(table) + " WHERE 1";
    std::vector<std::size_t> compared;
    for (std::size_t c = 0; c < result.ColumnCount(); ++c) {
        const auto& column = result.ColumnAt(c);
        if (column.table != table || column.baseName.empty())
            continue;
        sql += " AND " + QuoteIdentifier(column.baseName) + " IS ? COLLATE BINARY";
        compared.push_back(c);
    }
    sql += " LIMIT 1)";

    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(m_db, sql.c_str(), -1, &stmt, nullptr);
    if (rc != SQLITE_OK) {
        AddEngineError(rc);
        sqlite3_finalize(stmt);
        return false;
    }
    int index = 1;
    for (const auto& [column, value] : changes)
        BindOld(stmt, index++, value);
    for (std::size_t c : compared)
        BindOld(stmt, index++, result.Cell(row, c));
    rc = sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE) {
        AddEngineError(rc);
        return false;
    }
    if (sqlite3_changes(m_db) != 1) {
        AddError("Row cannot be located for updating: it was changed or deleted since it was read.", "40001", 0);
        return false;
    }
    return true;
}
