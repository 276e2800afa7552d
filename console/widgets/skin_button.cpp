#include "skin_button.h"

#include "kit_look.h"

#include <QPainter>
#include <QPixmap>

#include <algorithm>

namespace {

// The bevel's width: the face starts this far inside the outline.
constexpr int kEdge = 2;

QColor SurfaceColour(const QWidget* button)
{
    const QWidget* surface = button->parentWidget() ? button->parentWidget() : button;
    return surface->palette().color(surface->backgroundRole());
}

void FillRect(QPainter& painter, int x, int y, int width, int height, QColor colour)
{
    if (width > 0 && height > 0)
        painter.fillRect(QRect(x, y, width, height), colour);
}

} // namespace

CSkinButton::CSkinButton(QWidget* parent) : CSkinButton(QString(), parent) {}

CSkinButton::CSkinButton(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
}

QColor CSkinButton::FaceColour(int band, bool mouseOver, bool emphasised)
{
    const int a = 255 - band / 3;
    const int b = 255 - band / 4;
    const int c = 255 - band / 5;
    if (!mouseOver)
        return emphasised ? QColor(a, a, b) : QColor(a, a, c);
    return emphasised ? QColor(b, b, a) : QColor(b, b, c);
}

int CSkinButton::BandOfRow(int y, int faceHeight)
{
    if (faceHeight <= 0)
        return 63;
    return std::min(63, y * 63 / faceHeight);
}

void CSkinButton::paintEvent(QPaintEvent*)
{
    // Drawn off screen and copied in one step, so the face never flickers.
    QPixmap canvas(size() * devicePixelRatioF());
    canvas.setDevicePixelRatio(devicePixelRatioF());
    {
        QPainter painter(&canvas);
        const QRect whole = rect();
        painter.fillRect(whole, SurfaceColour(this));
        painter.setPen(KitBlue());
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(whole.adjusted(0, 0, -1, -1), 2.5, 2.5);

        const QRect face = whole.adjusted(kEdge, kEdge, -kEdge, -kEdge);
        const bool hover = m_mouseOver && isEnabled();
        const bool emphasised = hasFocus() || isDown() || isDefault();
        for (int y = face.top(); y <= face.bottom(); ++y)
            painter.fillRect(QRect(face.left(), y, face.width(), 1),
                             FaceColour(BandOfRow(y, face.height()), hover, emphasised));

        const int fx = face.left(), fy = face.top(), fw = face.width(), fh = face.height();
        if (hover) {
            FillRect(painter, fx, fy, 3, fh, QColor(250, 196, 88));
            FillRect(painter, fx + fw - 3, fy, 3, fh, QColor(251, 202, 106));
            FillRect(painter, fx, fy, fw, 2, QColor(252, 210, 121));
            FillRect(painter, fx, fy + fh - 2, fw, 2, QColor(229, 151, 0));
        } else if (hasFocus()) {
            FillRect(painter, fx, fy, 3, fh, QColor(153, 198, 252));
            FillRect(painter, fx + fw - 3, fy, 3, fh, QColor(162, 189, 252));
            FillRect(painter, fx, fy, fw, 2, QColor(162, 201, 255));
            FillRect(painter, fx, fy + fh - 2, fw, 2, QColor(162, 201, 255));
        }

        painter.setFont(font());
        painter.setPen(isEnabled() ? palette().color(QPalette::Active, QPalette::ButtonText) : QColor(160, 160, 160));
        const QRect textRect = isDown() ? whole.translated(1, 1) : whole;
        painter.drawText(textRect, Qt::AlignCenter | Qt::TextShowMnemonic, text());
    }
    QPainter screen(this);
    screen.drawPixmap(0, 0, canvas);
}

void CSkinButton::enterEvent(QEnterEvent* event)
{
    m_mouseOver = true;
    update();
    QPushButton::enterEvent(event);
}

void CSkinButton::leaveEvent(QEvent* event)
{
    m_mouseOver = false;
    update();
    QPushButton::leaveEvent(event);
}
