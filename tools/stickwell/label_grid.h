#pragma once

#include <string>

// A sheet of labels on A4 portrait: columns x rows equal labels inside a page margin.
// All lengths in millimetres.
class LabelGrid final {
public:
    struct Rect {
        double x, y, width, height;
    };

    static constexpr double kPageWidth = 210.0;
    static constexpr double kPageHeight = 297.0;
    // Below this a label cannot hold a readable QR code beside its text.
    static constexpr double kMinLabelWidth = 40.0;
    static constexpr double kMinLabelHeight = 15.0;

    // 3 x 8 labels of 66.7 x 35.9 mm: the common A4 sheet of 24.
    LabelGrid() = default;

    // False with a one-line reason when the labels would not fit.
    bool Set(int columns, int rows, double margin, std::string& error);

    int Columns() const { return m_columns; }
    int Rows() const { return m_rows; }
    double Margin() const { return m_margin; }
    int PerPage() const { return m_columns * m_rows; }
    double LabelWidth() const { return (kPageWidth - 2 * m_margin) / m_columns; }
    double LabelHeight() const { return (kPageHeight - 2 * m_margin) / m_rows; }

    // The place of the index-th label of a page, row by row from the top left.
    Rect Label(int indexOnPage) const;

private:
    int m_columns = 3;
    int m_rows = 8;
    double m_margin = 5.0;
};
