#include "color_list_delegate.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

ColorListDelegate::ColorListDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

void ColorListDelegate::SetSelectionColours(QColor background, QColor text)
{
    m_selectionBackground = background;
    m_selectionText = text;
}

void ColorListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem item(option);
    initStyleOption(&item, index);
    // The style's own highlight (a gradient in some styles while the list has the focus) is
    // taken off for the time of painting; the row gets the list's flat colours instead,
    // with or without focus.
    const bool selected = item.state & QStyle::State_Selected;
    item.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
    const QColor background = selected ? m_selectionBackground : item.palette.color(QPalette::Base);
    const QColor text = selected ? m_selectionText : item.palette.color(QPalette::Text);
    painter->fillRect(option.rect, background);
    item.backgroundBrush = background;
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        item.palette.setColor(group, QPalette::Text, text);
        item.palette.setColor(group, QPalette::Base, background);
    }
    QStyledItemDelegate::paint(painter, item, index);
    if (m_gridLines) {
        painter->save();
        painter->setPen(QColor(212, 208, 200));
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->restore();
    }
}

QSize ColorListDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(size.height(), option.fontMetrics.height() + 4));
    return size;
}

bool ColorListDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                  const QModelIndex& index)
{
    if (event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    QStyleOptionViewItem item(option);
    initStyleOption(&item, index);
    const QStyle* style = view->style();
    const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &item, view);
    // The style leaves a margin inside the text rectangle on both sides.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    const bool cut = item.fontMetrics.horizontalAdvance(item.text) > textRect.width() - 2 * margin;
    if (!cut || item.text.isEmpty()) {
        QToolTip::hideText();
        return true;
    }
    QToolTip::showText(event->globalPos(), item.text, view->viewport(), option.rect);
    return true;
}
