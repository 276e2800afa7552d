#include "postgres_provider.h"

#include "connection_string.h"
#include "db_result.h"
#include "lock_wait.h"
#include "text_util.h"

#include <libpq-fe.h>

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

constexpr Oid kBoolOid = 16;
constexpr Oid kByteaOid = 17;
constexpr Oid kInt8Oid = 20;
constexpr Oid kInt2Oid = 21;
constexpr Oid kInt4Oid = 23;
constexpr Oid kOidOid = 26;
constexpr Oid kFloat4Oid = 700;
constexpr Oid kFloat8Oid = 701;
constexpr Oid kNumericOid = 1700;
constexpr Oid kDateOid = 1082;
constexpr Oid kTimestampOid = 1114;
constexpr Oid kTimestampTzOid = 1184;

std::string Trimmed(const char* text)
{
    return TrimBlanks(text ? text : "");
}

// numeric text -> a whole number when it is one (counts and sums): 64-bit when it fits,
// else its exact digits. Fractions of a declared precision (numeric(p,s) columns and
// casts) read as exact decimals; other fractions (literals such as 1.25, avg results) as
// double, as the dialect's own numbers do. False for NaN and the like.
bool ParseNumeric(const char* text, bool declared, FieldValue& v)
{
    const char* p = text;
    bool negative = false;
    if (*p == '-' || *p == '+')
        negative = *p++ == '-';
    unsigned __int128 mantissa = 0;
    int scale = 0;
    int significant = 0;
    bool point = false, digits = false, fraction = false;
    std::string whole;
    for (; *p; ++p) {
        if (*p == '.' && !point) {
            point = true;
            continue;
        }
        if (*p < '0' || *p > '9')
            return false;
        digits = true;
        if (point) {
            ++scale;
            fraction = fraction || *p != '0';
        } else if (!whole.empty() || *p != '0') {
            whole += *p;
        }
        if (mantissa != 0 || *p != '0')
            ++significant;
        if (significant <= 38)
            mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
    }
    if (!digits)
        return false;
    if (!fraction && !declared) {
        if (whole.size() <= 18 || (whole.size() == 19 && whole <= "9223372036854775807")) {
            v.kind = FieldValue::Kind::Int;
            v.m_int = std::strtoll(whole.empty() ? "0" : whole.c_str(), nullptr, 10);
            if (negative)
                v.m_int = -v.m_int;
        } else {
            v.kind = FieldValue::Kind::Other;
            v.m_text = (negative ? "-" : "") + whole;
        }
        return true;
    }
    if (!declared) {
        v.kind = FieldValue::Kind::Double;
        v.m_double = std::strtod(text, nullptr);
        return true;
    }
    if (significant > 38)
        return false; // the server's own text is shown
    v.kind = FieldValue::Kind::Decimal;
    v.m_decimalMantissa = mantissa;
    v.m_decimalScale = scale;
    v.m_decimalNegative = negative && mantissa != 0;
    return true;
}

// "YYYY-MM-DD HH:MM:SS[.fff]+HH[:MM[:SS]]" -> the same instant in local time, as every
// other date of the system is.
bool ParseTimestampTz(std::string_view text, FieldValue::DateTime& out)
{
    const std::size_t sign = text.find_last_of("+-");
    if (sign == std::string_view::npos || sign < 11)
        return ParseDateTimeText(text, out);
    FieldValue::DateTime utcish;
    if (!ParseDateTimeText(text.substr(0, sign), utcish))
        return false;
    int parts[3] = {0, 0, 0};
    int part = 0;
    for (std::size_t i = sign + 1; i < text.size(); ++i) {
        if (text[i] == ':') {
            if (++part > 2)
                return false;
        } else if (text[i] >= '0' && text[i] <= '9') {
            parts[part] = parts[part] * 10 + (text[i] - '0');
        } else {
            return false;
        }
    }
    long offset = parts[0] * 3600L + parts[1] * 60L + parts[2];
    if (text[sign] == '-')
        offset = -offset;
    std::tm tm{};
    tm.tm_year = utcish.year - 1900;
    tm.tm_mon = utcish.month - 1;
    tm.tm_mday = utcish.day;
    tm.tm_hour = utcish.hour;
    tm.tm_min = utcish.minute;
    tm.tm_sec = utcish.second;
    const std::time_t instant = timegm(&tm) - offset;
    std::tm local{};
    if (!localtime_r(&instant, &local))
        return false;
    out = FieldValue::DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                               local.tm_hour,        local.tm_min,     local.tm_sec};
    return true;
}

