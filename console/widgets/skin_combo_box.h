#pragma once

#include <QBasicTimer>
#include <QComboBox>

// The kit's drop-down list: Qt's combo box framed in kit blue, with its own
// drop-down button that shows a press for at most a second.
class CSkinComboBox final : public QComboBox {
    Q_OBJECT
public:
    explicit CSkinComboBox(QWidget* parent = nullptr);
    // The drop-down button's square at the right edge.
    QRect ButtonRect() const;
    // Emits PopupAboutToShow first, so a list filled on demand is current when it opens.
    void showPopup() override;

signals:
    void PopupAboutToShow();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    bool m_pressed = false;
    QBasicTimer m_pressTimer;
};
