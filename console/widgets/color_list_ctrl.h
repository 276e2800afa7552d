#pragma once

#include <QColor>
#include <QTreeView>

#include <vector>

class ColorListModel;
class ColorListDelegate;

// The kit's list control in report view: rows of text cells under a header of columns,
// the selected rows drawn in the list's own selection colours also without focus. Calls
// follow the platform list control: positions are 0-based, a negative column width hides
// the column, and deleting the last remaining column deletes every row.
class CColorListCtrl final : public QTreeView {
    Q_OBJECT
public:
    explicit CColorListCtrl(QWidget* parent = nullptr);
    ~CColorListCtrl() override;

    int InsertColumn(int column, const QString& heading, Qt::Alignment alignment = Qt::AlignLeft,
                     int width = 100);
    bool DeleteColumn(int column);
    bool SetColumnWidth(int column, int width);
    int GetColumnWidth(int column) const;
    int GetColumnCount() const;

    // Answers the row's position, or -1.
    int InsertItem(int row, const QString& text);
    bool SetItemText(int row, int column, const QString& text);
    QString GetItemText(int row, int column) const;
    bool DeleteItem(int row);
    bool DeleteAllItems();
    int GetItemCount() const;

    // Selection, by row.
    int GetFirstSelectedItem() const; // -1 when none
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

private:
    void ApplySelectionPalette();

    ColorListModel* m_model;
    ColorListDelegate* m_delegate;
    QColor m_selectionBackground;
    QColor m_selectionText;
};
