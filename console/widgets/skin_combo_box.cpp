#include "skin_combo_box.h"

#include "kit_look.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QTimerEvent>

#include <algorithm>

namespace {
constexpr int kButtonSize = 18;
constexpr int kPressTimeoutMs = 1000;
} // namespace

CSkinComboBox::CSkinComboBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
    setMaxVisibleItems(20);
}

QRect CSkinComboBox::ButtonRect() const
{
    const int size = std::min(kButtonSize, height() - 4);
    return QRect(width() - 2 - size, (height() - size) / 2, size, size);
}

void CSkinComboBox::paintEvent(QPaintEvent* event)
{
    QComboBox::paintEvent(event);
    QPainter painter(this);
    painter.setPen(KitBlue());
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setPen(Qt::white);
    painter.drawRect(rect().adjusted(1, 1, -2, -2));

    // The drop-down button: a scroll-down arrow in two light frames and a kit-blue one.
    const QRect button = ButtonRect();
    painter.fillRect(button, QColor(245, 247, 252));
    painter.setPen(KitBlue());
    painter.drawRect(button.adjusted(0, 0, -1, -1));
    painter.setPen(QColor(214, 211, 206));
    painter.drawRect(button.adjusted(1, 1, -2, -2));
    painter.drawRect(button.adjusted(2, 2, -3, -3));
    const QPoint centre = button.center() + (m_pressed ? QPoint(1, 1) : QPoint(0, 0));
    QPolygon arrow;
    arrow << QPoint(centre.x() - 3, centre.y() - 1) << QPoint(centre.x() + 3, centre.y() - 1)
          << QPoint(centre.x(), centre.y() + 2);
    painter.setPen(isEnabled() ? Qt::black : QColor(160, 160, 160));
    painter.setBrush(isEnabled() ? Qt::black : QColor(160, 160, 160));
    painter.drawPolygon(arrow);
}

void CSkinComboBox::showPopup()
{
    emit PopupAboutToShow();
    QComboBox::showPopup();
}

void CSkinComboBox::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        m_pressTimer.start(kPressTimeoutMs, this);
        update();
    }
    QComboBox::mousePressEvent(event);
}

void CSkinComboBox::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressed = false;
        update();
    }
    QComboBox::mouseReleaseEvent(event);
}

void CSkinComboBox::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_pressTimer.timerId()) {
        // The release may go to the drop-down list: the press ends by itself.
        m_pressTimer.stop();
        m_pressed = false;
        update();
        return;
    }
    QComboBox::timerEvent(event);
}
