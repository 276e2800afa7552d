#pragma once

#include <string>
#include <vector>

// A throw-away PostgreSQL server for tests: initdb and pg_ctl on a Unix socket in a
// fresh temporary folder, no TCP. When the process runs as root the server runs as the
// "postgres" system user (the server refuses root). Stop() ends it and removes the folder.
//
//   std::string why;
//   PgCluster* cluster = PgCluster::Shared(why);   // nullptr: see why
//   std::string connectionString;
//   cluster->CreateDatabase(connectionString, why); // a new empty database
class PgCluster final {
public:
    PgCluster() = default;
    ~PgCluster();
    PgCluster(const PgCluster&) = delete;
    PgCluster& operator=(const PgCluster&) = delete;

    // The folder holding initdb, pg_ctl and postgres (KELVANE_PG_BIN, else the newest
    // /usr/lib/postgresql/*/bin); empty when the server is not installed.
    static std::string FindBinaries();

    // The one cluster of this process, started on first use and stopped at exit.
    // nullptr when it cannot run; whyNot says why.
    static PgCluster* Shared(std::string& whyNot);

    bool Start(std::string& error);
    void Stop();
    bool IsRunning() const { return m_running; }

    // Creates a new empty database and gives the connection string for it.
    bool CreateDatabase(std::string& connectionString, std::string& error);

    const std::string& SocketFolder() const { return m_folder; }
    static constexpr int kPort = 5432;
    static constexpr const char* kUser = "kelvane";
    // What CREATE DATABASE adds for the databases of CreateDatabase.
    static const char* const kDatabaseLocale;

private:
    bool StartIn(const std::string& shelf, std::string& error);
    void StartWatchdog(const std::string& data);
    void KeepTemplate(const std::string& data, const std::string& shelf);
    bool Run(const std::string& description, const std::vector<std::string>& arguments, std::string& error);

    std::string m_binaries;
    std::string m_folder;
    std::string m_runAs; // system user the server runs as, empty for ourselves
    bool m_running = false;
    int m_databases = 0;
    int m_watchdogPid = -1;
    int m_watchdogPipe = -1;
};
