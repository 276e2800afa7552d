#include "stored_collation_upgrade.h"

#include "case_fold.h"
#include "sqlite_exec.h"
#include "text_util.h"

#include <sqlite3.h>

#include <cstdlib>
#include <set>
#include <vector>

namespace {

struct SchemaRow {
    std::string type, name, table, sql;
};

// Runs sql and hands every row's columns (as text) to each.
template <typename Each>
bool Query(sqlite3* db, const std::string& sql, std::string& error, Each each)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        error = sqlite3_errmsg(db);
        return false;
    }
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
            row.emplace_back(text ? text : "");
        }
        each(row);
    }
    sqlite3_finalize(statement);
    if (rc != SQLITE_DONE) {
        error = sqlite3_errmsg(db);
        return false;
    }
    return true;
}

std::string Quoted(const std::string& name)
{
    std::string out = "\"";
    for (char c : name) {
        out += c;
        if (c == '"')
            out += '"';
    }
    return out + "\"";
}

// The collation's name, in any letter case, replaced by NOCASE.
std::string WithNoCase(const std::string& sql)
{
    const std::string lower = ToLowerAscii(sql);
    const std::string name = ToLowerAscii(kFoldCollation);
    std::string out;
    std::size_t from = 0;
    for (std::size_t at; (at = lower.find(name, from)) != std::string::npos; from = at + name.size())
        out += sql.substr(from, at - from) + "NOCASE";
    return out + sql.substr(from);
}

bool ReadStale(sqlite3* db, std::vector<SchemaRow>& rows, std::string& error)
{
    rows.clear();
    return Query(
        db, std::string("select type,name,tbl_name,sql from sqlite_schema where sql like '%") + kFoldCollation + "%'",
        error, [&](const std::vector<std::string>& r) {
            rows.push_back({r[0], r[1], r[2], r[3]});
        });
}

void FoldsBeyondAsciiFunction(sqlite3_context* context, int, sqlite3_value** values)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(values[0]));
    const int length = sqlite3_value_bytes(values[0]);
    sqlite3_result_int(context, text && FoldsBeyondAscii(std::string_view(text, static_cast<std::size_t>(length))));
}

// The file's indexes were ordered by the old collation. NOCASE orders keys alike unless
// one of them FoldsBeyondAscii, so only indexes holding such a key are rebuilt: a million
// codes are only read, not sorted again.
bool Reindex(sqlite3* db, const std::set<std::string>& tables, std::string& error)
{
    const char* function = "varnholt_folds_beyond_ascii";
    if (sqlite3_create_function_v2(db, function, 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                   &FoldsBeyondAsciiFunction, nullptr, nullptr, nullptr) != SQLITE_OK) {
        error = sqlite3_errmsg(db);
        return false;
    }
    bool ok = true;
    for (const std::string& table : tables) {
        std::vector<std::string> indexes;
        ok = ok && Query(db, "select name from pragma_index_list(" + Quoted(table) + ")", error,
                         [&](const std::vector<std::string>& r) { indexes.push_back(r[0]); });
        for (const std::string& index : indexes) {
            std::string condition;
            ok = ok && Query(db, "select name from pragma_index_info(" + Quoted(index) + ") where name is not null",
                             error, [&](const std::vector<std::string>& r) {
                                 condition += (condition.empty() ? "" : " or ") + std::string(function) + "(" +
                                              Quoted(r[0]) + ")";
                             });
            if (!ok || condition.empty())
                continue;
            bool apart = false;
            ok = ok && Query(db, "select 1 from " + Quoted(table) + " where " + condition + " limit 1", error,
                             [&](const std::vector<std::string>&) { apart = true; });
            if (ok && apart)
                ok = SqliteExec(db, "reindex " + Quoted(index), error);
        }
    }
    sqlite3_create_function_v2(db, function, 1, SQLITE_UTF8, nullptr, nullptr, nullptr, nullptr, nullptr);
    return ok;
}

bool Rewrite(sqlite3* db, const std::vector<SchemaRow>& rows, std::string& error)
{
    int version = 0;
    if (!Query(db, "pragma schema_version", error,
               [&](const std::vector<std::string>& r) { version = std::atoi(r[0].c_str()); }) ||
        !SqliteExec(db, "pragma writable_schema=on", error))
        return false;
    bool ok = true;
    for (const SchemaRow& row : rows) {
        sqlite3_stmt* update = nullptr;
        ok = sqlite3_prepare_v2(db, "update sqlite_schema set sql=? where type=? and name=?", -1, &update, nullptr) ==
             SQLITE_OK;
        if (ok) {
            const std::string sql = WithNoCase(row.sql);
            sqlite3_bind_text(update, 1, sql.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(update, 2, row.type.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(update, 3, row.name.c_str(), -1, SQLITE_TRANSIENT);
            ok = sqlite3_step(update) == SQLITE_DONE;
        }
        if (!ok)
            error = sqlite3_errmsg(db);
        sqlite3_finalize(update);
        if (!ok)
            break;
    }
    // A new schema version makes every connection, this one included, read the tables again.
    ok = ok && SqliteExec(db, "pragma schema_version=" + std::to_string(version + 1), error);
    std::string ignored;
    SqliteExec(db, "pragma writable_schema=off", ignored);
    return ok;
}

} // namespace

bool UpgradeStoredCollation(sqlite3* db, std::string& error)
{
    std::vector<SchemaRow> rows;
    if (!ReadStale(db, rows, error))
        return false;
    if (rows.empty())
        return true;
    if (!SqliteExec(db, "begin immediate", error))
        return false;
    // Another program may have done it while this one waited for the lock.
    bool ok = ReadStale(db, rows, error);
    std::set<std::string> tables;
    for (const SchemaRow& row : rows)
        tables.insert(row.table);
    ok = ok && (rows.empty() || (Rewrite(db, rows, error) && Reindex(db, tables, error)));
    if (ok && SqliteExec(db, "commit", error))
        return true;
    std::string ignored;
    SqliteExec(db, "rollback", ignored);
    return false;
}
