#include "test_database.h"

#include "pg_cluster.h"

#include <stdlib.h>

#include <filesystem>

TestDatabase::~TestDatabase()
{
    if (!m_folder.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(m_folder, ec);
    }
}

bool TestDatabase::Create(SqlDialect engine, std::string& error, bool& unavailable)
{
    unavailable = false;
    if (engine == SqlDialect::SQLite) {
        char folder[] = "/tmp/kelvane-db-XXXXXX";
        if (!mkdtemp(folder)) {
            error = "cannot create a temporary folder";
            return false;
        }
        m_folder = folder;
        m_connectionString = "Provider=SQLite;Data Source=" + m_folder + "/Varnholt.db;Create=true;";
        return true;
    }
    if (PgCluster::FindBinaries().empty()) {
        unavailable = true;
        error = "PostgreSQL server binaries not found (/usr/lib/postgresql/*/bin); install the postgresql "
                "package to run this test on PostgreSQL";
        return false;
    }
    PgCluster* cluster = PgCluster::Shared(error);
    return cluster && cluster->CreateDatabase(m_connectionString, error);
}
