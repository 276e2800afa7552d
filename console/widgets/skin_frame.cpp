#include "skin_frame.h"

#include "kit_look.h"

#include <QChildEvent>
#include <QFontMetrics>
#include <QPainter>

namespace {
constexpr int kCaptionOffset = 8;
}

CSkinFrame::CSkinFrame(QWidget* parent) : CSkinFrame(QString(), parent) {}

CSkinFrame::CSkinFrame(const QString& caption, QWidget* parent) : QGroupBox(caption, parent)
{
    setFont(KitFont());
    setFlat(true);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAutoFillBackground(false);
}

QString CSkinFrame::DisplayedCaption() const
{
    return title().isEmpty() ? QString() : QLatin1Char(' ') + title() + QLatin1Char(' ');
}

int CSkinFrame::TopLineY() const
{
    if (title().isEmpty())
        return 0;
    return QFontMetrics(KitFont()).height() / 2;
}

QRect CSkinFrame::CaptionGap() const
{
    const QString caption = DisplayedCaption();
    if (caption.isEmpty())
        return QRect();
    const QFontMetrics metrics(KitFont());
    // The gap is as wide as the caption drawn in it, so the line never runs through the text.
    const int gap = metrics.horizontalAdvance(caption);
    int left = kCaptionOffset;
    if (alignment() & Qt::AlignRight)
        left = width() - kCaptionOffset - gap;
    else if (alignment() & Qt::AlignHCenter)
        left = (width() - gap) / 2;
    return QRect(left, 0, gap, metrics.height());
}

QColor CSkinFrame::LineColour() const
{
    return isEnabled() ? KitBlue() : QColor(0, 0, 255);
}

void CSkinFrame::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(LineColour());
    const int top = TopLineY();
    const int right = width() - 1;
    const int bottom = height() - 1;
    const QRect gap = CaptionGap();
    if (gap.isNull()) {
        painter.drawRect(QRect(0, 0, width() - 1, height() - 1));
        return;
    }
    painter.drawLine(0, top, 0, bottom);
    painter.drawLine(0, bottom, right, bottom);
    painter.drawLine(right, top, right, bottom);
    if (gap.left() > 0)
        painter.drawLine(0, top, gap.left() - 1, top);
    if (gap.right() < right)
        painter.drawLine(gap.right() + 1, top, right, top);

    painter.setFont(KitFont());
    painter.setPen(isEnabled() ? QColor(Qt::black) : QColor(128, 128, 128));
    painter.drawText(gap, Qt::AlignLeft | Qt::AlignVCenter, DisplayedCaption());
}

void CSkinFrame::childEvent(QChildEvent* event)
{
    // A frame that holds controls is a container: its children must get the mouse.
    if (event->added() && event->child()->isWidgetType())
        setAttribute(Qt::WA_TransparentForMouseEvents, false);
    QGroupBox::childEvent(event);
}
