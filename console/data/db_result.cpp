#include "db_result.h"

#include "db_provider.h"
#include "text_util.h"

DbResult::DbResult(DbProvider* provider, std::vector<Column> columns)
    : m_provider(provider), m_columns(std::move(columns))
{}

int DbResult::FindColumnIn(const std::vector<Column>& columns, std::string_view name)
{
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (EqualsNoCaseAscii(columns[i].name, name))
            return static_cast<int>(i);
    return -1;
}

bool DbResult::IsEOF() const
{
    return RowCount() == 0 || m_position >= static_cast<long long>(RowCount());
}

bool DbResult::IsBOF() const
{
    return RowCount() == 0 || m_position < 0;
}

bool DbResult::MoveFirst()
{
    m_pending.clear();
    m_position = 0;
    return true;
}

bool DbResult::MoveNext()
{
    if (IsEOF())
        return false;
    m_pending.clear();
    ++m_position;
    return true;
}

bool DbResult::MovePrevious()
{
    if (IsBOF())
        return false;
    m_pending.clear();
    --m_position;
    return true;
}

bool DbResult::MoveLast()
{
    if (RowCount() == 0)
        return false;
    m_pending.clear();
    m_position = static_cast<long long>(RowCount()) - 1;
    return true;
}

const FieldValue* DbResult::Field(std::size_t column) const
{
    if (!OnRow() || column >= m_columns.size())
        return nullptr;
    return &Cell(static_cast<std::size_t>(m_position), column);
}

bool DbResult::SetField(std::size_t column, const FieldValue& value)
{
    if (!OnRow() || column >= m_columns.size())
        return false;
    for (auto& change : m_pending)
        if (change.first == column) {
            change.second = value;
            return true;
        }
    m_pending.emplace_back(column, value);
    return true;
}

bool DbResult::Update()
{
    if (m_pending.empty())
        return true;
    if (!OnRow() || !m_provider)
        return false;
    const auto row = static_cast<std::size_t>(m_position);
    const bool written = m_provider->UpdateRow(*this, row, m_pending);
    if (written)
        for (auto& [column, value] : m_pending)
            m_cells[row * m_columns.size() + column] = std::move(value);
    // A refused change is dropped: the row holds someone else's newer values.
    m_pending.clear();
    return written;
}
