#pragma once

#include <QColor>
#include <QStyledItemDelegate>

// Paints the cells of a CColorListCtrl: a selected row in the list's own selection colours
// whether or not the list has the focus, and optional grid lines. A cell too narrow for its
// text shows the whole text as a tooltip, so cut names can be told apart.
class ColorListDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit ColorListDelegate(QObject* parent = nullptr);

    void SetSelectionColours(QColor background, QColor text);
    void SetGridLines(bool on) { m_gridLines = on; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

private:
    QColor m_selectionBackground;
    QColor m_selectionText;
    bool m_gridLines = false;
};
