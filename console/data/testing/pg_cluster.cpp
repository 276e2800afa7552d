#include "pg_cluster.h"

#include <libpq-fe.h>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace fs = std::filesystem;

namespace {

int VersionOf(const fs::path& folder)
{
    return std::atoi(folder.filename().string().c_str());
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

PgCluster::~PgCluster()
{
    Stop();
}

std::string PgCluster::FindBinaries()
{
    if (const char* configured = std::getenv("KELVANE_PG_BIN"); configured && *configured)
        return fs::exists(fs::path(configured) / "initdb") ? configured : std::string();
    std::error_code ec;
    fs::path best;
    for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", ec)) {
        const fs::path bin = entry.path() / "bin";
        if (fs::exists(bin / "initdb") && fs::exists(bin / "pg_ctl") && fs::exists(bin / "postgres") &&
            (best.empty() || VersionOf(entry.path()) > VersionOf(best.parent_path())))
            best = bin;
    }
    return best.string();
}

PgCluster* PgCluster::Shared(std::string& whyNot)
{
    static std::unique_ptr<PgCluster> shared;
    static std::string failure;
    if (shared)
        return shared.get();
    if (!failure.empty()) {
        whyNot = failure;
        return nullptr;
    }
    auto cluster = std::make_unique<PgCluster>();
    if (!cluster->Start(failure)) {
        whyNot = failure;
        return nullptr;
    }
    shared = std::move(cluster);
    return shared.get();
}

bool PgCluster::Run(const std::string& description, const std::vector<std::string>& arguments, std::string& error)
{
    std::vector<std::string> command;
    if (!m_runAs.empty())
        command = {"runuser", "-u", m_runAs, "--"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& a : command)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    const std::string log = m_folder + "/commands.log";
    const pid_t pid = fork();
    if (pid < 0) {
        error = description + ": fork failed";
        return false;
    }
    if (pid == 0) {
        const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
            close(fd);
        }
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return true;
    error = description + " failed; its output:\n" + ReadFile(log);
    return false;
}

void PgCluster::KeepTemplate(const std::string& data, const std::string& shelf)
{
    // Built aside and renamed into place, so a half-made copy is never used; when two
    // processes race, one rename wins and the other copy is dropped.
    std::string ignored;
    char aside[] = "/tmp/kelvane-pg-template-XXXXXX";
    if (!mkdtemp(aside))
        return;
    if (!m_runAs.empty()) {
        const passwd* user = getpwnam(m_runAs.c_str());
        if (!user || chown(aside, user->pw_uid, user->pw_gid) != 0) {
            std::error_code ec;
            fs::remove_all(aside, ec);
            return;
        }
    }
    if (Run("keeping a template cluster", {"cp", "-a", data, std::string(aside) + "/data"}, ignored) &&
        Run("marking the template cluster", {"touch", std::string(aside) + "/READY"}, ignored) &&
        rename(aside, shelf.c_str()) == 0)
        return;
    std::error_code ec;
    fs::remove_all(aside, ec);
}

bool PgCluster::Start(std::string& error)
{
    if (m_running)
        return true;
    m_binaries = FindBinaries();
    if (m_binaries.empty()) {
        error = "PostgreSQL server binaries not found (no /usr/lib/postgresql/*/bin/initdb); "
                "install the postgresql package to run the PostgreSQL tests";
        return false;
    }
    // initdb takes seconds; every test process starting its own cluster copies a cluster
    // made once instead (kept in /tmp per server version and user). A kept cluster that
    // does not start is thrown away and made again.
    const std::string version = fs::path(m_binaries).parent_path().filename().string();
    const std::string shelf = "/tmp/kelvane-pg-template-" + version + "-" + std::to_string(geteuid());
    if (StartIn(shelf, error))
        return true;
    if (!fs::exists(shelf + "/READY"))
        return false;
    std::error_code ec;
    fs::remove_all(shelf, ec);
    return StartIn(shelf, error);
}

bool PgCluster::StartIn(const std::string& shelf, std::string& error)
{
    char folder[] = "/tmp/kelvane-pg-XXXXXX";
    if (!mkdtemp(folder)) {
        error = "cannot create a temporary folder for the PostgreSQL cluster";
        return false;
    }
    m_folder = folder;
    if (geteuid() == 0) {
        const passwd* user = getpwnam("postgres");
        if (!user) {
            error = "running as root and there is no 'postgres' system user to run the server as";
            Stop();
            return false;
        }
        m_runAs = "postgres";
        if (chown(m_folder.c_str(), user->pw_uid, user->pw_gid) != 0) {
            error = "cannot hand the temporary folder to the postgres user";
            Stop();
            return false;
        }
    }
    const std::string data = m_folder + "/data";
    if (fs::exists(shelf + "/READY")) {
        if (!Run("copying the template cluster", {"cp", "-a", shelf + "/data", data}, error)) {
            Stop();
            return false;
        }
    } else {
        if (!Run("initdb",
                 {m_binaries + "/initdb", "-D", data, "-U", kUser, "-A", "trust", "-E", "UTF8", "--locale=C",
                  "--no-sync", "--no-instructions"},
                 error)) {
            Stop();
            return false;
        }
        KeepTemplate(data, shelf);
    }
    // Unix socket only, in our own folder; durability does not matter for a test server.
    const std::string options = "-k " + m_folder + " -p " + std::to_string(kPort) +
                                " -c listen_addresses='' -c fsync=off -c synchronous_commit=off"
                                " -c full_page_writes=off -c shared_buffers=32MB -c max_connections=30";
    if (!Run("pg_ctl start",
             {m_binaries + "/pg_ctl", "-D", data, "-l", m_folder + "/server.log", "-w", "-t", "60", "-o", options,
              "start"},
             error)) {
        error += "\nserver log:\n" + ReadFile(m_folder + "/server.log");
        Stop();
        return false;
    }
    m_running = true;
    StartWatchdog(data);
    return true;
}

void PgCluster::StartWatchdog(const std::string& data)
{
    // A test process killed by a timeout never runs Stop(); a detached shell waits for
    // the end of this process (its pipe closes) and then stops the server and removes
    // the folder, so no server outlives its tests.
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return;
    const std::string prefix = m_runAs.empty() ? std::string() : "runuser -u " + m_runAs + " -- ";
    const std::string script = "read unused; " + prefix + m_binaries + "/pg_ctl -D " + data +
                               " -m immediate -w stop >/dev/null 2>&1; rm -rf " + m_folder;
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return;
    }
    if (pid == 0) {
        setsid();
        dup2(fds[0], 0);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, 1);
            dup2(null, 2);
        }
        execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[0]);
    m_watchdogPipe = fds[1];
    m_watchdogPid = pid;
}

