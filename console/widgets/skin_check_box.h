#pragma once

#include <QCheckBox>

// The kit's check box: a 12-pixel white-edged kit-blue square and its text in the kit font.
class CSkinCheckBox final : public QCheckBox {
    Q_OBJECT
public:
    explicit CSkinCheckBox(const QString& text = QString(), QWidget* parent = nullptr);
    QRect BoxRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
};
