#include "read_rows.h"

#include "db_connection.h"
#include "db_provider.h"

long long ReadRows(CDbConnection& connection, const std::string& statement, const DbRowReader& reader)
{
    DbProvider* provider = connection.StartStatement();
    if (!provider)
        return -1;
    long long rows = 0;
    const bool ok = provider->ReadRows(statement, [&rows, &reader](const DbRow& row) {
        ++rows;
        return reader(row);
    });
    return ok ? rows : -1;
}

long long ReadCells(CDbConnection& connection, const std::string& statement, const DbCellReader& reader)
{
    DbProvider* provider = connection.StartStatement();
    if (!provider)
        return -1;
    long long rows = 0;
    const bool ok = provider->ReadCells(statement, [&rows, &reader](const DbCells& row) {
        ++rows;
        return reader(row);
    });
    return ok ? rows : -1;
}
