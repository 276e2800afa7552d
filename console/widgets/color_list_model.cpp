#include "color_list_model.h"

#include "packed_cells.h"

#include <QStringDecoder>

namespace {

// A packed row: for each cell its length, then its characters. A length below 0xFFFF takes
// one character; a longer one is 0xFFFF followed by the length in two characters.
constexpr char16_t kLongCell = 0xFFFF;

void AppendCell(QString& packed, QStringView cell)
{
    const auto length = static_cast<quint32>(cell.size());
    if (length < kLongCell) {
        packed += QChar(static_cast<char16_t>(length));
    } else {
        packed += QChar(kLongCell);
        packed += QChar(static_cast<char16_t>(length >> 16));
        packed += QChar(static_cast<char16_t>(length & 0xFFFF));
    }
    packed += cell;
}

// Where cell column starts in a packed row and how long it is; false past the last cell.
bool FindCell(const QString& packed, int column, qsizetype& start, qsizetype& length)
{
    qsizetype at = 0;
    for (int k = 0;; ++k) {
        if (at >= packed.size())
            return false;
        length = packed[at].unicode();
        ++at;
        if (length == kLongCell) {
            length = (static_cast<qsizetype>(packed[at].unicode()) << 16) | packed[at + 1].unicode();
            at += 2;
        }
        if (k == column) {
            start = at;
            return true;
        }
        at += length;
    }
}

using StoredRow = ColorListStoredRow;

std::string_view Utf8Of(const StoredRow& row)
{
    return std::string_view(row.utf8, row.utf8Size);
}

QString FromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

int CellCount(const StoredRow& row)
{
    int count = 0;
    if (row.utf8) {
        std::string_view rest = Utf8Of(row);
        std::string_view cell;
        while (TakePackedCell(rest, cell))
            ++count;
        return count;
    }
    qsizetype start = 0;
    qsizetype length = 0;
    while (FindCell(row.packed, count, start, length))
        ++count;
    return count;
}

QString CellOf(const StoredRow& row, int column)
{
    if (row.utf8) {
        std::string_view rest = Utf8Of(row);
        std::string_view cell;
        for (int k = 0; TakePackedCell(rest, cell); ++k)
            if (k == column)
                return FromUtf8(cell);
        return QString();
    }
    qsizetype start = 0;
    qsizetype length = 0;
    return FindCell(row.packed, column, start, length) ? row.packed.mid(start, length) : QString();
}

template <typename Cells>
QString Pack(const Cells& cells)
{
    QString packed;
    qsizetype size = 0;
    for (const QString& cell : cells)
        size += cell.size() + 1;
    packed.reserve(size);
    for (const QString& cell : cells)
        AppendCell(packed, cell);
    return packed;
}

QStringList Unpack(const StoredRow& row)
{
    QStringList cells;
    if (row.utf8) {
        std::string_view rest = Utf8Of(row);
        std::string_view cell;
        while (TakePackedCell(rest, cell))
            cells << FromUtf8(cell);
        return cells;
    }
    qsizetype start = 0;
    qsizetype length = 0;
    for (int column = 0; FindCell(row.packed, column, start, length); ++column)
        cells << row.packed.mid(start, length);
    return cells;
}

// A row to change in place is packed as UTF-16 first.
void MakeUtf16(StoredRow& row)
{
    if (row.utf8)
        row = StoredRow{Pack(Unpack(row))};
}

} // namespace

void ColorListRow::AddCell(QStringView text)
{
    AppendCell(m_packed, text);
}

void ColorListRow::AddUtf8Cell(std::string_view text)
{
    // UTF-8 never takes fewer bytes than UTF-16 takes characters, so the byte count bounds
    // the room the cell needs.
    if (text.size() >= kLongCell) {
        AppendCell(m_packed, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
        return;
    }
    const qsizetype at = m_packed.size();
    m_packed.resize(at + 1 + static_cast<qsizetype>(text.size()));
    QChar* const begin = m_packed.data() + at + 1;
    // Copied as ASCII in one pass; the first other byte sends the cell to the decoder.
    QChar* end = begin;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            break;
        *end++ = QChar(static_cast<char16_t>(c));
    }
    if (end - begin < static_cast<qsizetype>(text.size())) {
        // Read as QString::fromUtf8 reads it (which drops a leading byte order mark).
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        end = decoder.appendToBuffer(begin, QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    }
    m_packed[at] = QChar(static_cast<char16_t>(end - begin));
    m_packed.truncate(end - m_packed.constData());
}

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
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return CellOf(m_rows[static_cast<size_t>(index.row())], index.column());
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(m_columns[static_cast<size_t>(index.column())].alignment | Qt::AlignVCenter);
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
    for (auto& row : m_rows) {
        if (column < CellCount(row)) {
            QStringList cells = Unpack(row);
            cells.insert(column, QString());
            row = StoredRow{Pack(cells)};
        }
    }
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
    for (auto& row : m_rows) {
        if (column < CellCount(row)) {
            QStringList cells = Unpack(row);
            cells.removeAt(column);
            row = StoredRow{Pack(cells)};
        }
    }
    endRemoveColumns();
    return true;
}

