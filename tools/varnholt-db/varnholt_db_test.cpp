#include "code_generator.h"

#include "db_connection.h"
#include "db_provider.h"
#include "db_recordset.h"
#include "pg_cluster.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int LineCount(const std::string& text)
{
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

// Rows of a statement on an SQLite file, read with sqlite3 itself rather than the console's
// layer, as any other program would see the file.
class SqliteFile final {
public:
    explicit SqliteFile(const fs::path& path)
    {
        if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
            ADD_FAILURE() << "cannot open " << path;
    }
    ~SqliteFile() { sqlite3_close(m_db); }
    SqliteFile(const SqliteFile&) = delete;
    SqliteFile& operator=(const SqliteFile&) = delete;

    std::vector<std::vector<std::string>> Rows(const std::string& sql)
    {
        std::vector<std::vector<std::string>> rows;
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sql << ": " << sqlite3_errmsg(m_db);
            return rows;
        }
        while (sqlite3_step(statement) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int i = 0; i < sqlite3_column_count(statement); ++i) {
                const auto* text = sqlite3_column_text(statement, i);
                row.emplace_back(text ? reinterpret_cast<const char*>(text) : "<null>");
            }
            rows.push_back(std::move(row));
        }
        sqlite3_finalize(statement);
        return rows;
    }
    std::string Scalar(const std::string& sql)
    {
        const auto rows = Rows(sql);
        return rows.empty() || rows[0].empty() ? std::string("<none>") : rows[0][0];
    }
    long Count(const std::string& sql) { return std::stol(Scalar(sql)); }

private:
    sqlite3* m_db = nullptr;
};

class VarnholtDbTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/varnholt-db-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    ToolRun Run(const std::vector<std::string>& args)
    {
        const fs::path out = m_dir / "stdout.txt";
        const fs::path err = m_dir / "stderr.txt";
        const pid_t pid = fork();
        if (pid == 0) {
            const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(outFd, 1);
            dup2(errFd, 2);
            std::vector<char*> argv;
            argv.push_back(const_cast<char*>(VARNHOLT_DB_PROGRAM));
            for (const auto& arg : args)
                argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            execv(VARNHOLT_DB_PROGRAM, argv.data());
            _exit(127);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        ToolRun run;
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.out = ReadAll(out);
        run.err = ReadAll(err);
        return run;
    }

    // A fresh database at db holding one batch named 'keep me', then extraSql run on it: what
    // a refused or failed replacement must leave as it was.
    void InitWithKeptBatch(const fs::path& db, const std::string& extraSql)
    {
        ASSERT_EQ(Run({"init", db.string()}).exitCode, 0);
        sqlite3* handle = nullptr;
        ASSERT_EQ(sqlite3_open(db.c_str(), &handle), SQLITE_OK);
        const std::string sql = "insert into ProductGroupTable (ProductName,ProductCount,ProductStatus,ProductCode) "
                                "values ('keep me',1,'未启用',1); " +
                                extraSql;
        const int rc = sqlite3_exec(handle, sql.c_str(), nullptr, nullptr, nullptr);
        sqlite3_close(handle);
        ASSERT_EQ(rc, SQLITE_OK) << sql;
    }
    static long KeptBatches(const fs::path& db)
    {
        return SqliteFile(db).Count("select count(*) from ProductGroupTable where ProductName='keep me'");
    }

    fs::path m_dir;
};

// Each test on a server gets a fresh database of the shared throw-away cluster.
class VarnholtDbToolOnServer : public VarnholtDbTool {
protected:
    void SetUp() override
    {
        VarnholtDbTool::SetUp();
        if (PgCluster::FindBinaries().empty())
            GTEST_SKIP() << "PostgreSQL server not installed";
        std::string error;
        PgCluster* cluster = PgCluster::Shared(error);
        ASSERT_NE(cluster, nullptr) << error;
        ASSERT_TRUE(cluster->CreateDatabase(m_connectionString, error)) << error;
    }

    std::string m_connectionString;
};

// The number a statement selects as N, or -1 where it fails.
long ServerCount(CDbConnection& connection, const std::string& statement)
{
    CDbRecordset recordset;
    recordset.SetConnection(&connection);
    std::string value = "-1";
    if (recordset.Open(statement, 1, 3, 3) == 1)
        recordset.GetFieldValue("N", value);
    return std::stol(value);
}