void ReadCell(const PGresult* r, int row, int column, Oid type, bool declared, FieldValue& v)
{
    if (PQgetisnull(r, row, column)) {
        v.kind = FieldValue::Kind::Null;
        return;
    }
    const char* text = PQgetvalue(r, row, column);
    const int length = PQgetlength(r, row, column);
    switch (type) {
    case kInt2Oid:
    case kInt4Oid:
    case kInt8Oid:
    case kOidOid:
        v.kind = FieldValue::Kind::Int;
        std::from_chars(text, text + length, v.m_int);
        return;
    case kBoolOid:
        v.kind = FieldValue::Kind::Bool;
        v.m_bool = text[0] == 't';
        v.m_int = v.m_bool ? 1 : 0;
        v.m_text.assign(text, static_cast<std::size_t>(length));
        return;
    case kFloat4Oid:
    case kFloat8Oid:
        v.kind = type == kFloat4Oid ? FieldValue::Kind::Single : FieldValue::Kind::Double;
        v.m_double = std::strtod(text, nullptr);
        v.m_text.assign(text, static_cast<std::size_t>(length));
        return;
    case kNumericOid:
        v.m_text.assign(text, static_cast<std::size_t>(length));
        if (!ParseNumeric(text, declared, v))
            v.kind = FieldValue::Kind::Other;
        return;
    case kDateOid:
    case kTimestampOid:
        v.m_text.assign(text, static_cast<std::size_t>(length));
        v.kind = ParseDateTimeText(v.m_text, v.m_dateTime) ? FieldValue::Kind::DateTime : FieldValue::Kind::Text;
        return;
    case kTimestampTzOid:
        v.m_text.assign(text, static_cast<std::size_t>(length));
        v.kind = ParseTimestampTz(v.m_text, v.m_dateTime) ? FieldValue::Kind::DateTime : FieldValue::Kind::Text;
        return;
    default:
        // text, varchar, citext and anything else: the server's text of the value
        v.kind = FieldValue::Kind::Text;
        v.m_text.assign(text, static_cast<std::size_t>(length));
        return;
    }
}

// A cell as the server sent it, its text left in the result: numbers parsed, the rest as
// the server wrote it.
void ViewCell(const PGresult* r, int column, Oid type, DbCell& cell)
{
    if (PQgetisnull(r, 0, column)) {
        cell.kind = DbCell::Kind::Null;
        return;
    }
    const char* text = PQgetvalue(r, 0, column);
    const int length = PQgetlength(r, 0, column);
    switch (type) {
    case kInt2Oid:
    case kInt4Oid:
    case kInt8Oid:
    case kOidOid:
        cell.kind = DbCell::Kind::Int;
        cell.integer = 0;
        std::from_chars(text, text + length, cell.integer);
        return;
    case kBoolOid:
        cell.kind = DbCell::Kind::Int;
        cell.integer = text[0] == 't' ? 1 : 0;
        return;
    case kFloat4Oid:
    case kFloat8Oid:
        cell.kind = DbCell::Kind::Real;
        cell.real = std::strtod(text, nullptr);
        return;
    case kByteaOid:
        cell.kind = DbCell::Kind::Other;
        cell.text = std::string_view(text, static_cast<std::size_t>(length));
        return;
    default:
        cell.kind = DbCell::Kind::Text;
        cell.text = std::string_view(text, static_cast<std::size_t>(length));
        return;
    }
}

// The text the server gave for a value, to compare the row with on write-back.
std::string OldText(const FieldValue& v)
{
    switch (v.kind) {
    case FieldValue::Kind::Int:
        return std::to_string(v.m_int);
    case FieldValue::Kind::UInt:
        return std::to_string(v.m_uint);
    default:
        return v.m_text;
    }
}

} // namespace

PostgresProvider::~PostgresProvider()
{
    Close();
}

