#include "color_list_model.h"

ColorListModel::ColorListModel(QObject* parent) : QAbstractTableModel(parent) {}

int ColorListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ColorListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant ColorListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return QVariant();
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        const auto& row = m_rows[static_cast<size_t>(index.row())];
        const auto column = static_cast<size_t>(index.column());
        return column < row.size() ? row[column] : QString();
    }
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(m_columns[static_cast<size_t>(index.column())].alignment |
                                   Qt::AlignVCenter);
    return QVariant();
}

QVariant ColorListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return QVariant();
    const Column& column = m_columns[static_cast<size_t>(section)];
    if (role == Qt::DisplayRole)
        return column.heading;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(column.alignment | Qt::AlignVCenter);
    return QVariant();
}

int ColorListModel::InsertColumn(int column, const QString& heading, Qt::Alignment alignment)
{
    if (column < 0)
        return -1;
    column = std::min(column, columnCount());
    beginInsertColumns(QModelIndex(), column, column);
    m_columns.insert(m_columns.begin() + column, Column{heading, alignment});
    for (auto& row : m_rows)
        if (static_cast<size_t>(column) < row.size())
            row.insert(row.begin() + column, QString());
    endInsertColumns();
    return column;
}

bool ColorListModel::RemoveColumn(int column)
{
    if (column < 0 || column >= columnCount())
        return false;
    if (columnCount() == 1) {
        // Without columns a row has nothing to show: the rows go too.
        RemoveAllRows();
    }
    beginRemoveColumns(QModelIndex(), column, column);
    m_columns.erase(m_columns.begin() + column);
    for (auto& row : m_rows)
        if (static_cast<size_t>(column) < row.size())
            row.erase(row.begin() + column);
    endRemoveColumns();
    return true;
}

int ColorListModel::InsertRow(int row, const QString& firstCell)
{
    if (row < 0)
        return -1;
    row = std::min(row, rowCount());
    beginInsertRows(QModelIndex(), row, row);
    std::vector<QString> cells{firstCell};
    if (row == 0)
        m_rows.push_front(std::move(cells));
    else if (row == static_cast<int>(m_rows.size()))
        m_rows.push_back(std::move(cells));
    else
        m_rows.insert(m_rows.begin() + row, std::move(cells));
    endInsertRows();
    return row;
}

int ColorListModel::InsertRows(int row, std::vector<std::vector<QString>> rows)
{
    if (row < 0)
        return -1;
    row = std::min(row, rowCount());
    if (rows.empty())
        return row;
    beginInsertRows(QModelIndex(), row, row + static_cast<int>(rows.size()) - 1);
    m_rows.insert(m_rows.begin() + row, std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
    endInsertRows();
    return row;
}

bool ColorListModel::RemoveRow(int row)
{
    if (row < 0 || row >= rowCount())
        return false;
    beginRemoveRows(QModelIndex(), row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
    return true;
}

void ColorListModel::RemoveAllRows()
{
    if (m_rows.empty())
        return;
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

bool ColorListModel::SetCell(int row, int column, const QString& text)
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return false;
    auto& cells = m_rows[static_cast<size_t>(row)];
    if (cells.size() <= static_cast<size_t>(column))
        cells.resize(static_cast<size_t>(column) + 1);
    cells[static_cast<size_t>(column)] = text;
    const QModelIndex at = index(row, column);
    emit dataChanged(at, at, {Qt::DisplayRole});
    return true;
}

QString ColorListModel::Cell(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 0)
        return QString();
    const auto& cells = m_rows[static_cast<size_t>(row)];
    return static_cast<size_t>(column) < cells.size() ? cells[static_cast<size_t>(column)] : QString();
}
