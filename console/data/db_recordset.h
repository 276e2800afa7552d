#pragma once

#include <memory>
#include <string>

class CDbConnection;
class DbResult;

// A static, optimistic result of one statement on a bound connection.
class CDbRecordset final {
public:
    CDbRecordset();
    ~CDbRecordset();
    CDbRecordset(const CDbRecordset&) = delete;
    CDbRecordset& operator=(const CDbRecordset&) = delete;

    void SetConnection(CDbConnection* connection);

    // 1 when the result has a first row, 0 when it is empty, -1 on failure (and for
    // statements that return no rows).
    int Open(const std::string& statement, int options, int cursorType, int lockType);
    bool CloseIfOpen();

    bool IsEOF() const;
    bool IsBOF() const;
    bool MoveNext();
    bool MovePrevious();
    bool MoveLast();

    bool GetFieldValue(const std::string& column, std::string& output);
    void SetFieldValue(const std::string& column, int value);
    bool Update();

private:
    CDbConnection* m_connection = nullptr;
    std::unique_ptr<DbResult> m_result;
};