bool PostgresProvider::Open(const ConnectionString& settings)
{
    Close();
    ClearErrors();
    std::vector<std::pair<const char*, std::string>> params;
    auto add = [&](const char* key, std::string value) {
        if (!value.empty())
            params.emplace_back(key, std::move(value));
    };
    add("host", settings.Get("Host", settings.Get("Server")));
    add("port", settings.Get("Port"));
    add("dbname", settings.Get("Database", settings.Get("Initial Catalog")));
    add("user", settings.Get("User ID", settings.Get("User", settings.Get("UID"))));
    add("password", settings.Get("Password", settings.Get("PWD")));
    add("connect_timeout", settings.Get("Timeout", "10"));
    add("client_encoding", "UTF8");
    add("application_name", "kelvane");
    // Dates come back as "YYYY-MM-DD HH:MM:SS" whatever the server's defaults are. A
    // statement waiting for another session's lock gives up after the wait limit, as on
    // SQLite, instead of waiting for ever.
    const int lockWaitMs =
        std::max(1, std::atoi(settings.Get("Lock Timeout", std::to_string(kDefaultLockWaitMs)).c_str()));
    add("options", "-c DateStyle=ISO,YMD -c extra_float_digits=1 -c lock_timeout=" + std::to_string(lockWaitMs));
    std::vector<const char*> keys, values;
    for (const auto& [k, v] : params) {
        keys.push_back(k);
        values.push_back(v.c_str());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    PGconn* conn = PQconnectdbParams(keys.data(), values.data(), 0);
    if (!conn || PQstatus(conn) != CONNECTION_OK) {
        AddError(conn ? Trimmed(PQerrorMessage(conn)) : "Out of memory.", "08001", 0);
        PQfinish(conn);
        return false;
    }
    m_conn = conn;
    // Notices ("table does not exist, skipping" and the like) are not errors; libpq would
    // print them on the terminal. Errors still come with their statement's result.
    PQsetNoticeReceiver(m_conn, &PostgresProvider::OnNotice, this);
    return true;
}

// Between statements the server's only words are notices and, when it ends the session
// (shutdown, restart, an administrator), a fatal message just before it closes the line.
void PostgresProvider::OnNotice(void* self, const pg_result* notice)
{
    const char* severity = PQresultErrorField(notice, PG_DIAG_SEVERITY_NONLOCALIZED);
    if (severity && (std::strcmp(severity, "FATAL") == 0 || std::strcmp(severity, "PANIC") == 0))
        static_cast<PostgresProvider*>(self)->m_serverEnding = true;
}

// A server restart or a dropped network leaves the socket closed while the connection still
// looks open. Outside a transaction the socket is looked at without waiting before each
// statement, and a closed one is made again once, so the statement runs on a live
// connection. Inside a transaction nothing is made again: its work is lost, and its
// statements and its commit say so.
bool PostgresProvider::EnsureConnected()
{
    if (m_inTransaction || m_pipelining)
        return true;
    for (int round = 0; round < 4 && PQstatus(m_conn) == CONNECTION_OK; ++round) {
        pollfd socket{PQsocket(m_conn), POLLIN, 0};
        if (socket.fd < 0 || ::poll(&socket, 1, 0) <= 0)
            break;
        // The server's farewell (or a notification) is waiting; reading it finds the end.
        if (!PQconsumeInput(m_conn))
            break;
        PQisBusy(m_conn); // parses what came: a fatal message reaches OnNotice
        while (PGnotify* notice = PQnotifies(m_conn))
            PQfreemem(notice);
    }
    if (PQstatus(m_conn) == CONNECTION_OK && !m_serverEnding)
        return true;
    return Reconnect();
}

bool PostgresProvider::Reconnect()
{
    m_serverEnding = false;
    PQreset(m_conn);
    m_prepared.clear();
    for (auto& [key, shape] : m_shapes)
        shape.fullName.clear();
    m_pending.clear();
    m_rows = 0;
    m_rowsKey.clear();
    m_inTransaction = false;
    m_pipelining = false;
    if (PQstatus(m_conn) == CONNECTION_OK)
        return true;
    AddError("The connection to the database server was lost and could not be made again: " +
                 Trimmed(PQerrorMessage(m_conn)),
             "08006", 0);
    return false;
}

void PostgresProvider::Close()
{
    if (!m_conn)
        return;
    if (m_pipelining)
        FlushPipeline(false);
    PQfinish(m_conn);
    m_conn = nullptr;
    m_prepared.clear();
    m_tables.clear();
    m_shapes.clear();
    m_rows = 0;
    m_pending.clear();
    m_inTransaction = false;
    m_pipelining = false;
    m_serverEnding = false;
}

void PostgresProvider::AddResultError(const PGresult* result)
{
    if (!result) {
        AddConnectionError("08006");
        return;
    }
    const char* primary = PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY);
    const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
    std::string description = primary ? primary : Trimmed(PQresultErrorMessage(result));
    if (description.empty())
        description = PQresStatus(PQresultStatus(result));
    AddError(std::move(description), state ? state : "HY000", 0);
}

void PostgresProvider::AddConnectionError(const char* sqlState)
{
    AddError(Trimmed(PQerrorMessage(m_conn)), sqlState, 0);
}

bool PostgresProvider::Simple(const char* sql)
{
    PGresult* r = PQsendQuery(m_conn, sql) ? Collect() : nullptr;
    const ExecStatusType status = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
    const bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK || status == PGRES_EMPTY_QUERY;
    if (!ok)
        AddResultError(r);
    PQclear(r);
    return ok;
}

// libpq's own calls would sleep in the socket until the answer comes, for as long as the
// statement waits for a row another session keeps locked (up to lock_timeout). Instead the
// socket is watched in short slices and the lock-wait hook runs between them, so the
// console's window keeps painting, as it does while SQLite waits for its lock.
void PostgresProvider::AwaitResult()
{
    if (PQflush(m_conn) != 0)
        return; // the line is broken: PQgetResult says so
    while (PQisBusy(m_conn)) {
        pollfd socket{PQsocket(m_conn), POLLIN, 0};
        if (socket.fd < 0)
            return;
        const int ready = ::poll(&socket, 1, kWaitSliceMs);
        if (ready < 0 && errno != EINTR)
            return;
        if (ready > 0 && !PQconsumeInput(m_conn))
            return;
        if (ready == 0)
            CallLockWaitHook();
    }
}

// What PQexec answers for the command just sent: its result, the first error when one of
// several commands failed; null when nothing came (the connection's error tells why).
PGresult* PostgresProvider::Collect()
{
    PGresult* kept = nullptr;
    for (;;) {
        AwaitResult();
        PGresult* r = PQgetResult(m_conn);
        if (!r)
            break;
        if (kept && PQresultStatus(kept) == PGRES_FATAL_ERROR) {
            PQclear(r);
            continue;
        }
        PQclear(kept);
        kept = r;
        if (PQstatus(m_conn) == CONNECTION_BAD)
            break;
    }
    return kept;
}

