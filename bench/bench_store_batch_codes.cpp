// Storing the codes of one batch: StoreBatchCodes through the data layer beside a plain
// sqlite3 prepared-statement loop that writes the same rows into the same schema, then
// StoreBatchCodes on a throw-away PostgreSQL cluster. The last line is ratio=<layer/plain>.
//
//   bench_store_batch_codes [codes]      (999999 when not given)
#include "code_generator.h"
#include "store_batch_codes.h"

#include "case_fold.h"
#include "clock.h"
#include "db_connection.h"
#include "db_recordset.h"
#include "execute_sql.h"
#include "pg_cluster.h"
#include "schema.h"

#include <sqlite3.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

constexpr int kBatchNumber = 1;
const char* const kName = "基准批次";

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

bool Prepare(CDbConnection& connection, const std::string& connectionString, int codes, std::string& error)
{
    if (!connection.Open(connectionString, -1)) {
        error = connection.GetErrorsText();
        return false;
    }
    if (!CreateSchema(connection, error))
        return false;
    return RunSql(
        connection,
        "insert into ProductGroupTable (ProductName,ProductRemark,ProductCount,ProductStatus,ProductCode) values ('" +
            std::string(kName) + "',' '," + std::to_string(codes) + ",'未启用'," + std::to_string(kBatchNumber) + ")",
        error);
}

long CountCodes(CDbConnection& connection)
{
    CDbRecordset recordset;
    recordset.SetConnection(&connection);
    std::string count;
    if (recordset.Open("select count(*) as N from ProductTable", 1, 3, 3) != 1 || !recordset.GetFieldValue("N", count))
        return -1;
    return std::atol(count.c_str());
}

// The console's run: the hook does what the page's does every 100 codes, minus the window.
double TimeStoreBatchCodes(CDbConnection& connection, int codes)
{
    long pumps = 0;
    const auto start = std::chrono::steady_clock::now();
    const bool stored = StoreBatchCodes(
        connection, TheSystemClock(), kName, kBatchNumber, codes, [&](int serial) { pumps += serial % 100 == 0; },
        nullptr);
    const double seconds = Seconds(start);
    if (!stored || CountCodes(connection) != codes) {
        std::fprintf(stderr, "StoreBatchCodes did not store %d codes\n", codes);
        std::exit(1);
    }
    return seconds;
}

bool Exec(sqlite3* db, const char* sql)
{
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK)
        return true;
    std::fprintf(stderr, "%s: %s\n", sql, sqlite3_errmsg(db));
    return false;
}

// The same rows with one prepared insert, bound and stepped per code, in one transaction,
// with the journal settings the provider uses.
double TimePlainSqlite(const std::string& path, int codes)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK || !RegisterFoldCollation(db)) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        std::exit(1);
    }
    sqlite3_stmt* insert = nullptr;
    sqlite3_stmt* setNumber[2] = {nullptr, nullptr};
    const auto start = std::chrono::steady_clock::now();
    bool ok =
        Exec(db, "PRAGMA journal_mode=WAL") && Exec(db, "PRAGMA synchronous=NORMAL") && Exec(db, "BEGIN IMMEDIATE") &&
        sqlite3_prepare_v2(db,
                           "insert into ProductTable (ProductID,ProductCode,QueryCount,ProductName) values (?,?,0,?)",
                           -1, &insert, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db, "update ProductGroupTable set StartNumber=? where ProductName=?", -1, &setNumber[0],
                           nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db, "update ProductGroupTable set EndNumber=? where ProductName=?", -1, &setNumber[1],
                           nullptr) == SQLITE_OK;
    for (int i = 0; ok && i < codes; ++i) {
        const CodeGenerator::Code code = CodeGenerator::Compose(kBatchNumber, i, TheSystemClock().Now());
        sqlite3_bind_text(insert, 1, code.productId.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, code.productCode.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, kName, -1, SQLITE_STATIC);
        ok = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
        if (ok && (i == 0 || i == codes - 1)) {
            sqlite3_stmt* update = setNumber[i == 0 ? 0 : 1];
            sqlite3_bind_text(update, 1, code.productId.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(update, 2, kName, -1, SQLITE_STATIC);
            ok = sqlite3_step(update) == SQLITE_DONE;
            sqlite3_reset(update);
        }
    }
    ok = ok &&
         Exec(db,
              "update ProductGroupTable set CreateCodeTime=datetime('now','localtime') where ProductName='基准批次'") &&
         Exec(db, "COMMIT");
    const double seconds = Seconds(start);
    if (!ok) {
        std::fprintf(stderr, "plain loop failed: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
    sqlite3_finalize(insert);
    sqlite3_finalize(setNumber[0]);
    sqlite3_finalize(setNumber[1]);
    sqlite3_close(db);
    return seconds;
}

} // namespace

int main(int argc, char** argv)
{
    const int codes = argc > 1 ? std::atoi(argv[1]) : 999999;
    if (codes < 1 || codes > 1000000) {
        std::fprintf(stderr, "usage: bench_store_batch_codes [codes 1..1000000]\n");
        return 2;
    }
    char pattern[] = "/tmp/bench-store-batch-codes-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }
    const std::filesystem::path folder = pattern;
    std::string error;

    // StoreBatchCodes on SQLite.
    double layer = 0;
    {
        CDbConnection connection;
        if (!Prepare(connection, "Provider=SQLite;Data Source=" + (folder / "layer.db").string() + ";Create=true;",
                     codes, error)) {
            std::fprintf(stderr, "sqlite: %s\n", error.c_str());
            return 1;
        }
        layer = TimeStoreBatchCodes(connection, codes);
    }
    std::printf("sqlite StoreBatchCodes, %d codes: %.2f s (%.0f codes/s)\n", codes, layer, codes / layer);

    // The plain loop on a second file made with the same schema.
    const std::string plainPath = (folder / "plain.db").string();
    {
        CDbConnection connection;
        if (!Prepare(connection, "Provider=SQLite;Data Source=" + plainPath + ";Create=true;", codes, error)) {
            std::fprintf(stderr, "sqlite: %s\n", error.c_str());
            return 1;
        }
    }
    const double plain = TimePlainSqlite(plainPath, codes);
    std::printf("sqlite plain prepared-statement loop, %d codes: %.2f s (%.0f codes/s)\n", codes, plain, codes / plain);
    std::filesystem::remove_all(folder);

    // StoreBatchCodes on PostgreSQL, over the cluster's Unix socket.
    PgCluster* cluster = PgCluster::FindBinaries().empty() ? nullptr : PgCluster::Shared(error);
    std::string connectionString;
    if (!cluster) {
        std::printf("postgresql StoreBatchCodes: skipped (%s)\n",
                    error.empty() ? "PostgreSQL server not installed" : error.c_str());
    } else if (!cluster->CreateDatabase(connectionString, error)) {
        std::printf("postgresql StoreBatchCodes: skipped (%s)\n", error.c_str());
    } else {
        CDbConnection connection;
        if (!Prepare(connection, connectionString, codes, error)) {
            std::fprintf(stderr, "postgresql: %s\n", error.c_str());
            return 1;
        }
        const double seconds = TimeStoreBatchCodes(connection, codes);
        std::printf("postgresql StoreBatchCodes, %d codes: %.2f s (%.0f codes/s)\n", codes, seconds, codes / seconds);
    }

    std::printf("ratio=%.2f\n", layer / plain);
    return 0;
}
