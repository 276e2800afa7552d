#pragma once

#include <QWidget>

// Page "串货监督" of the main window: cross-region supervision. Empty until its controls are added.
class CCrossRegionPage final : public QWidget {
    Q_OBJECT
public:
    explicit CCrossRegionPage(QWidget* parent = nullptr);
};