bool PostgresProvider::FlushPipeline(bool reportErrors)
{
    if (!m_pipelining)
        return true;
    bool ok = true;
    if (m_rows > 0) {
        if (reportErrors) {
            ok = SendRows(false);
        } else {
            m_rows = 0; // being thrown away
            m_rowsKey.clear();
        }
    }
    if (!PQpipelineSync(m_conn)) {
        if (ok && reportErrors)
            AddConnectionError("08006");
        ok = false;
    }
    int emptyInARow = 0;
    while (ok || PQstatus(m_conn) == CONNECTION_OK) {
        AwaitResult();
        PGresult* r = PQgetResult(m_conn);
        if (!r) {
            // One NULL ends each command's results; two in a row means nothing is coming.
            if (++emptyInARow > 1 || PQstatus(m_conn) != CONNECTION_OK) {
                if (ok && reportErrors)
                    AddConnectionError("08006");
                ok = false;
                break;
            }
            continue;
        }
        emptyInARow = 0;
        const ExecStatusType status = PQresultStatus(r);
        if (status == PGRES_PIPELINE_SYNC) {
            PQclear(r);
            break;
        }
        Pending command{false, {}};
        if (!m_pending.empty()) {
            command = std::move(m_pending.front());
            m_pending.pop_front();
        }
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            if (command.prepare && command.key.rfind("#rows#", 0) == 0) {
                if (auto it = m_shapes.find(command.key.substr(6)); it != m_shapes.end())
                    it->second.fullName.clear();
            } else if (command.prepare) {
                m_prepared.erase(command.key);
            }
            // Only the first failure is the cause; the rest of the segment was skipped.
            if (ok && reportErrors && status != PGRES_PIPELINE_ABORTED)
                AddResultError(r);
            ok = false;
        }
        PQclear(r);
    }
    m_pending.clear();
    if (PQpipelineStatus(m_conn) != PQ_PIPELINE_OFF)
        PQexitPipelineMode(m_conn);
    m_pipelining = false;
    return ok;
}

void PostgresProvider::BuildParameters()
{
    const auto& literals = Translator().Literals();
    std::size_t total = 0;
    for (const auto& literal : literals)
        total += literal.text.size() + 1;
    m_valueBuffer.clear();
    m_valueBuffer.reserve(total);
    m_values.clear();
    for (const auto& literal : literals) {
        m_values.push_back(m_valueBuffer.data() + m_valueBuffer.size());
        m_valueBuffer.append(literal.text);
        m_valueBuffer.push_back('\0');
    }
}

const PostgresProvider::Prepared* PostgresProvider::PrepareNow(const std::string& key)
{
    if (auto it = m_prepared.find(key); it != m_prepared.end())
        return &it->second;
    // Statements built with varying text (not through literals) would grow this without end.
    if (m_prepared.size() >= 256 && !m_pipelining && Simple("DEALLOCATE ALL")) {
        m_prepared.clear();
        for (auto& [key, shape] : m_shapes)
            shape.fullName.clear();
    }
    Prepared prepared{"k" + std::to_string(++m_nextName), static_cast<int>(m_types.size())};
    PGresult* r = PQsendPrepare(m_conn, prepared.name.c_str(), Translator().Skeleton().c_str(), prepared.parameters,
                                m_types.data())
                      ? Collect()
                      : nullptr;
    const bool ok = r && PQresultStatus(r) == PGRES_COMMAND_OK;
    if (!ok)
        AddResultError(r);
    PQclear(r);
    if (!ok)
        return nullptr;
    return &m_prepared.emplace(key, std::move(prepared)).first->second;
}

bool PostgresProvider::Execute(const std::string& statement, std::unique_ptr<DbResult>* result)
{
    if (result)
        result->reset();
    if (!ReadyToRun() || !RefuseNul(statement) || !EnsureConnected())
        return false;
    const bool inTransaction = m_inTransaction;
    if (Run(statement, result))
        return true;
    // A read that found the connection closed under it is run once more on a new one; a
    // write is not, as the server may have done it before the line went.
    if (inTransaction || !m_lastWasRead || PQstatus(m_conn) == CONNECTION_OK)
        return false;
    ClearErrors();
    return Reconnect() && Run(statement, result);
}

bool PostgresProvider::Run(const std::string& statement, std::unique_ptr<DbResult>* result)
{
    const auto kind = Translator().ParametriseStatement(statement, TheClock());
    const bool dml = JetTranslator::IsDml(kind);
    m_lastWasRead = kind == JetTranslator::StatementKind::Select;
    const std::string& skeleton = Translator().Skeleton();
    if (std::all_of(skeleton.begin(), skeleton.end(), IsBlank)) {
        AddError("The statement is empty.", "42601", 0);
        return false;
    }
    if (kind == JetTranslator::StatementKind::Other) {
        // A one-off text (a definition and the like) is not worth a prepared statement.
        if (!FlushPipeline(true))
            return false;
        return ReadResult(
            PQsendQueryParams(m_conn, skeleton.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0) ? Collect() : nullptr,
            result);
    }

    KeyAndTypes();

    if (dml && !result && m_inTransaction) {
        if (!EnterPipeline())
            return false;
        if (kind == JetTranslator::StatementKind::Insert) {
            const InsertShape& shape = ShapeOf(m_key);
            if (shape.multiRow)
                return QueueRow(); // copies the literals itself
        }
        BuildParameters();
        if (m_rows > 0 && !SendRows(true))
            return false;
        auto it = m_prepared.find(m_key);
        if (it == m_prepared.end()) {
            Prepared prepared{"k" + std::to_string(++m_nextName), static_cast<int>(m_types.size())};
            if (!PQsendPrepare(m_conn, prepared.name.c_str(), Translator().Skeleton().c_str(), prepared.parameters,
                               m_types.data())) {
                AddConnectionError("08006");
                FlushPipeline(false);
                return false;
            }
            m_pending.push_back(Pending{true, m_key});
            it = m_prepared.emplace(m_key, std::move(prepared)).first;
        }
        if (!PQsendQueryPrepared(m_conn, it->second.name.c_str(), it->second.parameters, m_values.data(), nullptr,
                                 nullptr, 0)) {
            AddConnectionError("08006");
            FlushPipeline(false);
            return false;
        }
        m_pending.push_back(Pending{false, {}});
        if (m_pending.size() >= static_cast<std::size_t>(kPipelineBatch))
            return FlushPipeline(true);
        return true;
    }

    if (!FlushPipeline(true))
        return false;
    BuildParameters();
    const Prepared* prepared = PrepareNow(m_key);
    if (!prepared)
        return false;
    PGresult* r =
        PQsendQueryPrepared(m_conn, prepared->name.c_str(), prepared->parameters, m_values.data(), nullptr, nullptr, 0)
            ? Collect()
            : nullptr;
    return ReadResult(r, result);
}