int ColorListModel::InsertRow(int row, const QString& firstCell)
{
    if (row < 0)
        return -1;
    row = std::min(row, rowCount());
    beginInsertRows(QModelIndex(), row, row);
    StoredRow cells;
    AppendCell(cells.packed, firstCell);
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
    std::vector<StoredRow> packed;
    packed.reserve(rows.size());
    for (const std::vector<QString>& cells : rows)
        packed.push_back(StoredRow{Pack(cells)});
    beginInsertRows(QModelIndex(), row, row + static_cast<int>(rows.size()) - 1);
    m_rows.insert(m_rows.begin() + row, std::make_move_iterator(packed.begin()), std::make_move_iterator(packed.end()));
    endInsertRows();
    return row;
}

int ColorListModel::InsertRows(int row, std::vector<ColorListRow> rows)
{
    if (row < 0)
        return -1;
    row = std::min(row, rowCount());
    if (rows.empty())
        return row;
    beginInsertRows(QModelIndex(), row, row + static_cast<int>(rows.size()) - 1);
    m_rows.insert(m_rows.begin() + row, rows.size(), StoredRow());
    auto at = m_rows.begin() + row;
    for (ColorListRow& cells : rows)
        (at++)->packed = std::move(cells.m_packed);
    endInsertRows();
    return row;
}

int ColorListModel::InsertRows(int row, std::vector<ColorListBlock> blocks)
{
    if (row < 0)
        return -1;
    row = std::min(row, rowCount());
    std::size_t count = 0;
    for (const ColorListBlock& block : blocks)
        count += block.text ? block.rows.size() : 0;
    if (count == 0)
        return row;
    beginInsertRows(QModelIndex(), row, row + static_cast<int>(count) - 1);
    m_rows.insert(m_rows.begin() + row, count, StoredRow());
    auto at = m_rows.begin() + row;
    for (ColorListBlock& block : blocks) {
        if (!block.text)
            continue;
        const std::string& text = *block.text;
        for (const ColorListBlock::Span& span : block.rows) {
            // A span past the block's end makes an empty row rather than a read past it.
            if (span.offset <= text.size() && span.size <= text.size() - span.offset) {
                at->utf8 = text.data() + span.offset;
                at->utf8Size = span.size;
            } else {
                at->utf8 = text.data();
                at->utf8Size = 0;
            }
            ++at;
        }
        m_blocks.push_back(std::move(block.text));
    }
    endInsertRows();
    return row;
}

bool ColorListModel::RemoveRow(int row)
{
    if (row < 0 || row >= rowCount())
        return false;
    beginRemoveRows(QModelIndex(), row, row);
    m_rows.erase(m_rows.begin() + row);
    if (m_rows.empty())
        m_blocks.clear();
    endRemoveRows();
    return true;
}

void ColorListModel::RemoveAllRows()
{
    if (m_rows.empty())
        return;
    beginResetModel();
    m_rows.clear();
    m_blocks.clear();
    endResetModel();
}

bool ColorListModel::SetCell(int row, int column, const QString& text)
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return false;
    StoredRow& stored = m_rows[static_cast<size_t>(row)];
    MakeUtf16(stored);
    QString& packed = stored.packed;
    qsizetype start = 0;
    qsizetype length = 0;
    if (FindCell(packed, column, start, length) && length < kLongCell && text.size() < kLongCell) {
        // The common case: one cell replaced in place.
        packed.replace(start - 1, length + 1, QChar(static_cast<char16_t>(text.size())) + text);
    } else {
        QStringList cells = Unpack(stored);
        while (cells.size() <= column)
            cells << QString();
        cells[column] = text;
        packed = Pack(cells);
    }
    const QModelIndex at = index(row, column);
    emit dataChanged(at, at, {Qt::DisplayRole});
    return true;
}

QString ColorListModel::Cell(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 0)
        return QString();
    return CellOf(m_rows[static_cast<size_t>(row)], column);
}

ColorListRows ColorListModel::Rows() const
{
    ColorListRows rows;
    rows.m_rows.assign(m_rows.begin(), m_rows.end());
    rows.m_blocks = m_blocks;
    return rows;
}

QString ColorListRows::Cell(int row, int column) const
{
    if (row < 0 || row >= Count() || column < 0)
        return QString();
    return CellOf(m_rows[static_cast<size_t>(row)], column);
}
