#pragma once

#include <QLineEdit>

// The kit's one-line edit: a light two-pixel margin and a kit-blue line inside it.
class CSkinEdit final : public QLineEdit {
    Q_OBJECT
public:
    explicit CSkinEdit(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