// The cache key is the skeleton plus the parameter types (a number may be whole or not).
void PostgresProvider::KeyAndTypes()
{
    const auto& literals = Translator().Literals();
    m_key = Translator().Skeleton();
    m_types.clear();
    if (literals.empty())
        return;
    m_key += '\x1f';
    for (const auto& literal : literals) {
        switch (literal.kind) {
        case JetTranslator::Literal::Kind::Integer:
            m_types.push_back(kInt8Oid);
            m_key += 'i';
            break;
        case JetTranslator::Literal::Kind::Real:
            m_types.push_back(kNumericOid);
            m_key += 'r';
            break;
        default:
            m_types.push_back(0); // the server infers it from where the value goes
            m_key += 't';
            break;
        }
    }
}

bool PostgresProvider::ReadRows(const std::string& statement, const DbRowReader& reader)
{
    std::vector<DbResult::Column> names;
    std::vector<Oid> types;
    std::vector<char> declared;
    std::vector<FieldValue> cells;
    const DbRow row(names, cells);
    return StreamAgain(statement, [&](const PGresult* r) {
        if (names.empty()) {
            Describe(r, names, types, declared);
            cells.resize(names.size());
        }
        for (std::size_t c = 0; c < names.size(); ++c)
            ReadCell(r, 0, static_cast<int>(c), types[c], declared[c] != 0, cells[c]);
        return reader(row);
    });
}

bool PostgresProvider::ReadCells(const std::string& statement, const DbCellReader& reader)
{
    std::vector<DbResult::Column> names;
    std::vector<Oid> types;
    std::vector<char> declared;
    std::vector<DbCell> cells;
    const DbCells row(names, cells);
    return StreamAgain(statement, [&](const PGresult* r) {
        if (names.empty()) {
            Describe(r, names, types, declared);
            cells.resize(names.size());
        }
        for (std::size_t c = 0; c < names.size(); ++c)
            ViewCell(r, static_cast<int>(c), types[c], cells[c]);
        return reader(row);
    });
}

bool PostgresProvider::StreamAgain(const std::string& statement, const std::function<bool(const pg_result*)>& row)
{
    if (!ReadyToRun() || !RefuseNul(statement) || !EnsureConnected())
        return false;
    const bool inTransaction = m_inTransaction;
    bool handed = false;
    if (Stream(statement, row, handed))
        return true;
    // As in Execute: a read that found the connection closed before its first row is run
    // once more on a new one.
    if (inTransaction || handed || !m_lastWasRead || PQstatus(m_conn) == CONNECTION_OK)
        return false;
    ClearErrors();
    return Reconnect() && Stream(statement, row, handed);
}

// Single-row mode: libpq hands over each row as it arrives instead of gathering the whole
// result, and the server waits while the reader is busy, so memory stays at one row.
bool PostgresProvider::Stream(const std::string& statement, const std::function<bool(const pg_result*)>& row,
                              bool& handed)
{
    const auto kind = Translator().ParametriseStatement(statement, TheClock());
    m_lastWasRead = kind == JetTranslator::StatementKind::Select;
    const std::string& skeleton = Translator().Skeleton();
    if (std::all_of(skeleton.begin(), skeleton.end(), IsBlank)) {
        AddError("The statement is empty.", "42601", 0);
        return false;
    }
    if (!FlushPipeline(true))
        return false;
    int sent = 0;
    if (kind == JetTranslator::StatementKind::Other) {
        sent = PQsendQueryParams(m_conn, skeleton.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0);
    } else {
        KeyAndTypes();
        BuildParameters();
        const Prepared* prepared = PrepareNow(m_key);
        if (!prepared)
            return false;
        sent = PQsendQueryPrepared(m_conn, prepared->name.c_str(), prepared->parameters, m_values.data(), nullptr,
                                   nullptr, 0);
    }
    if (!sent) {
        AddConnectionError("08006");
        return false;
    }
    PQsetSingleRowMode(m_conn);

    bool ok = true;
    bool reading = true;
    ReadingScope scope(*this);
    // Every result up to the end is taken, also after a stop or a failure: the connection
    // serves the next statement only then. A stop early lets the rest go by unread rather
    // than cancelling, whose request could reach the server after the next statement began.
    for (;;) {
        AwaitResult();
        PGresult* r = PQgetResult(m_conn);
        if (!r)
            break;
        const ExecStatusType status = PQresultStatus(r);
        if (status == PGRES_SINGLE_TUPLE && ok && reading) {
            handed = true;
            reading = row(r);
        } else if (status != PGRES_SINGLE_TUPLE && status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK && ok) {
            AddResultError(r);
            ok = false;
        }
        PQclear(r);
    }
    return ok;
}

