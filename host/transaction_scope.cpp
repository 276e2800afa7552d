#include "transaction_scope.h"

#include "db_connection.h"

TransactionScope::~TransactionScope()
{
    if (m_open)
        m_connection.RollbackTrans();
}

bool TransactionScope::Begin(std::string& error)
{
    m_open = m_connection.BeginTrans();
    if (!m_open)
        error = m_connection.GetErrorsText();
    return m_open;
}

bool TransactionScope::Commit(std::string& error)
{
    m_open = false;
    if (m_connection.CommitTrans())
        return true;
    error = m_connection.GetErrorsText();
    m_connection.RollbackTrans();
    return false;
}
