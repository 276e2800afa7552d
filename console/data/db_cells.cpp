#include "db_cells.h"

#include "text_util.h"

int DbCells::FindColumn(std::string_view name) const
{
    for (std::size_t i = 0; i < m_columns->size(); ++i)
        if (EqualsNoCaseAscii((*m_columns)[i].name, name))
            return static_cast<int>(i);
    return -1;
}
