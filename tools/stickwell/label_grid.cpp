#include "label_grid.h"

#include <cmath>
#include <cstdio>

bool LabelGrid::Set(int columns, int rows, double margin, std::string& error)
{
    if (columns < 1 || rows < 1 || !std::isfinite(margin) || margin < 0 || 2 * margin >= kPageWidth ||
        2 * margin >= kPageHeight) {
        error = "the label grid needs at least one column and one row and a margin that leaves room on the page";
        return false;
    }
    const double width = (kPageWidth - 2 * margin) / columns;
    const double height = (kPageHeight - 2 * margin) / rows;
    if (width < kMinLabelWidth || height < kMinLabelHeight) {
        char text[200];
        std::snprintf(text, sizeof text, "labels of %.1f x %.1f mm are too small; each needs at least %.0f x %.0f mm",
                      width, height, kMinLabelWidth, kMinLabelHeight);
        error = text;
        return false;
    }
    m_columns = columns;
    m_rows = rows;
    m_margin = margin;
    return true;
}

LabelGrid::Rect LabelGrid::Label(int indexOnPage) const
{
    const int column = indexOnPage % m_columns;
    const int row = indexOnPage / m_columns;
    return Rect{m_margin + column * LabelWidth(), m_margin + row * LabelHeight(), LabelWidth(), LabelHeight()};
}
