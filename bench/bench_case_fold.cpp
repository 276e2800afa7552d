// What folding letters of every script costs SQLite against its ASCII-only NOCASE, on the
// work that leans on the collation most: writing a million-code batch into ProductTable's
// ProductID index, and looking codes up by ProductID as the gateway host does. Both run in
// the same process on the same machine, one after the other.
//
//   bench_case_fold [codes]      (default 999999)
#include "case_fold.h"

#include <sqlite3.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

struct Figures {
    double insertSeconds = 0;
    double lookupSeconds = 0;
    long found = 0;
};

bool Exec(sqlite3* db, const std::string& sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    std::fprintf(stderr, "%s: %s\n", sql.c_str(), message ? message : "?");
    sqlite3_free(message);
    return false;
}

Figures Measure(const std::string& path, const char* collation, int codes, int lookups)
{
    Figures figures;
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK || !RegisterFoldCollation(db) ||
        !Exec(db, "PRAGMA journal_mode=WAL") || !Exec(db, "PRAGMA synchronous=NORMAL") ||
        !Exec(db, std::string("CREATE TABLE ProductTable (ProductID TEXT COLLATE ") + collation +
                      ", ProductCode TEXT COLLATE " + collation + ")") ||
        !Exec(db, "CREATE INDEX ProductTable_ProductID ON ProductTable (ProductID)"))
        std::exit(1);

    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO ProductTable VALUES (?,?)", -1, &insert, nullptr);
    auto start = std::chrono::steady_clock::now();
    Exec(db, "BEGIN IMMEDIATE");
    char id[16], code[16];
    for (int i = 0; i < codes; ++i) {
        std::snprintf(id, sizeof id, "%02d%06d", 42, i);
        std::snprintf(code, sizeof code, "%08d", static_cast<int>((static_cast<long long>(i) * 7919) % 100000000));
        sqlite3_bind_text(insert, 1, id, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, code, -1, SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    Exec(db, "COMMIT");
    figures.insertSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    sqlite3_finalize(insert);

    sqlite3_stmt* lookup = nullptr;
    sqlite3_prepare_v2(db, "SELECT count(*) FROM ProductTable WHERE ProductID=?", -1, &lookup, nullptr);
    start = std::chrono::steady_clock::now();
    for (int i = 0; i < lookups; ++i) {
        std::snprintf(id, sizeof id, "%02d%06d", 42, static_cast<int>((static_cast<long long>(i) * 104729) % codes));
        sqlite3_bind_text(lookup, 1, id, -1, SQLITE_TRANSIENT);
        if (sqlite3_step(lookup) == SQLITE_ROW)
            figures.found += sqlite3_column_int(lookup, 0);
        sqlite3_reset(lookup);
    }
    figures.lookupSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    sqlite3_finalize(lookup);
    sqlite3_close(db);
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    const int codes = argc > 1 ? std::atoi(argv[1]) : 999999;
    if (codes < 1) {
        std::fprintf(stderr, "usage: bench_case_fold [codes]\n");
        return 2;
    }
    const int lookups = 100000;
    char folder[] = "/tmp/bench-case-fold-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    const Figures ascii = Measure(std::string(folder) + "/nocase.db", "NOCASE", codes, lookups);
    const Figures folded = Measure(std::string(folder) + "/folded.db", kFoldCollation, codes, lookups);
    std::filesystem::remove_all(folder);
    if (ascii.found != lookups || folded.found != lookups) {
        std::fprintf(stderr, "lookups found %ld and %ld rows of %d\n", ascii.found, folded.found, lookups);
        return 1;
    }
    std::printf("%d codes written in one transaction (ProductID indexed):\n", codes);
    std::printf("  NOCASE (baseline)    %7.2f s\n", ascii.insertSeconds);
    std::printf("  %-20s %7.2f s  (%.2fx)\n", kFoldCollation, folded.insertSeconds,
                folded.insertSeconds / ascii.insertSeconds);
    std::printf("%d lookups by ProductID:\n", lookups);
    std::printf("  NOCASE (baseline)    %7.2f s\n", ascii.lookupSeconds);
    std::printf("  %-20s %7.2f s  (%.2fx)\n", kFoldCollation, folded.lookupSeconds,
                folded.lookupSeconds / ascii.lookupSeconds);
    return 0;
}
