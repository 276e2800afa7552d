#pragma once

#include <QPushButton>

// The kit's push button: a rounded kit-blue outline around a white-to-grey face of 64 bands
// that lights up orange under the mouse and blue when focused.
class CSkinButton final : public QPushButton {
    Q_OBJECT
public:
    explicit CSkinButton(QWidget* parent = nullptr);
    explicit CSkinButton(const QString& text, QWidget* parent = nullptr);

    bool IsMouseOver() const { return m_mouseOver; }

    // The face colour of band 0..63. Emphasised means focused, pressed or the default button.
    static QColor FaceColour(int band, bool mouseOver, bool emphasised);
    // The band of the pixel row y (button coordinates) on a face of the given height.
    static int BandOfRow(int y, int faceHeight);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool m_mouseOver = false;
};
