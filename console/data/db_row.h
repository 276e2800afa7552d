#pragma once

#include "db_result.h"
#include "field_value.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// One row of a statement's result while the statement is still running: handed to a
// reader and valid only during that call (the next row reuses the same cells).
class DbRow final {
public:
    DbRow(const std::vector<DbResult::Column>& columns, const std::vector<FieldValue>& cells)
        : m_columns(&columns), m_cells(&cells)
    {}

    std::size_t ColumnCount() const { return m_columns->size(); }
    const DbResult::Column& ColumnAt(std::size_t column) const { return (*m_columns)[column]; }
    // Case-insensitive; -1 when the result has no such column.
    int FindColumn(std::string_view name) const { return DbResult::FindColumnIn(*m_columns, name); }

    const FieldValue& Field(std::size_t column) const { return (*m_cells)[column]; }
    // The field as a recordset's GetFieldValue gives it (NULL as "", trimmed), written into
    // text so that its buffer serves row after row.
    void Text(std::size_t column, std::string& text) const;
    std::string Text(std::size_t column) const;

private:
    const std::vector<DbResult::Column>* m_columns;
    const std::vector<FieldValue>* m_cells;
};

// Gets each row of a read in turn; answering false stops the read there.
using DbRowReader = std::function<bool(const DbRow&)>;
