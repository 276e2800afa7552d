// What folding letters of every script costs on SQLite, now that the stored schema names
// only NOCASE (any SQLite program can write it) and the data layer names its own collation
// in a statement beside a text with letters beyond ASCII. Baseline, in the same run: the
// earlier schema, whose columns and indexes carried that collation. Figures:
//   - writing a batch of codes into ProductTable (ProductID and ProductName indexed);
//   - looking codes up by ProductID, as the gateway host does;
//   - counting a batch's codes by name: a Chinese name, and one with full-width letters
//     (that one now compares through the collation, so no NOCASE index serves it);
//   - bringing a file of the earlier schema up to date when it is first opened.
//
//   bench_case_fold [codes]      (default 999999)
#include "case_fold.h"
#include "clock.h"
#include "jet_translator.h"
#include "stored_collation_upgrade.h"

#include <sqlite3.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

constexpr int kBatches = 10;
const char* const kChineseName = "复合肥批次";
const char* const kFullWidthName = "Ａ级复合肥"; // the last batch

struct Figures {
    double insertSeconds = 0;
    double lookupSeconds = 0;
    double chineseNameSeconds = 0;
    double fullWidthNameSeconds = 0;
    long found = 0;
};

double Since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool Exec(sqlite3* db, const std::string& sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    std::fprintf(stderr, "%s: %s\n", sql.substr(0, 200).c_str(), message ? message : "?");
    sqlite3_free(message);
    return false;
}

// The statement as the data layer sends it to SQLite, with its one text bound.
long CountWhere(sqlite3* db, const std::string& statement)
{
    JetTranslator translator(SqlDialect::SQLite);
    translator.Parametrise(statement, TheSystemClock(), false);
    sqlite3_stmt* select = nullptr;
    if (sqlite3_prepare_v2(db, translator.Skeleton().c_str(), -1, &select, nullptr) != SQLITE_OK)
        std::exit(1);
    const auto text = translator.Literals().at(0).text;
    sqlite3_bind_text(select, 1, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    const long n = sqlite3_step(select) == SQLITE_ROW ? sqlite3_column_int64(select, 0) : -1;
    sqlite3_finalize(select);
    return n;
}

std::string BatchName(int batch)
{
    return batch == kBatches - 1 ? kFullWidthName : kChineseName + std::to_string(batch);
}

Figures Measure(const std::string& path, const char* collation, int codes, int lookups)
{
    Figures figures;
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK || !RegisterFoldCollation(db) ||
        !Exec(db, "PRAGMA journal_mode=WAL") || !Exec(db, "PRAGMA synchronous=NORMAL") ||
        !Exec(db, std::string("CREATE TABLE ProductTable (ProductID TEXT COLLATE ") + collation +
                      ", ProductCode TEXT COLLATE " + collation + ", ProductName TEXT COLLATE " + collation + ")") ||
        !Exec(db, "CREATE INDEX ProductTable_ProductID ON ProductTable (ProductID)") ||
        !Exec(db, "CREATE INDEX ProductTable_ProductName ON ProductTable (ProductName)"))
        std::exit(1);

    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO ProductTable VALUES (?,?,?)", -1, &insert, nullptr);
    auto start = std::chrono::steady_clock::now();
    Exec(db, "BEGIN IMMEDIATE");
    char id[16], code[16];
    for (int i = 0; i < codes; ++i) {
        std::snprintf(id, sizeof id, "%02d%06d", 42, i);
        std::snprintf(code, sizeof code, "%08d", static_cast<int>((static_cast<long long>(i) * 7919) % 100000000));
        const std::string name = BatchName(static_cast<int>(static_cast<long long>(i) * kBatches / codes));
        sqlite3_bind_text(insert, 1, id, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, code, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    Exec(db, "COMMIT");
    figures.insertSeconds = Since(start);
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
    figures.lookupSeconds = Since(start);
    sqlite3_finalize(lookup);

    // The count of a batch's codes, as enabling or deleting a batch touches them.
    const std::string chinese = "select count(*) from ProductTable where ProductName='" + BatchName(0) + "'";
    const std::string fullWidth = "select count(*) from ProductTable where ProductName='ａ级复合肥'";
    start = std::chrono::steady_clock::now();
    const long chineseRows = CountWhere(db, chinese);
    figures.chineseNameSeconds = Since(start);
    start = std::chrono::steady_clock::now();
    const long fullWidthRows = CountWhere(db, fullWidth);
    figures.fullWidthNameSeconds = Since(start);
    if (chineseRows < 1 || fullWidthRows < 1) {
        std::fprintf(stderr, "%s: the batches by name found %ld and %ld codes\n", collation, chineseRows,
                     fullWidthRows);
        std::exit(1);
    }
    sqlite3_close(db);
    return figures;
}

double Upgrade(const std::string& path)
{
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK || !RegisterFoldCollation(db))
        std::exit(1);
    const auto start = std::chrono::steady_clock::now();
    std::string error;
    if (!UpgradeStoredCollation(db, error)) {
        std::fprintf(stderr, "upgrade: %s\n", error.c_str());
        std::exit(1);
    }
    const double seconds = Since(start);
    sqlite3_close(db);
    return seconds;
}

void Line(const char* what, double seconds, double baseline)
{
    std::printf("  %-34s %8.3f s  (%.2fx the baseline)\n", what, seconds, seconds / baseline);
}

} // namespace

int main(int argc, char** argv)
{
    const int codes = argc > 1 ? std::atoi(argv[1]) : 999999;
    if (codes < kBatches) {
        std::fprintf(stderr, "usage: bench_case_fold [codes]   (at least %d)\n", kBatches);
        return 2;
    }
    const int lookups = 100000;
    char folder[] = "/tmp/bench-case-fold-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    const Figures before = Measure(std::string(folder) + "/earlier.db", kFoldCollation, codes, lookups);
    const Figures now = Measure(std::string(folder) + "/now.db", "NOCASE", codes, lookups);
    const double upgrade = Upgrade(std::string(folder) + "/earlier.db");
    std::filesystem::remove_all(folder);
    if (before.found != lookups || now.found != lookups) {
        std::fprintf(stderr, "lookups found %ld and %ld rows of %d\n", before.found, now.found, lookups);
        return 1;
    }
    std::printf("%d codes in %d batches; baseline: the earlier schema (%s on the columns)\n", codes, kBatches,
                kFoldCollation);
    std::printf("writing the codes in one transaction:\n");
    std::printf("  %-34s %8.3f s\n", "baseline", before.insertSeconds);
    Line("NOCASE columns", now.insertSeconds, before.insertSeconds);
    std::printf("%d lookups by ProductID:\n", lookups);
    std::printf("  %-34s %8.3f s\n", "baseline", before.lookupSeconds);
    Line("NOCASE columns", now.lookupSeconds, before.lookupSeconds);
    std::printf("counting one batch's codes by a Chinese name:\n");
    std::printf("  %-34s %8.3f s\n", "baseline", before.chineseNameSeconds);
    Line("NOCASE columns (index)", now.chineseNameSeconds, before.chineseNameSeconds);
    std::printf("counting one batch's codes by a name with full-width letters:\n");
    std::printf("  %-34s %8.3f s\n", "baseline", before.fullWidthNameSeconds);
    Line("NOCASE columns (whole table read)", now.fullWidthNameSeconds, before.fullWidthNameSeconds);
    std::printf("bringing the earlier file up to date (first open):\n");
    std::printf("  %-34s %8.3f s\n", "tables rewritten, one index rebuilt", upgrade);
    return 0;
}
