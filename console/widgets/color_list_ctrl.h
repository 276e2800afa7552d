#pragma once

#include <QColor>
#include <QTreeView>

class QListView;

#include <vector>

class ColorListModel;
class ColorListRow;
struct ColorListBlock;
class ColorListRows;
class ColorListDelegate;

// The kit's list control in report view: rows of text cells under a header of columns,
// the selected rows drawn in the list's own selection colours also without focus.
// Positions are 0-based, a negative column width hides the column, and deleting the last
// remaining column deletes every row.
//
// In list mode the entries (the first cells) flow in columns instead: top to bottom, then
// on in the next column, each column as wide as column 0; no header. The same rows and
// the same selection are shown by a flow view laid over the report.
class CColorListCtrl final : public QTreeView {
    Q_OBJECT
public:
    explicit CColorListCtrl(QWidget* parent = nullptr);
    ~CColorListCtrl() override;

    int InsertColumn(int column, const QString& heading, Qt::Alignment alignment = Qt::AlignLeft, int width = 100);
    bool DeleteColumn(int column);
    bool SetColumnWidth(int column, int width);
    int GetColumnWidth(int column) const;
    int GetColumnCount() const;

    void SetListMode(bool on);
    bool IsListMode() const { return m_flow != nullptr; }
    // The view that shows the entries in list mode, or nullptr.
    QListView* FlowView() const { return m_flow; }
    // The name screen readers announce, for the report and the flow view alike.
    void SetAccessibleName(const QString& name);

    // Answers the row's position, or -1.
    int InsertItem(int row, const QString& text);
    // Rows of cells, the first of them at row, in one step: for long lists.
    int InsertItems(int row, std::vector<std::vector<QString>> rows);
    int InsertItems(int row, std::vector<ColorListRow> rows);
    // Rows read in blocks (packed as UTF-8), kept in their blocks: for a list of millions.
    int InsertItems(int row, std::vector<ColorListBlock> blocks);
    bool SetItemText(int row, int column, const QString& text);
    QString GetItemText(int row, int column) const;
    // Every row as it is now, for reading while the list may change (an export).
    ColorListRows GetRows() const;
    bool DeleteItem(int row);
    bool DeleteAllItems();
    int GetItemCount() const;

    // Selection, by row.
    int GetFirstSelectedItem() const;          // -1 when none
    std::vector<int> GetSelectedItems() const; // top to bottom
    void SetItemSelected(int row, bool selected);
    int GetSelectedCount() const;
    // Several rows selectable (true) or one at most.
    void SetMultipleSelection(bool on);

    void SetSelectionBackground(QColor colour);
    void SetSelectionText(QColor colour);
    QColor SelectionBackground() const { return m_selectionBackground; }
    QColor SelectionText() const { return m_selectionText; }
    void SetGridLines(bool on);
    // Header clicks do nothing in the console; this only switches the pressed look.
    void SetHeaderVisible(bool visible);

    ColorListModel* Model() const { return m_model; }

signals:
    // A double click on a row.
    void ItemDoubleClicked(int row);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ApplySelectionPalette();
    void PlaceFlowView();

    ColorListModel* m_model;
    ColorListDelegate* m_delegate;
    QListView* m_flow = nullptr;
    ColorListDelegate* m_flowDelegate = nullptr;
    QColor m_selectionBackground;
    QColor m_selectionText;
};
