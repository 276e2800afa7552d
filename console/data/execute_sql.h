#pragma once

#include <string>

class CDbConnection;

// Runs one statement whose rows nobody needs on TheConnection(); a failure is shown to
// the operator through the message sink (a Chinese sentence, then the engine's errors).
// True when the statement succeeded.
bool ExecuteSql(const std::string& statement);
// The same on a given connection.
bool ExecuteSql(CDbConnection& connection, const std::string& statement);

// Shows the failure the connection's errors describe, as ExecuteSql does.
void ShowDbFailure(const CDbConnection& connection);

// Runs one statement without showing anything; true when the connection reported no
// error, otherwise the error text is put into errorText. For runs that report a failure
// once for many statements. Inside a transaction on PostgreSQL the failure of a statement
// sent ahead shows at a later statement or at CommitTrans.
bool RunSql(CDbConnection& connection, const std::string& statement, std::string& errorText);