void PgCluster::Stop()
{
    if (m_folder.empty())
        return;
    if (m_running) {
        std::string ignored;
        Run("pg_ctl stop", {m_binaries + "/pg_ctl", "-D", m_folder + "/data", "-m", "immediate", "-w", "stop"},
            ignored);
        m_running = false;
    }
    std::error_code ec;
    fs::remove_all(m_folder, ec);
    m_folder.clear();
    if (m_watchdogPid > 0) {
        close(m_watchdogPipe); // the watchdog finds nothing left to do
        waitpid(m_watchdogPid, nullptr, 0);
        m_watchdogPid = -1;
        m_watchdogPipe = -1;
    }
}

// Letters fold as on a production server with a UTF-8 locale; the order of texts stays
// the plain code point order the tests expect.
const char* const PgCluster::kDatabaseLocale = " TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C.UTF-8'";

bool PgCluster::CreateDatabase(std::string& connectionString, std::string& error)
{
    if (!m_running) {
        error = "the PostgreSQL test cluster is not running";
        return false;
    }
    const std::string name = "t" + std::to_string(getpid()) + "_" + std::to_string(++m_databases);
    const std::string port = std::to_string(kPort);
    const char* keys[] = {"host", "port", "dbname", "user", nullptr};
    const char* values[] = {m_folder.c_str(), port.c_str(), "postgres", kUser, nullptr};
    PGconn* conn = PQconnectdbParams(keys, values, 0);
    if (PQstatus(conn) != CONNECTION_OK) {
        error = std::string("cannot connect to the test cluster: ") + PQerrorMessage(conn);
        PQfinish(conn);
        return false;
    }
    PGresult* r = PQexec(conn, ("CREATE DATABASE " + name + kDatabaseLocale).c_str());
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
    if (!ok)
        error = std::string("CREATE DATABASE failed: ") + PQresultErrorMessage(r);
    PQclear(r);
    PQfinish(conn);
    if (ok)
        connectionString = "Provider=PostgreSQL;Host=" + m_folder + ";Port=" + port + ";Database=" + name +
                           ";User ID=" + kUser + ";Password=;";
    return ok;
}
