#pragma once

#include "field_value.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class DbProvider;

// A static cursor over all rows of one statement's result, fetched at once.
// Position -1 is before the first row (BOF), RowCount() is past the last (EOF).
class DbResult final {
public:
    struct Column {
        std::string name;
        // Where the column comes from, for writing a row back: the engine's table
        // identifier (empty when it is computed) and the column's name in that table.
        std::string table;
        std::string baseName;
    };

    DbResult(DbProvider* provider, std::vector<Column> columns);

    std::size_t ColumnCount() const { return m_columns.size(); }
    std::size_t RowCount() const { return m_columns.empty() ? 0 : m_cells.size() / m_columns.size(); }
    const Column& ColumnAt(std::size_t index) const { return m_columns[index]; }
    // Case-insensitive; -1 when the result has no such column.
    int FindColumn(std::string_view name) const { return FindColumnIn(m_columns, name); }
    // The same search over any columns (those a row reader was handed).
    static int FindColumnIn(const std::vector<Column>& columns, std::string_view name);

    // Filling, for providers: append ColumnCount() values per row.
    void Reserve(std::size_t rows) { m_cells.reserve(rows * m_columns.size()); }
    FieldValue& AppendCell() { return m_cells.emplace_back(); }

    bool IsEOF() const;
    bool IsBOF() const;
    bool OnRow() const { return m_position >= 0 && static_cast<std::size_t>(m_position) < RowCount(); }
    bool MoveFirst();
    bool MoveNext();
    bool MovePrevious();
    bool MoveLast();

    // The value of a column in the current row; nullptr when not on a row.
    const FieldValue* Field(std::size_t column) const;
    const FieldValue& Cell(std::size_t row, std::size_t column) const
    {
        return m_cells[row * m_columns.size() + column];
    }

    // Marks a change of the current row; Update writes it.
    bool SetField(std::size_t column, const FieldValue& value);
    bool Update();
    bool HasPendingChanges() const { return !m_pending.empty(); }

private:
    DbProvider* m_provider;
    std::vector<Column> m_columns;
    std::vector<FieldValue> m_cells;
    long long m_position = 0;
    std::vector<std::pair<std::size_t, FieldValue>> m_pending;
};