void PostgresProvider::Describe(const pg_result* r, std::vector<DbResult::Column>& names,
                                std::vector<unsigned int>& types, std::vector<char>& declared)
{
    const int columns = PQnfields(r);
    names.assign(static_cast<std::size_t>(columns), {});
    types.assign(static_cast<std::size_t>(columns), 0);
    declared.assign(static_cast<std::size_t>(columns), 0);
    for (int c = 0; c < columns; ++c) {
        auto& column = names[static_cast<std::size_t>(c)];
        column.name = PQfname(r, c);
        const Oid table = PQftable(r, c);
        const int attribute = PQftablecol(r, c);
        if (table != InvalidOid && attribute > 0) {
            column.table = std::to_string(table);
            column.baseName = std::to_string(attribute);
        }
        types[static_cast<std::size_t>(c)] = PQftype(r, c);
        declared[static_cast<std::size_t>(c)] = PQfmod(r, c) != -1;
    }
}

bool PostgresProvider::EnterPipeline()
{
    if (m_pipelining)
        return true;
    if (!PQenterPipelineMode(m_conn)) {
        AddConnectionError("08006");
        return false;
    }
    m_pipelining = true;
    return true;
}

const PostgresProvider::InsertShape& PostgresProvider::ShapeOf(const std::string& key)
{
    if (auto it = m_shapes.find(key); it != m_shapes.end())
        return it->second;
    InsertShape shape;
    // Only "insert into T (..) values (..)" with every parameter inside the one tuple.
    const std::string& sql = Translator().Skeleton();
    std::size_t end = sql.size();
    while (end > 0 && (IsBlank(sql[end - 1]) || sql[end - 1] == ';'))
        --end;
    if (end > 0 && sql[end - 1] == ')' && sql.find('"') == std::string::npos && !m_types.empty()) {
        int depth = 0;
        std::size_t open = std::string::npos;
        for (std::size_t i = end; i-- > 0;) {
            if (sql[i] == ')')
                ++depth;
            else if (sql[i] == '(' && --depth == 0) {
                open = i;
                break;
            }
        }
        if (open != std::string::npos) {
            std::size_t w = open;
            while (w > 0 && IsBlank(sql[w - 1]))
                --w;
            const std::string head = sql.substr(0, w);
            if (head.size() >= 6 && EqualsNoCaseAscii(std::string_view(head).substr(head.size() - 6), "values") &&
                (head.size() == 6 || IsBlank(head[head.size() - 7]) || head[head.size() - 7] == ')') &&
                head.find('$') == std::string::npos && static_cast<int>(m_types.size()) * kRowsPerInsert <= 65535) {
                shape.multiRow = true;
                shape.head = head + ' ';
                shape.tuple = sql.substr(open, end - open);
            }
        }
    }
    if (m_shapes.size() >= 256 && m_rows == 0)
        m_shapes.clear();
    return m_shapes.emplace(key, std::move(shape)).first->second;
}

std::string PostgresProvider::MultiRowText(const InsertShape& shape, int rows) const
{
    const int perRow = static_cast<int>(m_rowsTypes.size());
    std::string sql = shape.head;
    sql.reserve(shape.head.size() + static_cast<std::size_t>(rows) * (shape.tuple.size() + 8));
    for (int r = 0; r < rows; ++r) {
        if (r)
            sql += ',';
        const std::string& t = shape.tuple;
        for (std::size_t i = 0; i < t.size(); ++i) {
            if (t[i] == '$' && i + 1 < t.size() && t[i + 1] >= '0' && t[i + 1] <= '9') {
                int number = 0;
                while (i + 1 < t.size() && t[i + 1] >= '0' && t[i + 1] <= '9')
                    number = number * 10 + (t[++i] - '0');
                sql += '$';
                sql += std::to_string(number + r * perRow);
            } else {
                sql += t[i];
            }
        }
    }
    return sql;
}

bool PostgresProvider::QueueRow()
{
    if (m_rows > 0 && m_rowsKey != m_key && !SendRows(true))
        return false;
    if (m_rows == 0) {
        m_rowsKey = m_key;
        m_rowsTypes = m_types;
        m_rowsValues.clear();
        m_rowsOffsets.clear();
    }
    for (const auto& literal : Translator().Literals()) {
        m_rowsOffsets.push_back(m_rowsValues.size());
        m_rowsValues.append(literal.text);
        m_rowsValues.push_back('\0');
    }
    ++m_rows;
    if (m_rows >= kRowsPerInsert)
        return SendRows(true);
    return true;
}

