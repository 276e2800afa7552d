#pragma once

#include <QLabel>

// The kit's label: its text centred on one line in a rounded kit-blue plate.
class CSkinStatic final : public QLabel {
    Q_OBJECT
public:
    explicit CSkinStatic(const QString& text = QString(), QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
