#include "skin_edit.h"

#include "kit_look.h"

#include <QPainter>

CSkinEdit::CSkinEdit(QWidget* parent) : QLineEdit(parent)
{
    setFrame(false);
    setTextMargins(3, 1, 3, 1);
}

void CSkinEdit::paintEvent(QPaintEvent* event)
{
    QLineEdit::paintEvent(event);
    QPainter painter(this);
    const QRect whole = rect();
    painter.setPen(QColor(239, 243, 255));
    painter.drawRect(whole.adjusted(0, 0, -1, -1));
    painter.setPen(KitBlue());
    painter.drawRect(whole.adjusted(1, 1, -2, -2));
}
