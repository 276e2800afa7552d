#include "window_drag.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

void CWindowDrag::Start(QWidget* window, const QMouseEvent* press)
{
    if (window->windowHandle() && window->windowHandle()->startSystemMove())
        return;
    m_dragging = true;
    m_offset = press->globalPosition().toPoint() - window->pos();
}

bool CWindowDrag::Move(QWidget* window, const QMouseEvent* move)
{
    if (!m_dragging)
        return false;
    window->move(move->globalPosition().toPoint() - m_offset);
    return true;
}
