#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A row as the list keeps it: its cells packed as UTF-16 into one string (each cell behind
// its length), or, when utf8 is set, packed as UTF-8 (packed_cells.h) inside a block of
// rows the list took whole from a reader; cells are decoded when they are asked for.
struct ColorListStoredRow {
    QString packed;
    const char* utf8 = nullptr;
    std::uint32_t utf8Size = 0;
};

// Rows packed as UTF-8 by a reader (packed_cells.h), all in one block, to be kept as they
// are: rows lists where each lies in the block, in the order they are to show.
struct ColorListBlock {
    struct Span {
        std::uint32_t offset = 0;
        std::uint32_t size = 0;
    };
    std::shared_ptr<const std::string> text;
    std::vector<Span> rows;
};

// The rows of a list as they were at one moment, to read while the list goes on changing:
// taking it costs a reference per row, the texts are shared, not copied.
class ColorListRows final {
public:
    int Count() const { return static_cast<int>(m_rows.size()); }
    QString Cell(int row, int column) const;

private:
    friend class ColorListModel;
    std::vector<ColorListStoredRow> m_rows;
    // The blocks the rows point into.
    std::vector<std::shared_ptr<const std::string>> m_blocks;
};

// One row as the list keeps it, built cell by cell in column order: a long list filled
// this way costs one string per row instead of one per cell and a copy.
class ColorListRow final {
public:
    void AddCell(QStringView text);
    // UTF-8 text, decoded straight into the row.
    void AddUtf8Cell(std::string_view text);
    // Room for this many characters, lengths included: one allocation for the whole row.
    void Reserve(std::size_t characters) { m_packed.reserve(static_cast<qsizetype>(characters)); }

private:
    friend class ColorListModel;
    QString m_packed;
};

// The rows of a CColorListCtrl: every cell is text. Rows live in a deque so that a row
// inserted at the top costs the same as one appended, however long the list is. Each row
// is one packed string (every cell behind its length), a quarter of the memory of a
// string per cell; rows read in blocks stay in their blocks as UTF-8, so a list of a
// million read rows takes a little over a hundred megabytes and no string per row.
class ColorListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ColorListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Positions past the end append; negative ones are refused with -1.
    int InsertColumn(int column, const QString& heading, Qt::Alignment alignment);
    bool RemoveColumn(int column);
    int InsertRow(int row, const QString& firstCell);
    // Several rows of cells at once, the first of them at row; one notice to the views.
    int InsertRows(int row, std::vector<std::vector<QString>> rows);
    int InsertRows(int row, std::vector<ColorListRow> rows);
    // The rows of several blocks, those of blocks[0] first, each kept in its block.
    int InsertRows(int row, std::vector<ColorListBlock> blocks);
    bool RemoveRow(int row);
    void RemoveAllRows();
    bool SetCell(int row, int column, const QString& text);
    QString Cell(int row, int column) const;
    ColorListRows Rows() const;

private:
    struct Column {
        QString heading;
        Qt::Alignment alignment;
    };
    std::vector<Column> m_columns;
    std::deque<ColorListStoredRow> m_rows;
    // The blocks UTF-8 rows point into; let go when the last row goes.
    std::vector<std::shared_ptr<const std::string>> m_blocks;
};
