#include "nav_button.h"

#include "kit_art.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
constexpr int kPictureLeft = 4;
constexpr int kCaptionGap = 6;
} // namespace

CNavButton::CNavButton(const QString& caption, QWidget* parent) : QAbstractButton(parent)
{
    setText(caption);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
}

bool CNavButton::SetBitmaps(const QString& normal, const QString& selected, const QString& hot, const QString& disabled,
                            QColor key)
{
    const QString names[] = {normal, selected, hot, disabled};
    bool all = true;
    for (size_t i = 0; i < m_pictures.size(); ++i) {
        m_pictures[i] = LoadArt(names[i], key);
        all = all && !m_pictures[i].isNull();
    }
    update();
    return all;
}

void CNavButton::SetState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    update();
}

QColor CNavButton::CaptionColour(State state)
{
    switch (state) {
    case Selected:
        return QColor(250, 0, 0);
    case Hot:
        return QColor(255, 130, 0);
    case Disabled:
        return QColor(160, 160, 160);
    case Normal:
        break;
    }
    return QColor(0, 0, 0);
}

void CNavButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const State shown = isEnabled() ? m_state : Disabled;
    const QPixmap& picture = m_pictures[static_cast<size_t>(shown)];
    int textLeft = kPictureLeft;
    if (!picture.isNull()) {
        painter.drawPixmap(kPictureLeft, (height() - picture.height()) / 2, picture);
        textLeft += picture.width() + kCaptionGap;
    }
    painter.setFont(font());
    painter.setPen(CaptionColour(shown));
    painter.drawText(rect().adjusted(textLeft, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text());
}

void CNavButton::enterEvent(QEnterEvent* event)
{
    if (m_state == Normal && isEnabled())
        SetState(Hot);
    QAbstractButton::enterEvent(event);
}

void CNavButton::leaveEvent(QEvent* event)
{
    if (m_state == Hot)
        SetState(Normal);
    QAbstractButton::leaveEvent(event);
}

void CNavButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && isDown() && rect().contains(event->position().toPoint()))
        SetState(Selected);
    QAbstractButton::mouseReleaseEvent(event);
}

void CNavButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange)
        update();
    QAbstractButton::changeEvent(event);
}
