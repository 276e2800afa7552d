#include "db_recordset.h"

#include "db_connection.h"
#include "db_provider.h"
#include "db_result.h"
#include "message_sink.h"
#include "text_util.h"

namespace {
const char* const kDisconnectedNotice = "数据库可能已经断开,\r\n请重新连接、然后重试.";
const char* const kNoticeCaption = "提示";
} // namespace

CDbRecordset::CDbRecordset() = default;

CDbRecordset::~CDbRecordset()
{
    CloseIfOpen();
}

void CDbRecordset::SetConnection(CDbConnection* connection)
{
    m_connection = connection;
}

int CDbRecordset::Open(const std::string& statement, int /*options*/, int /*cursorType*/, int /*lockType*/)
{
    if (!m_connection)
        return -1;
    CloseIfOpen();
    DbProvider* provider = m_connection->StartStatement();
    if (!provider)
        return -1;
    std::unique_ptr<DbResult> result;
    if (!provider->Execute(statement, &result) || !result)
        return -1; // statements without rows answer -1 as well; the error collection tells them apart
    m_result = std::move(result);
    return m_result->IsEOF() ? 0 : 1;
}

bool CDbRecordset::CloseIfOpen()
{
    m_result.reset();
    return true;
}

bool CDbRecordset::IsEOF() const
{
    return !m_result || m_result->IsEOF();
}

bool CDbRecordset::IsBOF() const
{
    return !m_result || m_result->IsBOF();
}

bool CDbRecordset::MoveNext()
{
    return m_result && m_result->MoveNext();
}

bool CDbRecordset::MovePrevious()
{
    return m_result && m_result->MovePrevious();
}

bool CDbRecordset::MoveLast()
{
    return m_result && m_result->MoveLast();
}

bool CDbRecordset::GetFieldValue(const std::string& column, std::string& output)
{
    if (!m_result || !m_connection || !m_connection->IsOpen()) {
        CurrentMessageSink().Show(kDisconnectedNotice, kNoticeCaption, MessageIcon::Information);
        return false;
    }
    if (m_result->IsEOF())
        return false;
    const int index = m_result->FindColumn(column);
    if (index < 0)
        return false;
    const FieldValue* value = m_result->Field(static_cast<std::size_t>(index));
    if (!value)
        return false; // before the first row
    output = FieldShownText(*value);
    return true;
}

void CDbRecordset::SetFieldValue(const std::string& column, int value)
{
    if (!m_result)
        return;
    const int index = m_result->FindColumn(column);
    if (index < 0)
        return;
    FieldValue field;
    field.kind = FieldValue::Kind::Int;
    field.m_int = value;
    m_result->SetField(static_cast<std::size_t>(index), field);
}

bool CDbRecordset::Update()
{
    if (!m_result || !m_connection || !m_connection->IsOpen())
        return false;
    m_connection->ClearErrors();
    return m_result->Update();
}
