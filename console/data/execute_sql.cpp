#include "execute_sql.h"

#include "db_connection.h"
#include "db_error_text.h"
#include "db_provider.h"
#include "message_sink.h"

namespace {

// The one path of every insert, update and delete: no result is built, and on success
// nothing beyond the engine's own work is done.
bool Run(CDbConnection& connection, const std::string& statement)
{
    DbProvider* provider = connection.StartStatement();
    return provider && provider->Execute(statement, nullptr);
}

} // namespace

bool ExecuteSql(const std::string& statement)
{
    CDbConnection* connection = TheConnection();
    return connection && ExecuteSql(*connection, statement);
}

bool ExecuteSql(CDbConnection& connection, const std::string& statement)
{
    if (Run(connection, statement))
        return true;
    ShowDbFailure(connection);
    return false;
}

void ShowDbFailure(const CDbConnection& connection)
{
    CurrentMessageSink().Show(OperatorErrorText(connection), ApplicationName(), MessageIcon::None);
}

bool RunSql(CDbConnection& connection, const std::string& statement, std::string& errorText)
{
    if (Run(connection, statement))
        return true;
    errorText = connection.GetErrorsText();
    return false;
}
