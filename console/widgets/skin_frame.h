#pragma once

#include <QGroupBox>

// The kit's group box: a one-pixel kit-blue line around the control with a gap in the top
// line for the caption, or a plain kit-blue rectangle without a caption. Frames are often
// laid over lists and edits: while a frame holds no child widgets it lets the mouse through
// to what lies beneath it and paints no background.
class CSkinFrame final : public QGroupBox {
    Q_OBJECT
public:
    explicit CSkinFrame(QWidget* parent = nullptr);
    explicit CSkinFrame(const QString& caption, QWidget* parent = nullptr);

    // Where the caption's gap lies in the top line, in widget coordinates (empty without a caption).
    QRect CaptionGap() const;
    // The y of the top line.
    int TopLineY() const;
    QColor LineColour() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void childEvent(QChildEvent* event) override;

private:
    QString DisplayedCaption() const;
};
