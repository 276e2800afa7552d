#include "skin_check_box.h"

#include "kit_look.h"

#include <QPainter>

namespace {
constexpr int kBox = 12;
constexpr int kTextGap = 4;
} // namespace

CSkinCheckBox::CSkinCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent)
{
    setFont(KitFont());
    setCursor(Qt::PointingHandCursor);
}

QRect CSkinCheckBox::BoxRect() const
{
    return QRect(0, height() / 2 - kBox / 2, kBox, kBox);
}

void CSkinCheckBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect box = BoxRect();
    painter.fillRect(box, Qt::white);
    painter.setPen(QPen(Qt::white, 3));
    painter.drawRect(box.adjusted(1, 1, -2, -2));
    painter.setPen(QPen(isEnabled() ? KitBlue() : QColor(160, 160, 160), 1));
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    if (checkState() != Qt::Unchecked) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(isEnabled() ? QColor(0, 0, 0) : QColor(128, 128, 128), 1.6));
        if (checkState() == Qt::Checked) {
            painter.drawPolyline(
                QPolygonF({QPointF(box.left() + 2.5, box.top() + 6.0), QPointF(box.left() + 5.0, box.top() + 8.5),
                           QPointF(box.left() + 9.5, box.top() + 3.0)}));
        } else {
            painter.fillRect(box.adjusted(3, 3, -3, -3), QColor(128, 128, 128));
        }
        painter.setRenderHint(QPainter::Antialiasing, false);
    }
    painter.setFont(KitFont());
    painter.setPen(isEnabled() ? QColor(Qt::black) : QColor(128, 128, 128));
    painter.drawText(rect().adjusted(kBox + kTextGap, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text());
}

bool CSkinCheckBox::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}