bool PostgresProvider::SendRows(bool mayFlush)
{
    const int rows = m_rows;
    m_rows = 0;
    if (rows == 0)
        return true;
    auto shapeIt = m_shapes.find(m_rowsKey);
    if (shapeIt == m_shapes.end()) {
        AddError("Internal error: the shape of the gathered rows was lost.", "XX000", 0);
        return false;
    }
    InsertShape& shape = shapeIt->second;
    // Own pointers: m_values may hold the parameters of the statement that made us send.
    m_rowsPointers.clear();
    for (std::size_t offset : m_rowsOffsets)
        m_rowsPointers.push_back(m_rowsValues.data() + offset);
    const int count = static_cast<int>(m_rowsPointers.size());
    std::vector<Oid> types;
    types.reserve(static_cast<std::size_t>(count));
    for (int r = 0; r < rows; ++r)
        types.insert(types.end(), m_rowsTypes.begin(), m_rowsTypes.end());
    int sent = 0;
    if (rows == kRowsPerInsert) {
        if (shape.fullName.empty()) {
            const std::string name = "k" + std::to_string(++m_nextName);
            const std::string sql = MultiRowText(shape, rows);
            if (PQsendPrepare(m_conn, name.c_str(), sql.c_str(), count, types.data())) {
                m_pending.push_back(Pending{true, "#rows#" + m_rowsKey});
                shape.fullName = name;
            }
        }
        if (!shape.fullName.empty())
            sent =
                PQsendQueryPrepared(m_conn, shape.fullName.c_str(), count, m_rowsPointers.data(), nullptr, nullptr, 0);
    } else {
        const std::string sql = MultiRowText(shape, rows);
        sent = PQsendQueryParams(m_conn, sql.c_str(), count, types.data(), m_rowsPointers.data(), nullptr, nullptr, 0);
    }
    if (!sent) {
        AddConnectionError("08006");
        return false;
    }
    m_pending.push_back(Pending{false, {}});
    if (mayFlush && m_pending.size() >= static_cast<std::size_t>(kPipelineBatch))
        return FlushPipeline(true);
    return true;
}

bool PostgresProvider::ReadResult(PGresult* r, std::unique_ptr<DbResult>* out)
{
    const ExecStatusType status = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || (status == PGRES_TUPLES_OK && !out)) {
        PQclear(r);
        return true;
    }
    if (status != PGRES_TUPLES_OK) {
        AddResultError(r);
        PQclear(r);
        return false;
    }
    const int columns = PQnfields(r);
    const int rows = PQntuples(r);
    std::vector<DbResult::Column> names;
    std::vector<Oid> types;
    std::vector<char> declared;
    Describe(r, names, types, declared);
    auto result = std::make_unique<DbResult>(this, std::move(names));
    result->Reserve(static_cast<std::size_t>(rows));
    for (int row = 0; row < rows; ++row)
        for (int c = 0; c < columns; ++c)
            ReadCell(r, row, c, types[static_cast<std::size_t>(c)], declared[static_cast<std::size_t>(c)] != 0,
                     result->AppendCell());
    PQclear(r);
    *out = std::move(result);
    return true;
}

bool PostgresProvider::ExecuteScript(const std::string& script)
{
    if (!ReadyToRun() || !EnsureConnected())
        return false;
    if (!FlushPipeline(true))
        return false;
    return Simple(script.c_str());
}

bool PostgresProvider::Begin()
{
    if (!ReadyToRun() || !EnsureConnected())
        return false;
    if (m_inTransaction) {
        AddError("A transaction is already active.", "25001", 0);
        return false;
    }
    if (!Simple("BEGIN"))
        return false;
    m_inTransaction = true;
    return true;
}

bool PostgresProvider::Commit()
{
    ClearErrors();
    if (!RefuseWhileReading())
        return false;
    if (!m_conn || !InTransaction()) {
        AddError("No transaction is active.", "25000", 0);
        return false;
    }
    const bool flushed = FlushPipeline(true);
    m_inTransaction = false;
    PGresult* r = PQsendQuery(m_conn, "COMMIT") ? Collect() : nullptr;
    bool ok = r && PQresultStatus(r) == PGRES_COMMAND_OK;
    if (!ok)
        AddResultError(r);
    else if (std::strcmp(PQcmdStatus(r), "ROLLBACK") == 0) {
        // The server ends a failed transaction with a rollback and no error of its own.
        if (flushed)
            AddError("The transaction was rolled back because a statement in it failed.", "40000", 0);
        ok = false;
    }
    PQclear(r);
    return ok && flushed;
}

bool PostgresProvider::Rollback()
{
    // Nothing to undo (a failed commit already ended it): done, and the errors that
    // told why stay readable.
    if (!m_conn || !InTransaction())
        return m_conn != nullptr;
    ClearErrors();
    if (!RefuseWhileReading())
        return false;
    if (PQstatus(m_conn) != CONNECTION_OK) {
        // The server dropped the transaction with the connection; the next statement
        // makes a new one.
        m_pending.clear();
        m_rows = 0;
        m_pipelining = false;
        m_inTransaction = false;
        return true;
    }
    FlushPipeline(false); // whatever failed in there is being undone anyway
    m_inTransaction = false;
    return Simple("ROLLBACK");
}

