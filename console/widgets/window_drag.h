#pragma once

#include <QPoint>

class QMouseEvent;
class QWidget;

// Moves a captionless window while the left button holds it, as a caption would: by the
// window manager where it can, else by hand from the mouse moves.
class CWindowDrag final {
public:
    void Start(QWidget* window, const QMouseEvent* press);
    // True when the move was a drag by hand and is used up.
    bool Move(QWidget* window, const QMouseEvent* move);
    void Stop() { m_dragging = false; }

private:
    bool m_dragging = false;
    QPoint m_offset;
};
