#include "image_button.h"

#include "kit_art.h"

#include <QDesktopServices>
#include <QPainter>

CImageButton::CImageButton(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    connect(this, &QAbstractButton::clicked, this, [this]() {
        if (m_url.isValid())
            QDesktopServices::openUrl(m_url);
    });
}

bool CImageButton::SetBitmaps(const QString& normal, QColor normalKey, const QString& hover, QColor hoverKey)
{
    SetPixmaps(LoadArt(normal, normalKey), LoadArt(hover, hoverKey));
    return !m_normal.isNull() && !m_hover.isNull();
}

void CImageButton::SetPixmaps(const QPixmap& normal, const QPixmap& hover)
{
    m_normal = normal;
    m_hover = hover;
    update();
}

QSize CImageButton::sizeHint() const
{
    return m_normal.isNull() ? QSize(16, 16) : m_normal.size();
}

void CImageButton::paintEvent(QPaintEvent*)
{
    const QPixmap& picture = m_mouseOver && !m_hover.isNull() ? m_hover : m_normal;
    if (picture.isNull())
        return;
    QPainter painter(this);
    const QPoint at((width() - picture.width()) / 2, (height() - picture.height()) / 2);
    painter.drawPixmap(at + (isDown() ? QPoint(1, 1) : QPoint()), picture);
}

void CImageButton::enterEvent(QEnterEvent* event)
{
    m_mouseOver = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CImageButton::leaveEvent(QEvent* event)
{
    m_mouseOver = false;
    update();
    QAbstractButton::leaveEvent(event);
}
