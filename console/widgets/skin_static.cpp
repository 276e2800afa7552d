#include "skin_static.h"

#include "kit_look.h"

#include <QPainter>

CSkinStatic::CSkinStatic(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setFont(KitFont());
}

void CSkinStatic::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(KitBlue());
    painter.setBrush(KitBlue());
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    painter.setFont(KitFont());
    painter.setPen(Qt::black);
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
}
