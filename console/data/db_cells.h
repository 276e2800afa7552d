#pragma once

#include "db_result.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// A cell of a row as the engine holds it while a read is on that row: nothing is copied,
// parsed or trimmed. For a reader of many rows that wants only a few numbers and short texts
// of each (a DbRow gives every cell as a FieldValue, copying its text).
struct DbCell {
    enum class Kind : unsigned char {
        Null,
        Int,  // integer: any integer type (a boolean as 0 or 1)
        Real, // real: a floating-point type
        Text, // text: the engine's own text of the value (UTF-8), as stored or as the
              // server writes it: a time "YYYY-MM-DD HH:MM:SS", a decimal "12.50"
        Other // text: the engine's bytes of a value of any other kind (a blob)
    };

    Kind kind = Kind::Null;
    std::int64_t integer = 0;
    double real = 0;
    // Valid until the reader returns; the next row reuses the engine's buffers.
    std::string_view text;
};

// One row's cells, in the order of the select's columns, handed to a reader and valid only
// during that call.
class DbCells final {
public:
    DbCells(const std::vector<DbResult::Column>& columns, const std::vector<DbCell>& cells)
        : m_columns(&columns), m_cells(&cells)
    {}

    std::size_t ColumnCount() const { return m_columns->size(); }
    const DbResult::Column& ColumnAt(std::size_t column) const { return (*m_columns)[column]; }
    // Case-insensitive; -1 when the result has no such column.
    int FindColumn(std::string_view name) const { return DbResult::FindColumnIn(*m_columns, name); }

    const DbCell& operator[](std::size_t column) const { return (*m_cells)[column]; }
    const DbCell* begin() const { return m_cells->data(); }
    const DbCell* end() const { return m_cells->data() + m_cells->size(); }

private:
    const std::vector<DbResult::Column>* m_columns;
    const std::vector<DbCell>* m_cells;
};

// Gets each row of a read in turn; answering false stops the read there.
using DbCellReader = std::function<bool(const DbCells&)>;

// The cell's text as a listing shows it: NULL and the text "NULL" as nothing, blanks
// trimmed, numbers in digits; with time, a stored time in any form the engines write as
// "YYYY-MM-DD HH:MM:SS". Points into the cell where its text serves as it is, else into
// scratch, whose buffer can serve row after row.
std::string_view CellShownText(const DbCell& cell, bool time, std::string& scratch);
