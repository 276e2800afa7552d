#pragma once

#include <string>

class CDbConnection;

// Undoes an open transaction when the work inside it gave up.
class TransactionScope final {
public:
    explicit TransactionScope(CDbConnection& connection) : m_connection(connection) {}
    ~TransactionScope();
    TransactionScope(const TransactionScope&) = delete;
    TransactionScope& operator=(const TransactionScope&) = delete;

    // False with the cause in error.
    bool Begin(std::string& error);
    bool Commit(std::string& error);

private:
    CDbConnection& m_connection;
    bool m_open = false;
};
