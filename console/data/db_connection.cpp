#include "db_connection.h"

#include "connection_string.h"
#include "db_provider.h"
#include "lock_wait.h"

#include <cstdio>

namespace {
CDbConnection* g_theConnection = nullptr;
}

CDbConnection* TheConnection()
{
    return g_theConnection;
}

void SetTheConnection(CDbConnection* connection)
{
    g_theConnection = connection;
}

bool ConnectionBusy()
{
    if (InLockWaitHook())
        return true;
    const DbProvider* provider = g_theConnection ? g_theConnection->Provider() : nullptr;
    return provider && (provider->IsReading() || provider->InTransaction());
}

CDbConnection::CDbConnection() = default;

CDbConnection::~CDbConnection()
{
    CloseIfOpen();
}

bool CDbConnection::Open(const std::string& connectionString, int /*options*/)
{
    if (RefuseWhileReading())
        return false;
    m_connectionString = connectionString;
    m_ownErrors.clear();
    if (m_provider)
        m_provider->Close();
    const ::ConnectionString settings(connectionString);
    m_provider = DbProvider::Create(settings);
    if (!m_provider) {
        m_ownErrors.push_back(
            DbError{"The connection string names no known provider (SQLite or PostgreSQL).", "08001", 0, "Connection"});
        return false;
    }
    m_provider->SetClock(m_clock);
    return m_provider->Open(settings);
}

bool CDbConnection::CloseIfOpen()
{
    if (!m_provider || !m_provider->IsOpen() || RefuseWhileReading())
        return false;
    m_provider->Close();
    return true;
}

bool CDbConnection::RefuseWhileReading()
{
    if (!m_provider || !m_provider->IsReading())
        return false;
    m_ownErrors.clear();
    AddError("The connection is still reading the rows of a statement; it stays open.");
    return true;
}

bool CDbConnection::IsOpen() const
{
    return m_provider && m_provider->IsOpen();
}

DbProvider* CDbConnection::Provider() const
{
    return m_provider && m_provider->IsOpen() ? m_provider.get() : nullptr;
}

DbProvider* CDbConnection::StartStatement()
{
    ClearErrors();
    DbProvider* provider = Provider();
    if (!provider)
        AddError("The connection is not open.");
    return provider;
}

void CDbConnection::ClearErrors()
{
    if (!m_ownErrors.empty())
        m_ownErrors.clear();
    if (m_provider)
        m_provider->ClearErrors();
}

void CDbConnection::AddError(const std::string& description)
{
    m_ownErrors.push_back(DbError{description, "08003", 0, "Connection"});
}

std::vector<DbError> CDbConnection::Errors() const
{
    std::vector<DbError> errors = m_ownErrors;
    if (m_provider)
        errors.insert(errors.end(), m_provider->Errors().begin(), m_provider->Errors().end());
    return errors;
}

std::string CDbConnection::GetErrorsText() const
{
    std::string text;
    for (const auto& e : Errors()) {
        const std::string head = "Description: " + e.description + "\r\n\r\nState: " + e.sqlState + ", Native: ";
        text += head;
        text += std::to_string(e.native);
        text += ", Source: " + e.source + "\r\n";
    }
    return text;
}

bool CDbConnection::CheckOpen()
{
    if (IsOpen())
        return true;
    m_ownErrors.clear();
    AddError("The connection is not open.");
    return false;
}

bool CDbConnection::BeginTrans()
{
    m_ownErrors.clear();
    return CheckOpen() && m_provider->Begin();
}

bool CDbConnection::CommitTrans()
{
    m_ownErrors.clear();
    return CheckOpen() && m_provider->Commit();
}

bool CDbConnection::RollbackTrans()
{
    // Errors of a failed commit stay readable after the rollback that follows it.
    return CheckOpen() && m_provider->Rollback();
}

void CDbConnection::SetClock(const Clock* clock)
{
    m_clock = clock;
    if (m_provider)
        m_provider->SetClock(clock);
}