bool PostgresProvider::InTransaction() const
{
    if (!m_conn)
        return false;
    if (m_inTransaction)
        return true;
    const auto status = PQtransactionStatus(m_conn);
    return status == PQTRANS_INTRANS || status == PQTRANS_INERROR;
}

const PostgresProvider::TableInfo* PostgresProvider::Table(unsigned int oid)
{
    if (auto it = m_tables.find(oid); it != m_tables.end())
        return &it->second;
    const std::string oidText = std::to_string(oid);
    const char* values[] = {oidText.c_str()};
    PGresult* r = PQsendQueryParams(m_conn,
                                    "SELECT quote_ident(n.nspname)||'.'||quote_ident(c.relname) FROM pg_class c "
                                    "JOIN pg_namespace n ON n.oid=c.relnamespace WHERE c.oid=$1::oid",
                                    1, nullptr, values, nullptr, nullptr, 0)
                      ? Collect()
                      : nullptr;
    if (!r || PQresultStatus(r) != PGRES_TUPLES_OK || PQntuples(r) != 1) {
        AddResultError(r);
        PQclear(r);
        return nullptr;
    }
    TableInfo info;
    info.name = PQgetvalue(r, 0, 0);
    PQclear(r);
    r = PQsendQueryParams(m_conn,
                          "SELECT attnum, quote_ident(attname) FROM pg_attribute "
                          "WHERE attrelid=$1::oid AND attnum>0 AND NOT attisdropped",
                          1, nullptr, values, nullptr, nullptr, 0)
            ? Collect()
            : nullptr;
    if (!r || PQresultStatus(r) != PGRES_TUPLES_OK) {
        AddResultError(r);
        PQclear(r);
        return nullptr;
    }
    for (int i = 0; i < PQntuples(r); ++i)
        info.columns[std::atoi(PQgetvalue(r, i, 0))] = PQgetvalue(r, i, 1);
    PQclear(r);
    return &m_tables.emplace(oid, std::move(info)).first->second;
}

bool PostgresProvider::UpdateRow(const DbResult& result, std::size_t row,
                                 const std::vector<std::pair<std::size_t, FieldValue>>& changes)
{
    if (!ReadyToRun() || !EnsureConnected())
        return false;
    if (!FlushPipeline(true))
        return false;
    std::string tableOid;
    for (const auto& [column, value] : changes) {
        const auto& c = result.ColumnAt(column);
        if (c.table.empty() || (!tableOid.empty() && tableOid != c.table)) {
            AddError("The column " + c.name + " cannot be updated.", "HY000", 0);
            return false;
        }
        tableOid = c.table;
    }
    const TableInfo* table = Table(static_cast<unsigned int>(std::strtoul(tableOid.c_str(), nullptr, 10)));
    if (!table)
        return false;
    auto columnName = [&](std::size_t column) -> const std::string* {
        const auto it = table->columns.find(std::atoi(result.ColumnAt(column).baseName.c_str()));
        return it == table->columns.end() ? nullptr : &it->second;
    };

    std::vector<std::string> texts;
    std::vector<char> isNull;
    std::string sql = "UPDATE " + table->name + " SET ";
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const std::string* name = columnName(changes[i].first);
        if (!name) {
            AddError("The column " + result.ColumnAt(changes[i].first).name + " cannot be updated.", "HY000", 0);
            return false;
        }
        sql += (i ? "," : "") + *name + "=$" + std::to_string(texts.size() + 1);
        texts.push_back(OldText(changes[i].second));
        isNull.push_back(changes[i].second.kind == FieldValue::Kind::Null);
    }
    // The row must still hold every value read from it; texts compare exactly (a change
    // of letter case by someone else counts), other values by their type.
    sql += " WHERE ctid=(SELECT ctid FROM " + table->name + " WHERE true";
    for (std::size_t c = 0; c < result.ColumnCount(); ++c) {
        if (result.ColumnAt(c).table != tableOid)
            continue;
        const std::string* name = columnName(c);
        if (!name)
            continue;
        const FieldValue& old = result.Cell(row, c);
        const std::string parameter = "$" + std::to_string(texts.size() + 1);
        if (old.kind == FieldValue::Kind::Text)
            sql += " AND " + *name + "::text IS NOT DISTINCT FROM " + parameter + "::text";
        else
            sql += " AND " + *name + " IS NOT DISTINCT FROM " + parameter;
        texts.push_back(OldText(old));
        isNull.push_back(old.kind == FieldValue::Kind::Null || old.kind == FieldValue::Kind::Empty);
    }
    sql += " LIMIT 1 FOR UPDATE)";
    std::vector<const char*> values;
    for (std::size_t i = 0; i < texts.size(); ++i)
        values.push_back(isNull[i] ? nullptr : texts[i].c_str());
    PGresult* r = PQsendQueryParams(m_conn, sql.c_str(), static_cast<int>(values.size()), nullptr, values.data(),
                                    nullptr, nullptr, 0)
                      ? Collect()
                      : nullptr;
    if (!r || PQresultStatus(r) != PGRES_COMMAND_OK) {
        AddResultError(r);
        PQclear(r);
        return false;
    }
    const bool one = std::strcmp(PQcmdTuples(r), "1") == 0;
    PQclear(r);
    if (!one) {
        AddError("Row cannot be located for updating: it was changed or deleted since it was read.", "40001", 0);
        return false;
    }
    return true;
}