const std::vector<std::string> kProvinces = {"安徽", "北京",   "福建",   "甘肃", "广东", "广西", "贵州", "海南",
                                             "河北", "河南",   "黑龙江", "湖北", "湖南", "吉林", "江苏", "江西",
                                             "辽宁", "内蒙古", "宁夏",   "青海", "山东", "山西", "陕西", "上海",
                                             "四川", "天津",   "西藏",   "新疆", "云南", "浙江", "重庆"};

} // namespace

TEST_F(VarnholtDbTool, InitCreatesTheTablesAndTheCitiesOfEveryProvince)
{
    const fs::path db = m_dir / "Varnholt.db";
    const ToolRun run = Run({"init", db.string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(LineCount(run.out), 1);

    SqliteFile file(db);
    // SendSmsLease too: a gateway host's user then needs no right to create it.
    for (const char* table :
         {"ProductGroupTable", "ProductTable", "QueryLogTable", "SendSmsTable", "SendSmsLease", "AddressTable"})
        EXPECT_EQ(
            file.Count(std::string("select count(*) from sqlite_master where type='table' and name='") + table + "'"),
            1)
            << table;

    std::vector<std::string> provinces;
    for (const auto& row : file.Rows("select distinct ProvName from AddressTable"))
        provinces.push_back(row[0]);
    std::sort(provinces.begin(), provinces.end());
    std::vector<std::string> expected = kProvinces;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(provinces, expected);

    // Spot checks: a province's capital, a municipality's district, a short name.
    for (const auto& [prov, city] : std::vector<std::pair<std::string, std::string>>{{"广东", "广州"},
                                                                                     {"广东", "深圳"},
                                                                                     {"北京", "海淀"},
                                                                                     {"上海", "浦东"},
                                                                                     {"重庆", "万州"},
                                                                                     {"新疆", "乌鲁木齐"},
                                                                                     {"西藏", "拉萨"},
                                                                                     {"吉林", "吉林"},
                                                                                     {"黑龙江", "大兴安岭"}})
        EXPECT_EQ(
            file.Count("select count(*) from AddressTable where ProvName='" + prov + "' and CityName='" + city + "'"),
            1)
            << prov << " " << city;
    EXPECT_EQ(file.Count("select count(*) from AddressTable where CityName like '%市'"), 0);
    EXPECT_EQ(file.Count("select count(*) from (select ProvName,CityName from AddressTable group by ProvName,CityName "
                         "having count(*)>1)"),
              0);
    EXPECT_EQ(file.Count("select count(*) from ProductGroupTable"), 0);
}

TEST_F(VarnholtDbTool, LeavesAnExistingDatabaseAloneUnlessForced)
{
    const fs::path db = m_dir / "Varnholt.db";
    InitWithKeptBatch(db, "");
    if (HasFatalFailure())
        return;

    const ToolRun refused = Run({"init", db.string(), "--demo"});
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_EQ(LineCount(refused.err), 1) << refused.err;
    EXPECT_NE(refused.err.find("--force"), std::string::npos) << refused.err;
    EXPECT_EQ(KeptBatches(db), 1);

    // Also a file that is not a database at all.
    const fs::path notes = m_dir / "notes.txt";
    std::ofstream(notes) << "not a database\n";
    EXPECT_NE(Run({"init", notes.string()}).exitCode, 0);
    EXPECT_EQ(ReadAll(notes), "not a database\n");

    const ToolRun forced = Run({"init", "--force", "Provider=SQLite;Data Source=" + db.string() + ";"});
    ASSERT_EQ(forced.exitCode, 0) << forced.err;
    SqliteFile file(db);
    EXPECT_EQ(file.Count("select count(*) from ProductGroupTable"), 0);
    EXPECT_EQ(file.Count("select count(distinct ProvName) from AddressTable"), 31);
}

TEST_F(VarnholtDbTool, ForcedReplacementIsAllOrNothing)
{
    const fs::path db = m_dir / "Varnholt.db";
    // A stray table named like one of the indexes makes the new schema fail half way.
    InitWithKeptBatch(db, "drop index AddressTable_ProvName; create table AddressTable_ProvName (x)");
    if (HasFatalFailure())
        return;
    const ToolRun forced = Run({"init", db.string(), "--force"});
    EXPECT_NE(forced.exitCode, 0);
    EXPECT_EQ(LineCount(forced.err), 1) << forced.err;
    EXPECT_EQ(KeptBatches(db), 1);
}

TEST_F(VarnholtDbTool, KilledDemoLeavesNoHalfFilledFile)
{
    const fs::path db = m_dir / "Varnholt.db";
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execl(VARNHOLT_DB_PROGRAM, VARNHOLT_DB_PROGRAM, "init", db.c_str(), "--demo", static_cast<char*>(nullptr));
        _exit(127);
    }
    usleep(300000); // somewhere inside the run; where does not matter to what follows
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    if (fs::exists(db)) {
        EXPECT_GE(SqliteFile(db).Count("select count(*) from QueryLogTable"), 2000) << "finished before the kill";
        return;
    }
    const ToolRun again = Run({"init", db.string(), "--demo"});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_GE(SqliteFile(db).Count("select count(*) from QueryLogTable"), 2000);
}

TEST_F(VarnholtDbTool, ConnectionStringComesFromAFileStandardInputOrTheEnvironment)
{
    const std::string program = VARNHOLT_DB_PROGRAM;
    const auto run = [&](const std::string& command) {
        const int status = std::system((command + " >'" + (m_dir / "out").string() + "' 2>&1").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    const auto target = [&](const char* name) {
        return "Provider=SQLite;Data Source=" + (m_dir / name).string() + ";";
    };
    std::ofstream(m_dir / "link.ini") << target("from-file.db") << "\r\n";
    const struct {
        const char* name;
        std::string command;
    } cases[] = {
        {"from-file.db", "'" + program + "' init --link '" + (m_dir / "link.ini").string() + "'"},
        {"from-stdin.db", "echo '" + target("from-stdin.db") + "' | '" + program + "' init -"},
        {"from-env.db", "VARNHOLT_DB='" + target("from-env.db") + "' '" + program + "' init"},
    };
    const mode_t saved = umask(022);
    for (const auto& c : cases) {
        EXPECT_EQ(run(c.command), 0) << c.command << ": " << ReadAll(m_dir / "out");
        ASSERT_TRUE(fs::exists(m_dir / c.name)) << c.name;
        EXPECT_EQ(SqliteFile(m_dir / c.name).Count("select count(distinct ProvName) from AddressTable"), 31);
        // Owner and group only: the codes are no one else's business.
        EXPECT_EQ(fs::status(m_dir / c.name).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::group_write);
    }
    umask(saved);
    EXPECT_NE(run("'" + program + "' init --link '" + (m_dir / "missing.ini").string() + "'"), 0);

    const ToolRun help = Run({"--help"});
    for (const char* mentioned : {"--link", "standard input", "VARNHOLT_DB", "sms-number"})
        EXPECT_NE(help.out.find(mentioned), std::string::npos) << mentioned;
}

TEST_F(VarnholtDbTool, NamesTheServiceNumberForTheStickers)
{
    const std::string command = "KELVANE_HOME='" + m_dir.string() + "' '" VARNHOLT_DB_PROGRAM "' sms-number ";
    const std::string out = " >'" + (m_dir / "out").string() + "' 2>&1";
    EXPECT_EQ(std::system((command + "1065712345678" + out).c_str()), 0) << ReadAll(m_dir / "out");
    EXPECT_NE(ReadAll(m_dir / "Varnholt-stickers.ini").find("SmsNumber=1065712345678"), std::string::npos);
    EXPECT_NE(std::system((command + "'call us'" + out).c_str()), 0);
    EXPECT_EQ(LineCount(ReadAll(m_dir / "out")), 1) << ReadAll(m_dir / "out");
    EXPECT_NE(ReadAll(m_dir / "Varnholt-stickers.ini").find("SmsNumber=1065712345678"), std::string::npos);
}

TEST_F(VarnholtDbTool, EveryFailureIsOneLineAndNonZero)
{
    struct Case {
        std::vector<std::string> args;
        const char* leftOut; // must not appear in the message
    };
    const std::string missingDir = (m_dir / "no-such-dir" / "Varnholt.db").string();
    const std::vector<Case> cases = {
        {{}, nullptr},
        {{"create", "x.db"}, nullptr},
        {{"init"}, nullptr},
        {{"init", "a.db", "b.db"}, nullptr},
        {{"init", "a.db", "--quick"}, nullptr},
        {{"init", "a.db", "--demo", "--queries"}, nullptr},
        {{"init", "a.db", "--demo", "--queries", "0"}, nullptr},
        {{"init", "a.db", "--demo", "--queries", "12x"}, nullptr},
        {{"init", "a.db", "--demo", "--queries", "-5"}, nullptr},
        {{"init", "a.db", "--demo", "--queries", "99999999999999999999"}, nullptr},
        {{"init", "a.db", "--queries", "100"}, nullptr},
        {{"init", missingDir}, nullptr},
        {{"init", m_dir.string()}, nullptr},
        {{"init", "Provider=Jet;Data Source=x.mdb;"}, nullptr},
        {{"init", "Provider=SQLite;"}, nullptr},
        {{"init",
          "Provider=PostgreSQL;Host=" + m_dir.string() + ";Port=1;Database=none;User ID=nobody;Password=s3cret;"},
         "s3cret"},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const auto& arg : c.args)
            line += arg + " ";
        SCOPED_TRACE(line);
        const ToolRun run = Run(c.args);
        EXPECT_NE(run.exitCode, 0);
        EXPECT_EQ(LineCount(run.err), 1) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
        if (c.leftOut) {
            EXPECT_EQ(run.err.find(c.leftOut), std::string::npos) << run.err;
        }
    }
    EXPECT_FALSE(fs::exists(m_dir / "no-such-dir"));
}

TEST_F(VarnholtDbTool, DemoDataCoversEveryPage)
{
    const fs::path db = m_dir / "Varnholt.db";
    const ToolRun run = Run({"init", db.string(), "--demo"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    SqliteFile file(db);

    // Batches in every state, with their codes.
    for (const char* status : {"未启用", "启用", "停用"})
        EXPECT_GE(file.Count(std::string("select count(*) from ProductGroupTable where ProductStatus='") + status +
                             "' and CreateCodeTime is not null"),
                  2)
            << status;
    for (const auto& row : file.Rows("select ProductName,ProductCount,ProductCode,StartNumber,EndNumber,"
                                     "(select count(*) from ProductTable p where p.ProductName=g.ProductName) "
                                     "from ProductGroupTable g where CreateCodeTime is not null")) {
        SCOPED_TRACE(row[0]);
        EXPECT_EQ(row[1], row[5]);
        char first[16], last[16];
        std::snprintf(first, sizeof first, "%02d000000", std::stoi(row[2]));
        std::snprintf(last, sizeof last, "%02d%06d", std::stoi(row[2]), std::stoi(row[1]) - 1);
        EXPECT_EQ(row[3], first);
        EXPECT_EQ(row[4], last);
    }
    // Codes come from the real generator: every check group is the one of its serial.
    long wrongChecks = 0;
    for (const auto& row : file.Rows("select ProductID,ProductCode from ProductTable")) {
        const int batch = std::stoi(row[0].substr(0, 2));
        const int serial = std::stoi(row[0].substr(2));
        wrongChecks += std::stoi(row[1].substr(0, 4)) != CodeGenerator::CheckGroup(serial, batch);
    }
    EXPECT_EQ(wrongChecks, 0);
    EXPECT_EQ(file.Count("select count(*) from ProductTable p join ProductGroupTable g on g.ProductName=p.ProductName "
                         "where g.ProductStatus='启用' and p.UseStatus<>1"),
              0);

    // The query log: thousands of rows over the last 90 days, every class, many places.
    EXPECT_GE(file.Count("select count(*) from QueryLogTable"), 2000);
    EXPECT_EQ(file.Count("select count(*) from QueryLogTable where QueryTime < datetime('now','localtime','-91 days') "
                         "or QueryTime > datetime('now','localtime','+1 minute')"),
              0);
    EXPECT_GE(file.Count("select count(distinct date(QueryTime)) from QueryLogTable"), 85);
    for (const char* condition :
         {"QueryStatus=1", "QueryStatus=2", "QueryStatus>2", "QueryStatus=-1", "QueryStatus=-2"})
        EXPECT_GE(file.Count(std::string("select count(*) from QueryLogTable where ") + condition), 20) << condition;
    EXPECT_GE(file.Count("select count(distinct QueryProv) from QueryLogTable"), 20);
    EXPECT_GE(file.Count("select count(distinct QueryCity) from QueryLogTable"), 60);
    EXPECT_EQ(file.Count("select count(*) from QueryLogTable q where not exists (select 1 from AddressTable a "
                         "where a.ProvName=q.QueryProv and a.CityName=q.QueryCity)"),
              0);
    // Genuine queries carry the stored code; the counts on file match the log.
    EXPECT_EQ(file.Count("select count(*) from QueryLogTable q where QueryStatus>=1 and not exists (select 1 from "
                         "ProductTable p where p.ProductID=q.QueryProductID and p.ProductCode=q.QueryProductCode "
                         "and p.ProductCode=q.RealProductCode and p.ProductName=q.ProductName)"),
              0);
    EXPECT_EQ(
        file.Count("select count(*) from QueryLogTable q where QueryStatus=-2 and (QueryProductCode=RealProductCode "
                   "or not exists (select 1 from ProductTable p where p.ProductID=q.QueryProductID "
                   "and p.ProductCode=q.RealProductCode))"),
        0);
    EXPECT_EQ(
        file.Count("select count(*) from ProductTable p where QueryCount <> (select count(*) from QueryLogTable q "
                   "where q.QueryProductID=p.ProductID and q.QueryStatus>=1)"),
        0);
    EXPECT_EQ(
        file.Count("select count(*) from QueryLogTable where QueryStatus>1 and QueryStatus <> (select count(*) "
                   "from QueryLogTable e where e.QueryProductID=QueryLogTable.QueryProductID and e.QueryStatus>=1 "
                   "and e.QueryIndex<=QueryLogTable.QueryIndex)"),
        0);

    // The outgoing queue in every state; waiting rows as the console queues them.
    for (const char* status : {"待发", "发送中", "成功", "失败", "接收"})
        EXPECT_GE(file.Count(std::string("select count(*) from SendSmsTable where SendStatus='") + status + "'"), 1)
            << status;
    EXPECT_EQ(file.Count(
                  "select count(*) from SendSmsTable where SendStatus='待发' and (SendTime is not null or NewFlag<>1)"),
              0);
    EXPECT_EQ(file.Count("select count(*) from SendSmsTable where SendStatus<>'待发' and SendTime is null"), 0);
}

TEST_F(VarnholtDbTool, DemoLogOfAGivenSize)
{
    const fs::path db = m_dir / "Varnholt.db";
    const ToolRun run = Run({"init", db.string(), "--demo", "--queries", "12345"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    SqliteFile file(db);
    EXPECT_EQ(file.Count("select count(*) from QueryLogTable"), 12345);
    // A manufacturer's log: mostly first queries of genuine codes, warnings (codes asked
    // again, fakes) a small share, and in the last weeks two provinces standing out.
    EXPECT_GE(file.Count("select count(*) from QueryLogTable where QueryStatus=1"), 12345 * 7 / 10);
    const long long warnings = file.Count("select count(*) from QueryLogTable where QueryStatus>1 or QueryStatus=-2");
    EXPECT_GE(warnings, 12345 / 50);
    EXPECT_LE(warnings, 12345 / 5);
    const auto byProvince = file.Rows("select count(*) from QueryLogTable where (QueryStatus>1 or QueryStatus=-2) "
                                      "and QueryTime > datetime('now','localtime','-21 days') "
                                      "group by QueryProv order by 1 desc limit 3");
    ASSERT_EQ(byProvince.size(), 3u);
    EXPECT_GE(std::stoll(byProvince[1][0]), 3 * std::stoll(byProvince[2][0]) / 2);
    EXPECT_EQ(file.Count("select count(*) from QueryLogTable where QueryTime < datetime('now','localtime','-91 days') "
                         "or QueryTime > datetime('now','localtime','+1 minute')"),
              0);
    EXPECT_GE(file.Count("select count(distinct date(QueryTime)) from QueryLogTable"), 85);
    // Rows are numbered in the order of their times, as a host logs them.
    EXPECT_EQ(file.Count("select count(*) from QueryLogTable a join QueryLogTable b on b.QueryIndex=a.QueryIndex+1 "
                         "where b.QueryTime<a.QueryTime"),
              0);
    EXPECT_EQ(
        file.Count("select count(*) from ProductTable p where QueryCount <> (select count(*) from QueryLogTable q "
                   "where q.QueryProductID=p.ProductID and q.QueryStatus>=1)"),
        0);
}

// The same contract on a server database: an empty one is set up, one with tables is left
// alone unless forced.
TEST_F(VarnholtDbToolOnServer, SaysWhenAServerDatabaseFoldsOnlyAsciiLetters)
{
    // Another database of the cluster, made with the C character type.
    const std::string name = "ascii" + std::to_string(getpid());
    {
        CDbConnection admin;
        std::string adminString = m_connectionString;
        adminString.replace(adminString.find("Database="), std::string("Database=").size(), "Database=postgres;x=");
        ASSERT_TRUE(admin.Open(adminString, -1)) << admin.GetErrorsText();
        ASSERT_TRUE(admin.Provider()->Execute("create database " + name + " template template0 lc_ctype 'C'", nullptr))
            << admin.GetErrorsText();
    }
    std::string asciiString = m_connectionString;
    asciiString.replace(asciiString.find("Database="), std::string("Database=").size(), "Database=" + name + ";x=");

    const ToolRun created = Run({"init", asciiString});
    ASSERT_EQ(created.exitCode, 0) << created.err;
    EXPECT_NE(created.out.find("note: the database's character type is C,"), std::string::npos) << created.out;
    EXPECT_EQ(LineCount(created.out), 2) << created.out;
}

TEST_F(VarnholtDbToolOnServer, SetsUpAnEmptyPostgreSqlDatabase)
{

    const ToolRun created = Run({"init", m_connectionString});
    ASSERT_EQ(created.exitCode, 0) << created.err;
    EXPECT_EQ(created.out.find("note:"), std::string::npos) << created.out;

    auto count = [&](const std::string& statement) {
        CDbConnection connection;
        EXPECT_TRUE(connection.Open(m_connectionString, -1)) << connection.GetErrorsText();
        return ServerCount(connection, statement);
    };
    EXPECT_EQ(count("select count(distinct ProvName) as N from AddressTable"), 31);
    EXPECT_EQ(count("select count(*) as N from ProductGroupTable"), 0);

    const ToolRun refused = Run({"init", m_connectionString, "--demo"});
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_EQ(LineCount(refused.err), 1) << refused.err;
    EXPECT_NE(refused.err.find("--force"), std::string::npos) << refused.err;
    EXPECT_EQ(count("select count(*) as N from QueryLogTable"), 0);

    const ToolRun forced = Run({"init", m_connectionString, "--demo", "--force"});
    ASSERT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_EQ(forced.err, "") << "the server's notices are no failures";
    EXPECT_EQ(count("select count(distinct ProvName) as N from AddressTable"), 31);
    EXPECT_GE(count("select count(*) as N from QueryLogTable"), 2000);
    EXPECT_EQ(count("select count(distinct ProductStatus) as N from ProductGroupTable"), 3);
    EXPECT_EQ(count("select count(*) as N from ProductGroupTable where CreateCodeTime is not null and "
                    "(StartNumber is null or EndNumber is null or EndNumber='')"),
              0);
    EXPECT_EQ(count("select count(distinct SendStatus) as N from SendSmsTable"), 5);
    EXPECT_EQ(
        count("select count(*) as N from ProductTable p where QueryCount <> (select count(*) from QueryLogTable q "
              "where q.QueryProductID=p.ProductID and q.QueryStatus>=1)"),
        0);
}

// A demo run on a server killed half way: the server rolls its one transaction back, so
// the database holds no tables and the same command simply runs again.
TEST_F(VarnholtDbToolOnServer, KilledDemoOnAServerLeavesNoTables)
{
    CDbConnection watcher;
    ASSERT_TRUE(watcher.Open(m_connectionString, -1)) << watcher.GetErrorsText();
    auto count = [&](const std::string& statement) { return ServerCount(watcher, statement); };

    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execl(VARNHOLT_DB_PROGRAM, VARNHOLT_DB_PROGRAM, "init", m_connectionString.c_str(), "--demo", "--queries",
              "400000", static_cast<char*>(nullptr));
        _exit(127);
    }
    // Killed once its transaction has written for a while: past the tables, into the demo.
    const std::string running = "select count(*) as N from pg_stat_activity where datname=current_database() and "
                                "pid<>pg_backend_pid() and xact_start<now()-interval '1 second'";
    for (int i = 0; i < 500 && count(running) == 0; ++i)
        usleep(20000);
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "finished before the kill";

    EXPECT_EQ(count("select count(*) as N from information_schema.tables where table_schema='public'"), 0);
    const ToolRun again = Run({"init", m_connectionString, "--demo"});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_GE(count("select count(*) as N from QueryLogTable"), 2000);
}
