#pragma once

#include <QWidget>

// Page "货品查询" of the main window: product code lookup. Empty until its controls are added.
class CCodeLookupPage final : public QWidget {
    Q_OBJECT
public:
    explicit CCodeLookupPage(QWidget* parent = nullptr);
};
