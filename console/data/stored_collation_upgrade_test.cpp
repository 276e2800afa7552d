#include "case_fold.h"
#include "db_connection.h"
#include "db_recordset.h"
#include "schema.h"
#include "sqlite_file_test.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// The tables as the version before this one made them: its own collation on every text column.
std::string EarlierSchema()
{
    std::string script = SchemaScript(SqlDialect::SQLite);
    const std::string from = "COLLATE NOCASE", to = "COLLATE VARNHOLT_NOCASE";
    for (std::size_t at; (at = script.find(from)) != std::string::npos;)
        script.replace(at, from.size(), to);
    return script;
}

class AnySqliteProgramTest : public SqliteFileTest {
protected:
    // The sqlite3 shell on the file: exit status and what it printed.
    std::pair<int, std::string> Shell(const std::string& sql)
    {
        const std::string script = m_folder + "/script.sql";
        std::ofstream(script) << sql;
        FILE* pipe = popen((std::string(SQLITE3_PROGRAM) + " -bail " + m_path + " < " + script + " 2>&1").c_str(), "r");
        std::string out;
        char buffer[512];
        while (pipe && std::fgets(buffer, sizeof buffer, pipe))
            out += buffer;
        const int status = pipe ? pclose(pipe) : -1;
        return {status, out};
    }
};

// Keys that the old collation and SQLite's NOCASE put in different orders, so an index
// kept as it was would be out of order after the change.
const char* const kBatches =
    "insert into ProductTable (ProductID,ProductCode,QueryCount,ProductName,UseStatus) values "
    "('42000000','11111111',0,'Éz',1),('42000001','22222222',0,'éa',1),('42000002','33333333',0,'Ａb',1),"
    "('42000003','44444444',0,'复合肥',1),('42000004','55555555',0,'Tea',1);"
    "insert into ProductGroupTable (ProductName,ProductCount,ProductStatus,ProductCode) values ('Éz',1,'启用',42);";

// What a gateway host of another author does, with nothing but SQLite.
const char* const kHostWork =
    "insert into SendSmsTable (SendStatus,SendTime,PhoneNumber,SmsContent,NewFlag) "
    "values ('接收','2026-01-05 10:00:00','13912345678','查询',1);\n"
    "insert into QueryLogTable (QueryTime,QueryPhoneNumber,QueryProductID,QueryProductCode,RealProductCode,"
    "QueryStatus,QueryComm,QueryProv,QueryCity,ProductName) values ('2026-01-05 10:00:00','13912345678',"
    "'42000000','11111111','11111111',1,'ttyUSB0','江苏','常州','Éz');\n"
    "update ProductTable set QueryCount=QueryCount+1 where ProductID='42000000';\n"
    "select count(*) from ProductTable where ProductName='tea';\n"
    "pragma integrity_check;\n";

} // namespace

// A database made by the console, today or by the version before (whose file named a
// collation of its own and is brought up to date when opened), is written by the sqlite3
// shell as by any program; the console still folds letters beyond ASCII on it.
TEST_F(AnySqliteProgramTest, ShellWritesTheTablesAHostWrites)
{
    for (const bool earlier : {false, true}) {
        SCOPED_TRACE(earlier ? "made by the earlier version" : "made now");
        fs::remove(m_path);
        if (earlier) {
            WritePlain(EarlierSchema() + kBatches, RegisterFoldCollation);
        } else {
            CDbConnection maker;
            ASSERT_TRUE(maker.Open(ConnectionString("Create=true;"), -1)) << maker.GetErrorsText();
            std::string error;
            ASSERT_TRUE(CreateSchema(maker, error)) << error;
            maker.CloseIfOpen();
            WritePlain(kBatches, RegisterFoldCollation);
        }
        CDbConnection console;
        ASSERT_TRUE(console.Open(ConnectionString(), -1)) << console.GetErrorsText();
        console.CloseIfOpen();

        const auto [status, out] = Shell(kHostWork);
        EXPECT_EQ(status, 0) << out;
        EXPECT_EQ(out, "1\nok\n");

        ASSERT_TRUE(console.Open(ConnectionString(), -1)) << console.GetErrorsText();
        EXPECT_EQ(Scalar(console, "select count(*) as N from SendSmsTable where NewFlag=1", "N"), "1");
        EXPECT_EQ(Scalar(console, "select count(*) as N from QueryLogTable where ProductName='ÉZ'", "N"), "1");
        EXPECT_EQ(Scalar(console, "select QueryCount as N from ProductTable where ProductID='42000000'", "N"), "1");
        EXPECT_EQ(Scalar(console, "select count(*) as N from ProductTable where ProductName='ａB'", "N"), "1");
        EXPECT_EQ(Scalar(console, "select count(*) as N from ProductGroupTable where ProductName='éZ'", "N"), "1");
        console.CloseIfOpen();
    }
}

// While another program holds the write lock the file cannot be changed: it opens and
// works as it is, and the next open brings it up to date.
TEST_F(AnySqliteProgramTest, EarlierFileOpensWhileAnotherProgramWrites)
{
    WritePlain(EarlierSchema() + kBatches, RegisterFoldCollation);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(m_path.c_str(), &other), SQLITE_OK);
    ASSERT_TRUE(RegisterFoldCollation(other));
    ASSERT_EQ(sqlite3_exec(other, "pragma journal_mode=wal; begin immediate", nullptr, nullptr, nullptr), SQLITE_OK);
    {
        CDbConnection console;
        ASSERT_TRUE(console.Open(ConnectionString("Lock Timeout=50;"), -1)) << console.GetErrorsText();
        EXPECT_EQ(Scalar(console, "select count(*) as N from ProductTable where ProductName='ÉA'", "N"), "1");
    }
    sqlite3_exec(other, "commit", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_NE(Shell("select sql from sqlite_schema;").second.find("VARNHOLT_NOCASE"), std::string::npos);

    CDbConnection console;
    ASSERT_TRUE(console.Open(ConnectionString(), -1)) << console.GetErrorsText();
    const auto [status, out] = Shell("select sql from sqlite_schema;");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out.find("VARNHOLT_NOCASE"), std::string::npos) << out;
}
