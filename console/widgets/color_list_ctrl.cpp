#include "color_list_ctrl.h"

#include "color_list_delegate.h"
#include "color_list_model.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QListView>
#include <QResizeEvent>

#include <algorithm>

CColorListCtrl::CColorListCtrl(QWidget* parent)
    : QTreeView(parent), m_model(new ColorListModel(this)), m_delegate(new ColorListDelegate(this))
{
    setModel(m_model);
    setItemDelegate(m_delegate);
    // A flat list: no tree decoration, one height for every row so that a million rows
    // lay out in one pass.
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setIndentation(0);
    setUniformRowHeights(true);
    // The view would frame the current row while the list has the focus, which some styles
    // draw as a gradient over the selection; the kit's selection is one flat colour.
    setAllColumnsShowFocus(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    header()->setSectionsClickable(false);
    header()->setMinimumSectionSize(0);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    const QPalette platform = palette();
    m_selectionBackground = platform.color(QPalette::Active, QPalette::Highlight);
    m_selectionText = platform.color(QPalette::Active, QPalette::HighlightedText);
    ApplySelectionPalette();

    connect(this, &QTreeView::doubleClicked, this,
            [this](const QModelIndex& index) { emit ItemDoubleClicked(index.row()); });
}

CColorListCtrl::~CColorListCtrl() = default;

int CColorListCtrl::InsertColumn(int column, const QString& heading, Qt::Alignment alignment, int width)
{
    const int at = m_model->InsertColumn(column, heading, alignment);
    if (at < 0)
        return -1;
    SetColumnWidth(at, width);
    return at;
}

bool CColorListCtrl::DeleteColumn(int column)
{
    return m_model->RemoveColumn(column);
}

bool CColorListCtrl::SetColumnWidth(int column, int width)
{
    if (column < 0 || column >= GetColumnCount())
        return false;
    // A negative width keeps the column's data in the rows but out of sight.
    header()->setSectionHidden(column, width < 0);
    if (width >= 0)
        header()->resizeSection(column, width);
    if (column == 0)
        PlaceFlowView();
    return true;
}

int CColorListCtrl::GetColumnWidth(int column) const
{
    if (column < 0 || column >= GetColumnCount())
        return 0;
    return header()->isSectionHidden(column) ? 0 : header()->sectionSize(column);
}

int CColorListCtrl::GetColumnCount() const
{
    return m_model->columnCount();
}

int CColorListCtrl::InsertItem(int row, const QString& text)
{
    return m_model->InsertRow(row, text);
}

int CColorListCtrl::InsertItems(int row, std::vector<std::vector<QString>> rows)
{
    return m_model->InsertRows(row, std::move(rows));
}

int CColorListCtrl::InsertItems(int row, std::vector<ColorListRow> rows)
{
    return m_model->InsertRows(row, std::move(rows));
}

int CColorListCtrl::InsertItems(int row, std::vector<ColorListBlock> blocks)
{
    return m_model->InsertRows(row, std::move(blocks));
}

void CColorListCtrl::SetListMode(bool on)
{
    if (on == IsListMode())
        return;
    if (!on) {
        delete m_flow;
        m_flow = nullptr;
        m_flowDelegate = nullptr;
        setFocusProxy(nullptr);
        header()->show();
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        return;
    }
    header()->hide();
    // The report underneath never scrolls; the flow view scrolls sideways through its
    // columns.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_flow = new QListView(this);
    m_flowDelegate = new ColorListDelegate(m_flow);
    m_flow->setModel(m_model);
    m_flow->setSelectionModel(selectionModel());
    m_flow->setItemDelegate(m_flowDelegate);
    m_flow->setViewMode(QListView::ListMode);
    m_flow->setFlow(QListView::TopToBottom);
    m_flow->setWrapping(true);
    m_flow->setResizeMode(QListView::Adjust);
    m_flow->setUniformItemSizes(true);
    m_flow->setLayoutMode(QListView::Batched);
    m_flow->setBatchSize(10000);
    m_flow->setSelectionMode(selectionMode());
    m_flow->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_flow->setFrameShape(QFrame::NoFrame);
    m_flow->setAccessibleName(accessibleName());
    connect(m_flow, &QListView::doubleClicked, this,
            [this](const QModelIndex& index) { emit ItemDoubleClicked(index.row()); });
    setFocusProxy(m_flow);
    ApplySelectionPalette();
    PlaceFlowView();
    m_flow->show();
}

void CColorListCtrl::SetAccessibleName(const QString& name)
{
    setAccessibleName(name);
    if (m_flow)
        m_flow->setAccessibleName(name);
}

void CColorListCtrl::PlaceFlowView()
{
    if (!m_flow)
        return;
    m_flow->setGeometry(contentsRect());
    const int columnWidth = GetColumnCount() > 0 ? std::max(GetColumnWidth(0), 1) : 100;
    m_flow->setGridSize(QSize(columnWidth, fontMetrics().height() + 4));
}

void CColorListCtrl::resizeEvent(QResizeEvent* event)
{
    QTreeView::resizeEvent(event);
    PlaceFlowView();
}

ColorListRows CColorListCtrl::GetRows() const
{
    return m_model->Rows();
}

bool CColorListCtrl::SetItemText(int row, int column, const QString& text)
{
    return m_model->SetCell(row, column, text);
}

QString CColorListCtrl::GetItemText(int row, int column) const
{
    return m_model->Cell(row, column);
}

bool CColorListCtrl::DeleteItem(int row)
{
    // The view would move the selection onto a neighbour of a deleted selected row; the
    // list selects nothing in its place, so a command on the selection cannot silently
    // act on another row.
    std::vector<int> keep;
    for (int selected : GetSelectedItems())
        if (selected != row)
            keep.push_back(selected > row ? selected - 1 : selected);
    if (!m_model->RemoveRow(row))
        return false;
    selectionModel()->clearSelection();
    for (int selected : keep)
        SetItemSelected(selected, true);
    return true;
}

bool CColorListCtrl::DeleteAllItems()
{
    m_model->RemoveAllRows();
    return true;
}

int CColorListCtrl::GetItemCount() const
{
    return m_model->rowCount();
}

int CColorListCtrl::GetFirstSelectedItem() const
{
    const std::vector<int> rows = GetSelectedItems();
    return rows.empty() ? -1 : rows.front();
}

std::vector<int> CColorListCtrl::GetSelectedItems() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CColorListCtrl::SetItemSelected(int row, bool selected)
{
    if (row < 0 || row >= GetItemCount())
        return;
    auto flags = (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) | QItemSelectionModel::Rows;
    if (selected && selectionMode() == QAbstractItemView::SingleSelection)
        flags |= QItemSelectionModel::Clear;
    selectionModel()->select(m_model->index(row, 0), flags);
    if (selected)
        selectionModel()->setCurrentIndex(m_model->index(row, 0), QItemSelectionModel::NoUpdate);
}

int CColorListCtrl::GetSelectedCount() const
{
    return static_cast<int>(selectionModel()->selectedRows().size());
}

void CColorListCtrl::SetMultipleSelection(bool on)
{
    setSelectionMode(on ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
    if (m_flow)
        m_flow->setSelectionMode(selectionMode());
}

void CColorListCtrl::SetSelectionBackground(QColor colour)
{
    m_selectionBackground = colour;
    ApplySelectionPalette();
}

void CColorListCtrl::SetSelectionText(QColor colour)
{
    m_selectionText = colour;
    ApplySelectionPalette();
}

void CColorListCtrl::SetGridLines(bool on)
{
    m_delegate->SetGridLines(on);
    viewport()->update();
}

void CColorListCtrl::SetHeaderVisible(bool visible)
{
    header()->setVisible(visible);
}

void CColorListCtrl::ApplySelectionPalette()
{
    m_delegate->SetSelectionColours(m_selectionBackground, m_selectionText);
    if (m_flowDelegate)
        m_flowDelegate->SetSelectionColours(m_selectionBackground, m_selectionText);
    // The row panel the view draws under the cells uses the palette: same colours in every
    // state, so losing the focus changes nothing.
    QPalette colours = palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        colours.setColor(group, QPalette::Highlight, m_selectionBackground);
        colours.setColor(group, QPalette::HighlightedText, m_selectionText);
    }
    setPalette(colours);
    viewport()->update();
    if (m_flow)
        m_flow->viewport()->update(); // it takes the palette from the list
}
