#pragma once

#include <QWidget>

// Page "查询统计" of the main window: query statistics. Empty until its controls are added.
class CQueryStatsPage final : public QWidget {
    Q_OBJECT
public:
    explicit CQueryStatsPage(QWidget* parent = nullptr);
};
