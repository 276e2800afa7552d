#include "filter_lists.h"

#include "query_log.h"

#include "db_connection.h"
#include "db_recordset.h"
#include "sql_text.h"

namespace {

std::vector<std::string> ReadColumn(CDbConnection& connection, const std::string& statement, const std::string& column)
{
    std::vector<std::string> names;
    CDbRecordset rows;
    rows.SetConnection(&connection);
    const int opened = rows.Open(statement, 1, 3, 3);
    if (opened < 0) {
        ShowDatabaseError(connection);
        return names;
    }
    for (; opened == 1 && !rows.IsEOF(); rows.MoveNext()) {
        std::string name;
        rows.GetFieldValue(column, name);
        names.push_back(std::move(name));
    }
    return names;
}

} // namespace

std::vector<std::string> FillCityList(CDbConnection& connection, const std::string& province)
{
    return ReadColumn(connection,
                      "select CityName from AddressTable where ProvName='" + SqlQuote(province) + "' order by CityName",
                      "CityName");
}

std::vector<std::string> FillProductList(CDbConnection& connection)
{
    return ReadColumn(connection, "select ProductName from ProductGroupTable", "ProductName");
}
